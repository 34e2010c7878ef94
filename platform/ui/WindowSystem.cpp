#include "platform/ui/WindowSystem.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QThread>
#include <xcb/xcb.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/ui/FontFaces.h"
#include "platform/ui/GdiObjects.h"
#include "platform/ui/GdiShapes.h"
#include "platform/ui/MessageLoop.h"

namespace platform::ui_detail {

namespace {

const char kWindowProperty[] = "corvaneWindow";

std::mutex registryMutex;
std::map<std::uint64_t, std::unique_ptr<WindowRecord>> registry;
std::atomic<std::uint64_t> nextHandle{1};

UiWindow mouseWindow;
CursorHandle currentCursor = IDC_ARROW;

QString ToQString(const std::wstring& text) { return QString::fromStdWString(text); }

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

// The client area of a dialog: paint and mouse input become messages.
class ClientWidget : public QWidget {
 public:
  explicit ClientWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
  }

 protected:
  bool event(QEvent* event) override {
    switch (event->type()) {
      case QEvent::Paint: return OnPaint(static_cast<QPaintEvent*>(event));
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: return OnMouse(static_cast<QMouseEvent*>(event));
      default: return QWidget::event(event);
    }
  }

 private:
  bool OnPaint(QPaintEvent* event) {
    UiWindow window = WindowOfWidget(this);
    WindowRecord* record = FindRecord(window);
    if (record == nullptr) return true;
    record->paintEvent = event;
    // What the program did not invalidate itself was exposed by the system (the first
    // show, a resize): that part is painted on an erased background.
    if (!(event->region() - record->pendingUpdate).isEmpty()) record->pendingErase = true;
    UiMessage message{window, WM_PAINT, 0, 0};
    RouteMessage(message);
    record = FindRecord(window);
    if (record != nullptr) {
      record->paintEvent = nullptr;
      record->pendingUpdate = QRegion();
    }
    return true;
  }

  bool OnMouse(QMouseEvent* event) {
    UiWindow window = WindowOfWidget(this);
    if (!window) return false;
    unsigned int message = WM_MOUSEMOVE;
    bool press = event->type() == QEvent::MouseButtonPress;
    bool release = event->type() == QEvent::MouseButtonRelease;
    bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
    if (press || release || doubleClick) {
      switch (event->button()) {
        case Qt::LeftButton: message = press ? WM_LBUTTONDOWN : release ? WM_LBUTTONUP : WM_LBUTTONDBLCLK; break;
        case Qt::RightButton: message = press ? WM_RBUTTONDOWN : release ? WM_RBUTTONUP : WM_RBUTTONDBLCLK; break;
        case Qt::MiddleButton: message = press ? WM_MBUTTONDOWN : release ? WM_MBUTTONUP : WM_MBUTTONDBLCLK; break;
        default: return true;
      }
    }
    NoteMouseWindow(window);
    QPointF position = event->position();
    UiMessage routed{window, message, KeyFlags(event->buttons(), event->modifiers()),
                     MakeLParam(static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y())))};
    RouteMessage(routed);
    event->accept();
    return true;
  }
};

// The top-level widget: menu bar on top, client area below; close and activation
// become messages.
class FrameWidget : public QWidget {
 public:
  FrameWidget() : QWidget(nullptr) {}
  void LayOut() {
    int menuHeight = 0;
    WindowRecord* record = FindRecord(WindowOfWidget(this));
    if (record == nullptr) return;
    if (record->menuBar) {
      menuHeight = record->menuBar->sizeHint().height();
      record->menuBar->setGeometry(0, 0, width(), menuHeight);
    }
    if (record->client) record->client->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight));
  }
  int MenuHeight() const {
    WindowRecord* record = FindRecord(WindowOfWidget(this));
    return record != nullptr && record->menuBar ? record->menuBar->sizeHint().height() : 0;
  }

 protected:
  bool event(QEvent* event) override {
    switch (event->type()) {
      case QEvent::Close: {
        event->ignore();
        UiMessage message{WindowOfWidget(this), WM_CLOSE, 0, 0};
        if (message.window) RouteMessage(message);
        return true;
      }
      case QEvent::WindowActivate:
      case QEvent::WindowDeactivate: {
        UiWindow window = WindowOfWidget(this);
        bool active = event->type() == QEvent::WindowActivate;
        if (window) Dispatch(window, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
        return QWidget::event(event);
      }
      case QEvent::Resize: {
        bool result = QWidget::event(event);
        LayOut();
        return result;
      }
      default: return QWidget::event(event);
    }
  }
};

