#include "platform/ui/windows/MessagePump.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QThread>

#include "platform/ui/display/Toolkit.h"
#include "platform/ui/windows/DefaultProcessing.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/UiWindow.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform::ui_detail {

namespace {

// Posted messages travel as events to the pump, which lives on the UI thread.
class PostedMessageEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const QEvent::Type kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  explicit PostedMessageEvent(const UiMessage& message) : QEvent(Kind()), message_(message) {}
  UiMessage message_;
};

class IdleWakeEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const QEvent::Type kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  IdleWakeEvent() : QEvent(Kind()) {}
};

std::optional<int> pendingQuit;
LoopHandlers* loopHandlers = nullptr;

unsigned int VirtualKeyOf(int key) {
  switch (key) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Space: return VK_SPACE;
    default: break;
  }
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
    return static_cast<unsigned int>(key);
  }
  return 0;
}

// Receives posted messages, serves the idle handlers and turns key presses and clicks
// on inactive windows into their messages.
class MessagePump : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == PostedMessageEvent::Kind()) {
      UiMessage message = static_cast<PostedMessageEvent*>(event)->message_;
      if (message.message == WM_QUIT) {
        Quit(static_cast<int>(message.wParam));
      } else if (IsValidHandle(message.window)) {
        RouteMessage(message);
      }
      return true;
    }
    if (event->type() == IdleWakeEvent::Kind()) return true;
    return QObject::event(event);
  }

  void Quit(int code) {
    if (!ModalStack().empty()) {
      // A modal run ends first; the quit then reaches the loop outside it.
      WindowRecord* modal = FindRecord(ModalStack().back());
      if (modal != nullptr && modal->modalLoop != nullptr) {
        modal->modalEnded = true;
        modal->modalLoop->exit(0);
      }
      QCoreApplication::postEvent(this, new PostedMessageEvent(UiMessage{UiWindow(), WM_QUIT, static_cast<WParam>(code), 0}));
      return;
    }
    if (!RunningLoops().empty()) {
      RunningLoops().back()->exit(code);
    } else {
      pendingQuit = code;
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress: return OnKeyPress(watched, static_cast<QKeyEvent*>(event));
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick: return OnButtonPress(watched, static_cast<QMouseEvent*>(event));
      default: return false;
    }
  }

 private:
  bool OnKeyPress(QObject* watched, QKeyEvent* event) {
    if (!watched->isWidgetType()) return false;
    UiWindow window = WindowOfWidget(watched);
    if (!window) return false;
    unsigned int key = VirtualKeyOf(event->key());
    if (key == 0) return false;
    UiMessage message{window, WM_KEYDOWN, key, 1};
    return RouteMessage(message);
  }

  bool OnButtonPress(QObject* watched, QMouseEvent* event) {
    if (!watched->isWidgetType()) return false;
    UiWindow window = WindowOfWidget(watched);
    UiWindow top = TopLevelOf(window);
    WindowRecord* record = FindRecord(top);
    if (record == nullptr || record->frame == nullptr || record->frame->isActiveWindow()) return false;
    unsigned int mouseMessage = event->button() == Qt::RightButton ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    LResult answer = Dispatch(top, WM_MOUSEACTIVATE, static_cast<WParam>(top.Value()), MakeLParam(HTCLIENT, static_cast<int>(mouseMessage)));
    if ((answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) && FindRecord(top) != nullptr && record->frame) {
      record->frame->activateWindow();
    }
    return answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT;
  }
};

MessagePump* pump = nullptr;

}  // namespace

bool EnsureUi() {
  if (!StartToolkit()) return false;
  if (pump == nullptr) {
    QApplication::setQuitOnLastWindowClosed(false);
    pump = new MessagePump();
    QCoreApplication::instance()->installEventFilter(pump);
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (dispatcher != nullptr) {
      QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, pump, []() {
        if (!RunningLoops().empty() && ModalStack().empty() && loopHandlers != nullptr) {
          loopHandlers->RunIdleHandlers();
        }
      });
    }
  }
  return true;
}

QObject* Pump() { return pump; }

void PostToPump(const UiMessage& message) {
  if (pump != nullptr) QCoreApplication::postEvent(pump, new PostedMessageEvent(message));
}

void WakeForIdle() {
  if (pump != nullptr) QCoreApplication::postEvent(pump, new IdleWakeEvent());
}

std::optional<int> TakePendingQuit() {
  std::optional<int> code = pendingQuit;
  pendingQuit.reset();
  return code;
}

void SetLoopHandlers(LoopHandlers* handlers) { loopHandlers = handlers; }

std::vector<QEventLoop*>& RunningLoops() {
  static std::vector<QEventLoop*> loops;
  return loops;
}

bool RouteMessage(UiMessage& message) {
  if (loopHandlers != nullptr) {
    loopHandlers->NoteMessage(message.message);
    if (ModalStack().empty() && loopHandlers->RunFilters(message)) return true;
  }
  if (!ModalStack().empty()) {
    UiWindow modal = ModalStack().back();
    if (TopLevelOf(message.window) == modal && IsDialogMessage(modal, message)) return true;
  }
  bool handled = false;
  Dispatch(message.window, message.message, message.wParam, message.lParam, &handled);
  return handled;
}

}  // namespace platform::ui_detail

namespace platform {

namespace {

bool OnUiThread() {
  return QCoreApplication::instance() != nullptr && QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

LResult SendMessage(UiWindow window, unsigned int message, WParam wParam, LParam lParam) {
  if (!ui_detail::IsValidHandle(window)) return 0;
  if (OnUiThread()) return ui_detail::Dispatch(window, message, wParam, lParam);
  QObject* pump = ui_detail::Pump();
  if (pump == nullptr) return 0;
  LResult result = 0;
  QMetaObject::invokeMethod(
      pump, [&]() { result = ui_detail::Dispatch(window, message, wParam, lParam); }, Qt::BlockingQueuedConnection);
  return result;
}

bool PostMessage(UiWindow window, unsigned int message, WParam wParam, LParam lParam) {
  if (!ui_detail::IsValidHandle(window)) return false;
  ui_detail::PostToPump(UiMessage{window, message, wParam, lParam});
  return true;
}

}  // namespace platform
