#include "platform/ui/windows/UiWindow.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "platform/ui/display/Toolkit.h"
#include "platform/ui/drawing/GdiRecords.h"
#include "platform/ui/windows/WindowRegistry.h"
#include "platform/ui/windows/WindowWidgets.h"

namespace platform {

using ui_detail::FindRecord;
using ui_detail::WindowKind;
using ui_detail::WindowRecord;

namespace {

UiWindow captureWindow;

QRect ToQRect(const Rect& rect) { return QRect(rect.left, rect.top, rect.Width(), rect.Height()); }

}  // namespace

bool IsWindow(UiWindow window) { return ui_detail::IsValidHandle(window); }

UiWindow GetDlgItem(UiWindow dialog, int controlId) {
  WindowRecord* record = FindRecord(dialog);
  if (record == nullptr) return UiWindow();
  for (UiWindow child : record->children) {
    WindowRecord* childRecord = FindRecord(child);
    if (childRecord != nullptr && childRecord->controlId == controlId) return child;
  }
  return UiWindow();
}

bool SetWindowText(UiWindow window, const std::wstring& text) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame) return false;
  QString value = QString::fromStdWString(text);
  if (record->kind == WindowKind::Dialog) {
    record->frame->setWindowTitle(value);
  } else if (auto* button = qobject_cast<QPushButton*>(record->frame.data())) {
    button->setText(value);
  } else {
    record->frame->setProperty("text", value);
  }
  return true;
}

bool EnableWindow(UiWindow window, bool enable) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame) return false;
  bool wasDisabled = !record->frame->isEnabled();
  record->frame->setEnabled(enable);
  return wasDisabled;
}

bool IsWindowEnabled(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  return record != nullptr && record->frame && record->frame->isEnabled();
}

bool ShowWindow(UiWindow window, int showCommand) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame) return false;
  bool wasVisible = record->frame->isVisible();
  if (showCommand == SW_HIDE) {
    record->frame->hide();
  } else {
    record->frame->show();
  }
  return wasVisible;
}

namespace {

// Changes the stacking hint of a top-level widget shown or not. The toolkit would hide a
// shown widget whose flags change and show it again; on X11 that unmaps and maps the
// window, which the window manager and other programs take for a window that closed and
// a new one. A window that exists in the window system is told directly instead.
void SetStaysOnTop(QWidget& frame, bool topMost) {
  Qt::WindowFlags flags = frame.windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topMost);
  if (QWindow* native = frame.windowHandle()) {
    frame.overrideWindowFlags(flags);
    native->setFlags(flags);
    return;
  }
  // Nothing in the window system yet: the hint goes with the first show.
  QPoint position = frame.pos();
  frame.setWindowFlags(flags);
  frame.move(position);
}

// Width and height the window manager adds around a top-level widget.
QSize FrameExtra(QWidget* frame) {
  QRect outer = frame->frameGeometry();
  return QSize(outer.width() - frame->width(), outer.height() - frame->height());
}

}  // namespace

bool MoveWindow(UiWindow window, int x, int y, int width, int height, bool repaint) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame) return false;
  if (record->kind == WindowKind::Dialog) {
    QSize extra = FrameExtra(record->frame);
    record->frame->move(x, y);
    ui_detail::SizeFrame(*record, std::max(0, width - extra.width()), std::max(0, height - extra.height()));
  } else {
    record->frame->setGeometry(x, y, std::max(0, width), std::max(0, height));
  }
  if (repaint) record->frame->update();
  return true;
}

bool SetWindowPos(UiWindow window, ZOrder order, int x, int y, int width, int height, unsigned int flags) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame) return false;
  if ((flags & SWP_NOMOVE) == 0 || (flags & SWP_NOSIZE) == 0) {
    Rect current;
    GetWindowRect(window, current);
    if (record->kind != WindowKind::Dialog) {
      QRect geometry = record->frame->geometry();
      current = Rect{geometry.left(), geometry.top(), geometry.left() + geometry.width(), geometry.top() + geometry.height()};
    }
    int newX = (flags & SWP_NOMOVE) ? current.left : x;
    int newY = (flags & SWP_NOMOVE) ? current.top : y;
    int newWidth = (flags & SWP_NOSIZE) ? current.Width() : width;
    int newHeight = (flags & SWP_NOSIZE) ? current.Height() : height;
    MoveWindow(window, newX, newY, newWidth, newHeight, (flags & SWP_NOREDRAW) == 0);
  }
  if ((flags & SWP_NOZORDER) == 0 && record->kind == WindowKind::Dialog && order != ZOrder::Unchanged) {
    bool topMost = order == ZOrder::TopMost || (order == ZOrder::Top && record->topMost);
    if (topMost != record->topMost) {
      SetStaysOnTop(*record->frame, topMost);
      record->topMost = topMost;
    }
    record->frame->raise();
  }
  if (flags & SWP_SHOWWINDOW) record->frame->show();
  return true;
}