// A push button whose text never runs past its edges: what does not fit ends in an
// ellipsis, so the start of the text (a mark in front of it, say) always shows.
class PushButtonWidget : public QPushButton {
 public:
  PushButtonWidget(const QString& text, QWidget* parent, bool alignLeft)
      : QPushButton(text, parent), alignLeft_(alignLeft) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString full = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int padding = fontMetrics().averageCharWidth() / 2;
    content.adjust(padding, 0, -padding, 0);
    const QString shown = fontMetrics().elidedText(full, Qt::ElideRight, std::max(0, content.width()));
    const int alignment = (alignLeft_ ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter | Qt::TextShowMnemonic;
    style()->drawItemText(&painter, content, alignment, palette(), isEnabled(), shown, QPalette::ButtonText);
    if (option.state & QStyle::State_HasFocus) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }

 private:
  bool alignLeft_;
};

// A static frame only draws its outline; what lies inside stays the parent's.
class StaticFrameWidget : public QWidget {
 public:
  StaticFrameWidget(QWidget* parent, std::uint32_t style) : QWidget(parent), style_(style) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QColor outer;
    switch (style_ & SS_TYPEMASK) {
      case SS_BLACKFRAME: outer = QColor(0, 0, 0); break;
      case SS_GRAYFRAME: outer = QColor(128, 128, 128); break;
      case SS_WHITEFRAME: outer = QColor(255, 255, 255); break;
      default: outer = QColor(160, 160, 160); break;
    }
    painter.fillRect(0, 0, width(), 1, outer);
    painter.fillRect(0, height() - 1, width(), 1, outer);
    painter.fillRect(0, 0, 1, height(), outer);
    painter.fillRect(width() - 1, 0, 1, height(), outer);
    if ((style_ & SS_TYPEMASK) == SS_ETCHEDFRAME && width() > 2 && height() > 2) {
      QColor inner(255, 255, 255);
      painter.fillRect(1, 1, width() - 2, 1, inner);
      painter.fillRect(1, 1, 1, height() - 2, inner);
    }
  }

 private:
  std::uint32_t style_;
};

int MulDivRounded(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
  QFont font(ToQString(SubstituteFontFace(dialogTemplate.fontFace)));
  int points = dialogTemplate.fontPointSize > 0 ? dialogTemplate.fontPointSize : 8;
  font.setPixelSize(std::max(1, MulDivRounded(points, 96, 72)));
  font.setKerning(false);
  return font;
}

void AddMenuItems(QMenu* menu, const std::vector<MenuItemTemplate>& items, UiWindow dialog);

QAction* MakeCommand(QObject* parent, const MenuItemTemplate& item, UiWindow dialog) {
  QAction* action = new QAction(ToQString(item.text), parent);
  action->setData(item.commandId);
  int id = item.commandId;
  QObject::connect(action, &QAction::triggered, [dialog, id]() {
    if (IsValidHandle(dialog)) SendMessage(dialog, WM_COMMAND, MakeWParam(static_cast<unsigned int>(id), 0), 0);
  });
  return action;
}

void AddMenuItems(QMenu* menu, const std::vector<MenuItemTemplate>& items, UiWindow dialog) {
  for (const MenuItemTemplate& item : items) {
    if (item.IsPopup()) {
      AddMenuItems(menu->addMenu(ToQString(item.text)), item.items, dialog);
    } else if (item.commandId == 0 && item.text.empty()) {
      menu->addSeparator();
    } else {
      menu->addAction(MakeCommand(menu, item, dialog));
    }
  }
}

}  // namespace

