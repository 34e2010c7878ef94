#include "platform/ui/windows/CursorPosition.h"

#include <QCursor>
#include <QGuiApplication>

#include "platform/ui/windows/MessagePump.h"

namespace platform {

bool GetCursorPos(Point& point) {
  if (!ui_detail::EnsureUi() || QGuiApplication::primaryScreen() == nullptr) return false;
  QPoint position = QCursor::pos();
  point = Point{position.x(), position.y()};
  return true;
}

}  // namespace platform
