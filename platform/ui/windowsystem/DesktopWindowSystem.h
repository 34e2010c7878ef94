#pragma once
// Inside the UI layer only: what the layer needs of the desktop's window system beyond
// the toolkit: other programs' top-level windows, what the window manager does with
// this program's windows, and the notification area this program's icons dock into. An
// X11 backend and a null one (no X11 display); OpenWindowSystem.h picks between them.
// Not for program code.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/drawing/Geometry.h"

class QWidget;
class QWindow;

namespace platform::ui_detail {

// Another program's top-level window.
struct OtherWindow {
  std::uint32_t x11Window = 0;
  std::uint32_t processId = 0;  // 0 when the window does not say
  std::wstring title;
};

// How far a window manager's frame reaches past a top-level window on each side.
struct FrameExtents {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

class DesktopWindowSystem {
 public:
  virtual ~DesktopWindowSystem() = default;

  // Other programs' visible top-level windows, topmost first; this process's own are left
  // out (the layer lists them from its own records).
  virtual std::vector<OtherWindow> OtherProgramsWindows() = 0;
  // Raises and activates another program's window (through the window manager when
  // there is one).
  virtual bool BringToFront(std::uint32_t window) = 0;
  // Asks another program's window to close, as its title bar's close button does; true
  // when the request was sent.
  virtual bool RequestClose(std::uint32_t window) = 0;
  // Makes a dialog's top-level widget transient for another program's window, so the
  // window manager keeps it above that window; externalOwner keeps the owner's window
  // for as long as the dialog has it.
  virtual bool SetTransientOwner(QWidget& frame, std::unique_ptr<QWindow>& externalOwner, std::uint32_t owner) = 0;
  // Has the window manager offer no resize, maximise or full screen for a dialog of a
  // fixed size, nor minimise unless its template has a minimise box, as its title bar
  // offers on the desktop it was made for. Called with the dialog's top-level widget
  // when its native window exists and before it is first mapped.
  virtual void OfferFixedSizeActions(QWidget* frame, bool minimise) = 0;
  // The frame the window manager has put around one of this program's top-level
  // windows; false while there is none (not framed yet, or no window manager).
  virtual bool GetFrameExtents(std::uint64_t nativeWindow, FrameExtents& extents) = 0;

  // Names the current tray host; 0 when there is none.
  virtual std::uint64_t TrayHost() = 0;
  // True when a tray host has taken the native window in.
  virtual bool IsDocked(std::uint64_t nativeWindow) = 0;
  // The native window's place on the screen; false when it has gone.
  virtual bool ScreenRect(std::uint64_t nativeWindow, Rect& rect) = 0;
  // The panel holding one of the docked icon windows, else the tray host's own panel.
  virtual bool NotificationAreaRect(const std::vector<std::uint64_t>& iconWindows, Rect& rect) = 0;
};

}  // namespace platform::ui_detail