unsigned int KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned int flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

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
  xcb_connection_t* connection = xcb_connect(display, nullptr);
  const bool connected = connection != nullptr && xcb_connection_has_error(connection) == 0;
  if (connection != nullptr) xcb_disconnect(connection);
  if (!connected) {
    reason = std::string("no display to show windows on (cannot connect to DISPLAY ") + display + ")";
    return false;
  }
  return true;
}

bool EnsureUi() {
  if (QCoreApplication::instance() == nullptr) {
    std::string reason;
    if (!DisplayAvailable(reason)) return false;
    static int argc = 1;
    static char name[] = "corvane";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
  if (QThread::currentThread() != QCoreApplication::instance()->thread()) return false;
  if (pump == nullptr) {
    QApplication::setQuitOnLastWindowClosed(false);
    pump = new MessagePump();
    QCoreApplication::instance()->installEventFilter(pump);
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (dispatcher != nullptr) {
      QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, pump, []() {
        if (!RunningLoops().empty() && ModalStack().empty() && MessageLoop::Current() != nullptr) {
          MessageLoop::Current()->RunIdleHandlers();
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

WindowRecord* FindRecord(UiWindow window) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto found = registry.find(window.Value());
  return found == registry.end() ? nullptr : found->second.get();
}

UiWindow AddRecord(std::unique_ptr<WindowRecord> record) {
  UiWindow handle(nextHandle++);
  record->handle = handle;
  std::lock_guard<std::mutex> lock(registryMutex);
  registry[handle.Value()] = std::move(record);
  return handle;
}

void RemoveRecord(UiWindow window) {
  std::unique_ptr<WindowRecord> removed;
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto found = registry.find(window.Value());
    if (found == registry.end()) return;
    removed = std::move(found->second);
    registry.erase(found);
  }
  if (mouseWindow == window) mouseWindow = UiWindow();
}

bool IsValidHandle(UiWindow window) {
  std::lock_guard<std::mutex> lock(registryMutex);
  return registry.count(window.Value()) != 0;
}

void TagWidget(QWidget* widget, UiWindow window) {
  widget->setProperty(kWindowProperty, QVariant::fromValue<qulonglong>(window.Value()));
}

UiWindow WindowOfWidget(const QObject* widget) {
  for (const QObject* object = widget; object != nullptr; object = object->parent()) {
    QVariant value = object->property(kWindowProperty);
    if (value.isValid()) {
      UiWindow window(value.toULongLong());
      if (IsValidHandle(window)) return window;
      return UiWindow();
    }
  }
  return UiWindow();
}

UiWindow TopLevelOf(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  while (record != nullptr && record->parent && record->kind != WindowKind::Dialog) {
    window = record->parent;
    record = FindRecord(window);
  }
  return record != nullptr ? window : UiWindow();
}

std::vector<UiWindow>& ModalStack() {
  static std::vector<UiWindow> stack;
  return stack;
}

std::vector<QEventLoop*>& RunningLoops() {
  static std::vector<QEventLoop*> loops;
  return loops;
}

void NoteMouseWindow(UiWindow window) { mouseWindow = window; }

void ApplyCursorTo(QWidget* widget) {
  if (widget == nullptr) return;
  widget->setCursor(currentCursor == IDC_HAND ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

CursorHandle SwapCursor(CursorHandle cursor) {
  CursorHandle previous = currentCursor;
  currentCursor = cursor;
  UiWindow target = GetCapture() ? GetCapture() : mouseWindow;
  WindowRecord* record = FindRecord(target);
  if (record != nullptr) ApplyCursorTo(record->client);
  return previous;
}

CursorHandle CurrentCursor() { return currentCursor; }

namespace {

LResult DefaultDialogProcessing(WindowRecord* record, unsigned int message, WParam wParam, LParam lParam,
                                bool* handled) {
  if (handled != nullptr) *handled = true;
  switch (message) {
    case WM_CLOSE: {
      UiWindow cancel = GetDlgItem(record->handle, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel)) {
        PostMessage(record->handle, WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), static_cast<LParam>(cancel.Value()));
      }
      return 0;
    }
    case WM_SETICON: {
      int which = wParam == ICON_BIG ? 1 : 0;
      IconHandle previous = record->icons[which];
      record->icons[which] = reinterpret_cast<IconHandle>(lParam);
      if (record->frame && (which == 1 || record->icons[1] == nullptr)) ApplyWindowIcon(record->frame, record->icons[which]);
      return reinterpret_cast<LResult>(previous);
    }
    case WM_SETTEXT:
      if (lParam != 0 && record->frame) record->frame->setWindowTitle(QString::fromWCharArray(reinterpret_cast<const wchar_t*>(lParam)));
      return 1;
    case WM_PAINT: {
      PaintStruct paint;
      BeginPaint(record->handle, paint);
      EndPaint(record->handle, paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      DcHandle dc = reinterpret_cast<DcHandle>(wParam);
      Rect client;
      GetClientRect(record->handle, client);
      GdiObjectHandle brush = CreateSolidBrush(Rgb(240, 240, 240));
      FillRect(dc, client, brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    default:
      if (handled != nullptr) *handled = false;
      return 0;
  }
}

LResult DefaultControlProcessing(WindowRecord* record, unsigned int message, WParam, LParam lParam, bool* handled) {
  if (handled != nullptr) *handled = true;
  switch (message) {
    case BM_CLICK:
      if (auto* button = qobject_cast<QPushButton*>(record->frame.data())) {
        if (button->isEnabled()) button->click();
      }
      return 0;
    case WM_SETTEXT:
      if (lParam != 0) SetWindowText(record->handle, reinterpret_cast<const wchar_t*>(lParam));
      return 1;
    default:
      if (handled != nullptr) *handled = false;
      return 0;
  }
}

}  // namespace

LResult Dispatch(UiWindow window, unsigned int message, WParam wParam, LParam lParam, bool* handled) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr) {
    if (handled != nullptr) *handled = false;
    return 0;
  }
  if (record->kind != WindowKind::Dialog) return DefaultControlProcessing(record, message, wParam, lParam, handled);
  if (record->owner != nullptr) {
    LResult result = 0;
    if (DialogDispatch::Process(*record->owner, window, message, wParam, lParam, result)) {
      if (handled != nullptr) *handled = true;
      return result;
    }
    record = FindRecord(window);
    if (record == nullptr) {
      if (handled != nullptr) *handled = false;
      return 0;
    }
  }
  return DefaultDialogProcessing(record, message, wParam, lParam, handled);
}

bool RouteMessage(UiMessage& message) {
  MessageLoop* loop = MessageLoop::Current();
  if (loop != nullptr) {
    loop->NoteMessage(message.message);
    if (ModalStack().empty() && loop->RunFilters(message)) return true;
  }
  if (!ModalStack().empty()) {
    UiWindow modal = ModalStack().back();
    if (TopLevelOf(message.window) == modal && IsDialogMessage(modal, message)) return true;
  }
  bool handled = false;
  Dispatch(message.window, message.message, message.wParam, message.lParam, &handled);
  return handled;
}

void SizeFrame(WindowRecord& record, int width, int height) {
  if (!record.frame) return;
  if (record.fixedSize) {
    record.frame->setFixedSize(width, height);
  } else {
    record.frame->resize(width, height);
  }
}

UiWindow BuildDialog(Dialog* owner, ModuleHandle module, const DialogTemplate& dialogTemplate, UiWindow parent) {
  if (!EnsureUi()) return UiWindow();
  auto record = std::make_unique<WindowRecord>();
  record->kind = WindowKind::Dialog;
  record->owner = owner;
  record->module = module;
  record->style = dialogTemplate.style;
  record->parent = parent;
  WindowRecord* dialog = record.get();
  UiWindow handle = AddRecord(std::move(record));

  auto* frame = new FrameWidget();
  TagWidget(frame, handle);
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if ((dialogTemplate.style & WS_CAPTION) == WS_CAPTION) {
    flags |= Qt::WindowTitleHint;
    if (dialogTemplate.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialogTemplate.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (dialogTemplate.style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  } else {
    flags |= Qt::FramelessWindowHint;
  }
  if (dialogTemplate.extendedStyle & WS_EX_TOPMOST) {
    flags |= Qt::WindowStaysOnTopHint;
    dialog->topMost = true;
  }
  frame->setWindowFlags(flags);
  frame->setWindowTitle(ToQString(dialogTemplate.caption));
  frame->setAttribute(Qt::WA_DeleteOnClose, false);
  dialog->frame = frame;

  QFont font = DialogFont(dialogTemplate);
  frame->setFont(font);
  auto* client = new ClientWidget(frame);
  client->setAutoFillBackground(false);
  dialog->client = client;

  if (dialogTemplate.menuId != 0 && module != nullptr) {
    if (const MenuTemplate* menu = module->FindMenu(dialogTemplate.menuId)) {
      auto* bar = new QMenuBar(frame);
      for (const MenuItemTemplate& item : menu->items) {
        if (item.IsPopup()) {
          AddMenuItems(bar->addMenu(ToQString(item.text)), item.items, handle);
        } else {
          bar->addAction(MakeCommand(bar, item, handle));
        }
      }
      dialog->menuBar = bar;
    }
  }

  // Dialog units follow the font: a quarter of its average character width, an eighth
  // of its height.
  QFontMetrics metrics(font);
  int baseX = (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
  int baseY = metrics.ascent() + metrics.descent();
  auto toPixelsX = [baseX](int units) { return MulDivRounded(units, baseX, 4); };
  auto toPixelsY = [baseY](int units) { return MulDivRounded(units, baseY, 8); };

  for (const ControlTemplate& control : dialogTemplate.controls) {
    auto childRecord = std::make_unique<WindowRecord>();
    childRecord->controlId = control.id;
    childRecord->style = control.style;
    childRecord->parent = handle;
    childRecord->module = module;
    QWidget* widget = nullptr;
    if (control.controlClass == ControlClass::Button) {
      childRecord->kind = WindowKind::PushButton;
      auto* button = new PushButtonWidget(ToQString(control.text), client, (control.style & BS_LEFT) != 0);
      button->setAttribute(Qt::WA_NoMousePropagation);
      button->setAutoDefault(false);
      widget = button;
    } else {
      std::uint32_t type = control.style & SS_TYPEMASK;
      bool frameStyle = type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME || type == SS_ETCHEDFRAME;
      if (frameStyle) {
        childRecord->kind = WindowKind::StaticFrame;
        widget = new StaticFrameWidget(client, control.style);
      } else {
        childRecord->kind = WindowKind::StaticText;
        auto* label = new QLabel(ToQString(control.text), client);
        label->setAlignment(type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft);
        // Static texts break between words where the line is full.
        label->setWordWrap(true);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        widget = label;
      }
    }
    widget->setGeometry(toPixelsX(control.x), toPixelsY(control.y), toPixelsX(control.width), toPixelsY(control.height));
    widget->setEnabled((control.style & WS_DISABLED) == 0);
    widget->setVisible((control.style & WS_VISIBLE) != 0);
    childRecord->frame = widget;
    childRecord->client = widget;
    UiWindow child = AddRecord(std::move(childRecord));
    TagWidget(widget, child);
    dialog->children.push_back(child);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      int id = control.id;
      QObject::connect(button, &QPushButton::clicked, [handle, child, id]() {
        if (IsValidHandle(handle)) SendMessage(handle, WM_COMMAND, MakeWParam(static_cast<unsigned int>(id), BN_CLICKED), static_cast<LParam>(child.Value()));
      });
    }
  }

  int clientWidth = toPixelsX(dialogTemplate.width);
  int clientHeight = toPixelsY(dialogTemplate.height);
  // Without a sizing border the user cannot resize the window, and the window manager
  // offers no maximise.
  dialog->fixedSize = (dialogTemplate.style & WS_THICKFRAME) == 0 && (dialogTemplate.style & WS_CHILD) == 0;
  SizeFrame(*dialog, clientWidth, clientHeight + frame->MenuHeight());
  frame->LayOut();
  if (dialogTemplate.style & DS_CENTER) {
    Rect work = GetWorkArea();
    frame->move(work.left + (work.Width() - frame->width()) / 2, work.top + (work.Height() - frame->height()) / 2);
  } else {
    frame->move(toPixelsX(dialogTemplate.x), toPixelsY(dialogTemplate.y));
  }
  return handle;
}

}  // namespace platform::ui_detail
