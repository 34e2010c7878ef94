#include "platform/ui/testing/InputSimulation.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWidget>

#include "platform/ui/desktop/TrayHost.h"
#include "platform/ui/testing/NotifyIconInspection.h"
#include "platform/ui/windows/MessagePump.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform {

using ui_detail::FindRecord;
using ui_detail::WindowRecord;

namespace {

Qt::MouseButtons ButtonsOf(unsigned int keyFlags) {
  Qt::MouseButtons buttons;
  if (keyFlags & MK_LBUTTON) buttons |= Qt::LeftButton;
  if (keyFlags & MK_RBUTTON) buttons |= Qt::RightButton;
  if (keyFlags & MK_MBUTTON) buttons |= Qt::MiddleButton;
  return buttons;
}

Qt::KeyboardModifiers ModifiersOf(unsigned int keyFlags) {
  Qt::KeyboardModifiers modifiers;
  if (keyFlags & MK_SHIFT) modifiers |= Qt::ShiftModifier;
  if (keyFlags & MK_CONTROL) modifiers |= Qt::ControlModifier;
  return modifiers;
}

QAction* FindCommand(const QList<QAction*>& actions, int commandId) {
  for (QAction* action : actions) {
    if (action->menu() != nullptr) {
      if (QAction* found = FindCommand(action->menu()->actions(), commandId)) return found;
    } else if (!action->isSeparator() && action->data().toInt() == commandId) {
      return action;
    }
  }
  return nullptr;
}

QAction* FindCommand(UiWindow window, int commandId) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->menuBar) return nullptr;
  return FindCommand(record->menuBar->actions(), commandId);
}

}  // namespace

bool SimulateMouse(UiWindow window, unsigned int message, int x, int y, unsigned int keyFlags) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->client) return false;
  QEvent::Type type = QEvent::MouseMove;
  Qt::MouseButton button = Qt::NoButton;
  switch (message) {
    case WM_MOUSEMOVE: break;
    case WM_LBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::LeftButton; break;
    case WM_LBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::LeftButton; break;
    case WM_LBUTTONDBLCLK: type = QEvent::MouseButtonDblClick; button = Qt::LeftButton; break;
    case WM_RBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::RightButton; break;
    case WM_RBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::RightButton; break;
    case WM_MBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::MiddleButton; break;
    case WM_MBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::MiddleButton; break;
    default: return false;
  }
  QPoint global = record->client->mapToGlobal(QPoint(x, y));
  QWidget* target = nullptr;
  if (WindowRecord* capture = FindRecord(GetCapture())) {
    target = capture->client;
  } else {
    target = record->client->childAt(QPoint(x, y));
    if (target == nullptr) target = record->client;
  }
  if (target == nullptr) return false;
  QPointF local = target->mapFromGlobal(QPointF(global));
  QMouseEvent event(type, local, local, QPointF(global), button, ButtonsOf(keyFlags), ModifiersOf(keyFlags));
  QCoreApplication::sendEvent(target, &event);
  return true;
}

bool SimulateKey(UiWindow window, unsigned int virtualKey) {
  WindowRecord* record = FindRecord(ui_detail::TopLevelOf(window));
  if (record == nullptr || !record->frame) return false;
  int key = 0;
  switch (virtualKey) {
    case VK_ESCAPE: key = Qt::Key_Escape; break;
    case VK_RETURN: key = Qt::Key_Return; break;
    case VK_TAB: key = Qt::Key_Tab; break;
    case VK_SPACE: key = Qt::Key_Space; break;
    default: return false;
  }
  QWidget* target = record->frame->focusWidget();
  if (target == nullptr) target = record->client;
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &release);
  return true;
}

bool TriggerMenuCommand(UiWindow window, int commandId) {
  QAction* action = FindCommand(window, commandId);
  if (action == nullptr) return false;
  action->trigger();
  return true;
}

std::wstring GetMenuItemText(UiWindow window, int commandId) {
  QAction* action = FindCommand(window, commandId);
  return action != nullptr ? action->text().toStdWString() : std::wstring();
}

std::wstring GetMenuPopupText(UiWindow window, int popupIndex) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->menuBar) return std::wstring();
  QList<QAction*> actions = record->menuBar->actions();
  if (popupIndex < 0 || popupIndex >= actions.size()) return std::wstring();
  return actions[popupIndex]->text().toStdWString();
}

bool SimulateNotifyIconClick(UiWindow window, unsigned int id, unsigned int message) {
  if (!IsNotifyIconShown(window, id)) return false;
  QWidget* target = ui_detail::NotifyIconWidget(window, id);
  Qt::MouseButton button = Qt::LeftButton;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: break;
    case WM_RBUTTONDOWN: button = Qt::RightButton; break;
    case WM_MBUTTONDOWN: button = Qt::MiddleButton; break;
    default: return false;
  }
  QPointF local(target->width() / 2.0, target->height() / 2.0);
  QPointF global(target->mapToGlobal(local.toPoint()));
  auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
    QMouseEvent event(type, local, local, global, button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  };
  send(QEvent::MouseButtonPress, button);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  if (message == WM_LBUTTONDBLCLK) {
    send(QEvent::MouseButtonDblClick, button);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
  }
  return true;
}

bool SetCursorPos(int x, int y) {
  if (!ui_detail::EnsureUi() || QGuiApplication::primaryScreen() == nullptr) return false;
  QCursor::setPos(x, y);
  return true;
}

}  // namespace platform
