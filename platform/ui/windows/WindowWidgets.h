#pragma once
// Inside the UI layer only: the toolkit widgets that carry UI windows (a dialog's frame
// and client area, push buttons, static frames) and the mouse cursor shown over them.
// Not for program code.
#include <QPushButton>
#include <QWidget>

#include <cstdint>

#include "platform/ui/windows/WindowHandle.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform::ui_detail {

// The top-level widget: menu bar on top, client area below; close and activation
// become messages. A window kept placed by a rule is placed again when it is shown
// and when the window manager frames it anew.
class FrameWidget : public QWidget {
 public:
  FrameWidget() : QWidget(nullptr) {}
  void LayOut();
  int MenuHeight() const;

 protected:
  bool event(QEvent* event) override;
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
};

// The client area of a dialog: paint and mouse input become messages.
class ClientWidget : public QWidget {
 public:
  explicit ClientWidget(QWidget* parent);

 protected:
  bool event(QEvent* event) override;

 private:
  bool OnPaint(QPaintEvent* event);
  bool OnMouse(QMouseEvent* event);
};

// A push button whose text never runs past its edges: what does not fit ends in an
// ellipsis, so the start of the text (a mark in front of it, say) always shows.
class PushButtonWidget : public QPushButton {
 public:
  PushButtonWidget(const QString& text, QWidget* parent, bool alignLeft)
      : QPushButton(text, parent), alignLeft_(alignLeft) {}

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool alignLeft_;
};

// A static frame only draws its outline; what lies inside stays the parent's.
class StaticFrameWidget : public QWidget {
 public:
  StaticFrameWidget(QWidget* parent, std::uint32_t style);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::uint32_t style_;
};

// Gives a top-level window the size of its client area plus menu bar; a window of a
// fixed size keeps it against the user and the window manager.
void SizeFrame(WindowRecord& record, int width, int height);

// Places a top-level window by its placement rule, for its size with the window
// manager's frame as the window system knows it now; nothing without a rule.
void ApplyPlacement(WindowRecord& record);

// The cursor SetCursor chose, shown over the window that has the mouse (or the capture,
// when there is one).
void ApplyCursorTo(QWidget* widget);
CursorHandle SwapCursor(CursorHandle cursor, UiWindow capture);
CursorHandle CurrentCursor();

}  // namespace platform::ui_detail
