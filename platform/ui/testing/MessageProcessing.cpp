#include "platform/ui/testing/MessageProcessing.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "platform/ui/windows/MessagePump.h"

namespace platform {

void ProcessPendingMessages() {
  if (!ui_detail::EnsureUi()) return;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents();
}

}  // namespace platform
