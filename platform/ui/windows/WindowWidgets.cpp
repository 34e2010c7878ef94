#include "platform/ui/windows/WindowWidgets.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "platform/ui/windows/DefaultProcessing.h"
#include "platform/ui/windows/MessagePump.h"
#include "platform/ui/windowsystem/OpenWindowSystem.h"
#include "platform/ui/windowsystem/X11WindowSystem.h"

namespace platform::ui_detail {

namespace {

UiWindow mouseWindow;
CursorHandle currentCursor = IDC_ARROW;

unsigned int KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned int flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

}  // namespace

void FrameWidget::LayOut() {
  int menuHeight = 0;
  WindowRecord* record = FindRecord(WindowOfWidget(this));
  if (record == nullptr) return;
  if (record->menuBar) {
    menuHeight = record->menuBar->sizeHint().height();
    record->menuBar->setGeometry(0, 0, width(), menuHeight);
  }
  if (record->client) record->client->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight));
}

int FrameWidget::MenuHeight() const {
  WindowRecord* record = FindRecord(WindowOfWidget(this));
  return record != nullptr && record->menuBar ? record->menuBar->sizeHint().height() : 0;
}

bool FrameWidget::event(QEvent* event) {
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
    case QEvent::Show: {
      bool result = QWidget::event(event);
      if (WindowRecord* record = FindRecord(WindowOfWidget(this))) {
        // The native window exists now, and is mapped only after this event.
        if (record->fixedSize) {
          OpenDesktopWindowSystem(WindowsOf::ThisProgram)
              ->OfferFixedSizeActions(record->frame.data(), (record->style & WS_MINIMIZEBOX) != 0);
        }
        // Once shown, the toolkit knows a frame of its own (some platforms only then).
        ApplyPlacement(*record);
      }
      return result;
    }
    default: return QWidget::event(event);
  }
}

bool FrameWidget::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  if (IsFrameExtentsChange(eventType, message)) {
    // After the toolkit has taken the event in itself.
    QTimer::singleShot(0, this, [this] {
      if (WindowRecord* record = FindRecord(WindowOfWidget(this))) ApplyPlacement(*record);
    });
  }
  return QWidget::nativeEvent(eventType, message, result);
}

ClientWidget::ClientWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

bool ClientWidget::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint: return OnPaint(static_cast<QPaintEvent*>(event));
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return OnMouse(static_cast<QMouseEvent*>(event));
    default: return QWidget::event(event);
  }
}

bool ClientWidget::OnPaint(QPaintEvent* event) {
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

bool ClientWidget::OnMouse(QMouseEvent* event) {
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
  mouseWindow = window;
  QPointF position = event->position();
  UiMessage routed{window, message, KeyFlags(event->buttons(), event->modifiers()),
                   MakeLParam(static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y())))};
  RouteMessage(routed);
  event->accept();
  return true;
}

void PushButtonWidget::paintEvent(QPaintEvent*) {
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

StaticFrameWidget::StaticFrameWidget(QWidget* parent, std::uint32_t style) : QWidget(parent), style_(style) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StaticFrameWidget::paintEvent(QPaintEvent*) {
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

void SizeFrame(WindowRecord& record, int width, int height) {
  if (!record.frame) return;
  if (record.fixedSize) {
    record.frame->setFixedSize(width, height);
  } else {
    record.frame->resize(width, height);
  }
}

void ApplyPlacement(WindowRecord& record) {
  if (!record.placement || !record.frame) return;
  QWidget& frame = *record.frame;
  // The frame the window manager announces (_NET_FRAME_EXTENTS) rather than the
  // toolkit's idea of it, which lags until the next move the toolkit sees; before the
  // announcement, and on other platforms, the toolkit's idea is all there is. The
  // window is placed again, not left to the window manager with a gravity that pins the
  // frame's corner: the toolkit rewrites the size hints, gravity included, at every show
  // and every move, so a gravity of ours would not last.
  FrameExtents extents;
  if (frame.internalWinId() == 0 ||
      !OpenDesktopWindowSystem(WindowsOf::ThisProgram)->GetFrameExtents(frame.internalWinId(), extents)) {
    const QRect outer = frame.frameGeometry();
    const QRect inner = frame.geometry();
    extents = FrameExtents{inner.left() - outer.left(), outer.right() - inner.right(), inner.top() - outer.top(),
                           outer.bottom() - inner.bottom()};
  }
  const Point corner =
      record.placement(frame.width() + extents.left + extents.right, frame.height() + extents.top + extents.bottom);
  // Given without the frame, the window's own place goes to the window manager as it is
  // (static gravity) and the frame around it, whatever the toolkit thinks of the frame.
  frame.setGeometry(corner.x + extents.left, corner.y + extents.top, frame.width(), frame.height());
}

void ApplyCursorTo(QWidget* widget) {
  if (widget == nullptr) return;
  widget->setCursor(currentCursor == IDC_HAND ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

CursorHandle SwapCursor(CursorHandle cursor, UiWindow capture) {
  CursorHandle previous = currentCursor;
  currentCursor = cursor;
  UiWindow target = capture ? capture : mouseWindow;
  WindowRecord* record = FindRecord(target);
  if (record != nullptr) ApplyCursorTo(record->client);
  return previous;
}

CursorHandle CurrentCursor() { return currentCursor; }

}  // namespace platform::ui_detail
