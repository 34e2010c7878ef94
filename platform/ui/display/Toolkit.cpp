#include "platform/ui/display/Toolkit.h"

#include <QApplication>
#include <QThread>

#include <cstdlib>
#include <cstring>

#include "platform/ui/display/X11Connection.h"

namespace platform::ui_detail {

bool DisplayAvailable(std::string& reason) {
  // Another platform chosen on purpose (the tests' off-screen one, say) is trusted.
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (chosen != nullptr && *chosen != 0 && std::strncmp(chosen, "xcb", 3) != 0) return true;
  // Otherwise the toolkit draws on X11 and aborts the process when it cannot connect.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == 0) {
    reason = "no display to show windows on (DISPLAY is not set)";
    return false;
  }
  if (!X11Connection::Open()) {
    reason = std::string("no display to show windows on (cannot connect to DISPLAY ") + display + ")";
    return false;
  }
  return true;
}

bool StartToolkit() {
  if (QCoreApplication::instance() == nullptr) {
    std::string reason;
    if (!DisplayAvailable(reason)) return false;
    static int argc = 1;
    static char name[] = "corvane";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace platform::ui_detail