bool KeepWindowPlaced(UiWindow window, std::function<Point(int width, int height)> place) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame || record->kind != WindowKind::Dialog || !place) return false;
  record->placement = std::move(place);
  ui_detail::ApplyPlacement(*record);
  return true;
}

bool GetWindowRect(UiWindow window, Rect& rect) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame) return false;
  if (record->kind == WindowKind::Dialog) {
    QRect outer = record->frame->frameGeometry();
    rect = Rect{outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()};
  } else {
    QPoint origin = record->frame->mapToGlobal(QPoint(0, 0));
    rect = Rect{origin.x(), origin.y(), origin.x() + record->frame->width(), origin.y() + record->frame->height()};
  }
  return true;
}

bool GetClientRect(UiWindow window, Rect& rect) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->client) return false;
  rect = Rect{0, 0, record->client->width(), record->client->height()};
  return true;
}

bool ScreenToClient(UiWindow window, Point& point) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->client) return false;
  QPoint mapped = record->client->mapFromGlobal(QPoint(point.x, point.y));
  point = Point{mapped.x(), mapped.y()};
  return true;
}

bool InvalidateRect(UiWindow window, const Rect* rect, bool erase) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->client) return false;
  QRect area = rect != nullptr ? ToQRect(*rect) : record->client->rect();
  record->pendingUpdate += area;
  record->pendingErase = record->pendingErase || erase;
  record->client->update(area);
  return true;
}

bool UpdateWindow(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->client) return false;
  if (!record->pendingUpdate.isEmpty() && record->client->isVisible()) {
    QRegion region = record->pendingUpdate;
    record->client->repaint(region);
  }
  return true;
}

bool RedrawWindow(UiWindow window, const Rect* rect, unsigned int flags) {
  if (!IsWindow(window)) return false;
  if (flags & RDW_INVALIDATE) InvalidateRect(window, rect, (flags & RDW_ERASE) != 0);
  if (flags & RDW_UPDATENOW) UpdateWindow(window);
  return true;
}

DcHandle BeginPaint(UiWindow window, PaintStruct& paint) {
  paint = PaintStruct();
  ui_detail::WindowRecord* record = ui_detail::FindRecord(window);
  if (record == nullptr || !record->client) return nullptr;
  DeviceContext* dc = ui_detail::NewContext();
  dc->window = true;
  dc->width = record->client->width();
  dc->height = record->client->height();
  if (record->paintEvent != nullptr) {
    dc->painter = std::make_unique<QPainter>(record->client.data());
    dc->painter->setRenderHint(QPainter::Antialiasing, false);
    QRect bounds = record->paintEvent->region().boundingRect();
    paint.paint = Rect{bounds.left(), bounds.top(), bounds.left() + bounds.width(), bounds.top() + bounds.height()};
  }
  paint.dc = dc;
  if (record->pendingErase) {
    record->pendingErase = false;
    paint.erase = SendMessage(window, WM_ERASEBKGND, reinterpret_cast<WParam>(dc), 0) == 0;
  }
  return dc;
}

bool EndPaint(UiWindow window, const PaintStruct& paint) {
  if (!ui_detail::IsLive(paint.dc) || !paint.dc->window) return false;
  if (ui_detail::WindowRecord* record = ui_detail::FindRecord(window)) record->pendingUpdate = QRegion();
  ui_detail::ForgetContext(paint.dc);
  return true;
}

UiWindow SetCapture(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->client) return UiWindow();
  UiWindow previous = captureWindow;
  if (previous && previous != window) ReleaseCapture();
  captureWindow = window;
  if (record->client->isVisible()) record->client->grabMouse();
  ui_detail::ApplyCursorTo(record->client);
  return previous;
}

bool ReleaseCapture() {
  UiWindow window = captureWindow;
  captureWindow = UiWindow();
  WindowRecord* record = FindRecord(window);
  if (record != nullptr && record->client) record->client->releaseMouse();
  return true;
}

UiWindow GetCapture() {
  if (captureWindow && !IsWindow(captureWindow)) captureWindow = UiWindow();
  return captureWindow;
}

CursorHandle LoadCursor(int cursorId) { return cursorId == IDC_ARROW || cursorId == IDC_HAND ? cursorId : 0; }

CursorHandle SetCursor(CursorHandle cursor) {
  if (cursor == 0) return ui_detail::CurrentCursor();
  return ui_detail::SwapCursor(cursor, GetCapture());
}

bool SetForegroundWindow(UiWindow window) {
  WindowRecord* record = FindRecord(ui_detail::TopLevelOf(window));
  if (record == nullptr || !record->frame) return false;
  record->frame->raise();
  record->frame->activateWindow();
  return true;
}

Rect GetWorkArea() {
  if (!ui_detail::StartToolkit() || QGuiApplication::primaryScreen() == nullptr) return Rect{0, 0, 800, 600};
  QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  return Rect{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

Rect GetScreenRect() {
  if (!ui_detail::StartToolkit() || QGuiApplication::primaryScreen() == nullptr) return Rect{0, 0, 800, 600};
  QRect area = QGuiApplication::primaryScreen()->geometry();
  return Rect{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

}  // namespace platform
