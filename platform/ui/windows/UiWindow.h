#pragma once
// Windows of the windowed programs: dialogs made from resource templates and their
// child controls, with the message numbers, flags and ids the programs were written
// against. Qt stays behind this header.
//
// UI windows live on the thread that runs the UI (the first one that made a window).
// PostMessage may be called from any thread; everything else belongs to the UI thread.
// The collector's toolkit-free hidden windows (platform/service) are a different kind
// of window with their own handle type, so both sets of functions can be linked into
// one program.
#include <functional>
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Geometry.h"
#include "platform/ui/windows/WindowHandle.h"

namespace platform {

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_SHOWDEFAULT = 10;

// SetWindowPos: placement in the Z order and flags.
enum class ZOrder { Unchanged, Top, TopMost, NoTopMost };
inline constexpr unsigned int SWP_NOSIZE = 0x0001;
inline constexpr unsigned int SWP_NOMOVE = 0x0002;
inline constexpr unsigned int SWP_NOZORDER = 0x0004;
inline constexpr unsigned int SWP_NOREDRAW = 0x0008;
inline constexpr unsigned int SWP_NOACTIVATE = 0x0010;
inline constexpr unsigned int SWP_SHOWWINDOW = 0x0040;

// RedrawWindow flags.
inline constexpr unsigned int RDW_INVALIDATE = 0x0001;
inline constexpr unsigned int RDW_ERASE = 0x0004;
inline constexpr unsigned int RDW_UPDATENOW = 0x0100;

// Sends to the window's procedure (and its dialog's default handling) and returns the
// result; 0 for an invalid window. From another thread it waits for the UI thread.
LResult SendMessage(UiWindow window, unsigned int message, WParam wParam = 0, LParam lParam = 0);
// Queues the message for the UI thread's loop; safe from any thread. WM_QUIT posted
// to a window ends the loop with wParam. False for an invalid window.
bool PostMessage(UiWindow window, unsigned int message, WParam wParam = 0, LParam lParam = 0);

// Sends WM_DESTROY, then removes the window, its children and its toolkit widgets.
bool DestroyWindow(UiWindow window);
bool IsWindow(UiWindow window);
UiWindow GetDlgItem(UiWindow dialog, int controlId);

bool SetWindowText(UiWindow window, const std::wstring& text);
// Returns whether the window was disabled before.
bool EnableWindow(UiWindow window, bool enable);
bool IsWindowEnabled(UiWindow window);
bool ShowWindow(UiWindow window, int showCommand);

// Top-level windows: position and size of the whole window in screen coordinates
// (frame and menu bar included). Children: relative to the parent's client area.
bool MoveWindow(UiWindow window, int x, int y, int width, int height, bool repaint);
// ZOrder::TopMost and NoTopMost change a top-level window's stacking whether it is shown
// yet or not; a shown window stays as it is on the screen meanwhile.
bool SetWindowPos(UiWindow window, ZOrder order, int x, int y, int width, int height, unsigned int flags);
bool GetWindowRect(UiWindow window, Rect& rect);   // screen coordinates
// Places a top-level window by its whole outer size, the window manager's frame
// included: place gets the outer width and height and gives the outer top-left corner.
// A window manager frames a window only after it is shown and says how thick the frame
// is later still, so the rule is kept: the window is placed now with the frame known so
// far (none before the first show) and again whenever its frame changes.
bool KeepWindowPlaced(UiWindow window, std::function<Point(int width, int height)> place);
bool GetClientRect(UiWindow window, Rect& rect);   // left and top are 0
bool ScreenToClient(UiWindow window, Point& point);

// Adds the rectangle (null: the whole client area) to the region waiting to be painted.
// erase asks for WM_ERASEBKGND before the next WM_PAINT.
bool InvalidateRect(UiWindow window, const Rect* rect, bool erase);
// Paints the waiting region now, if there is one.
bool UpdateWindow(UiWindow window);
bool RedrawWindow(UiWindow window, const Rect* rect, unsigned int flags);

struct PaintStruct {
  DcHandle dc = nullptr;
  bool erase = false;  // true when the background was not erased by WM_ERASEBKGND
  Rect paint;          // bounds of the region being painted
};

// Window painting, between the two calls only (inside WM_PAINT).
DcHandle BeginPaint(UiWindow window, PaintStruct& paint);
bool EndPaint(UiWindow window, const PaintStruct& paint);

// Mouse capture: all mouse messages of the program go to this window until released.
UiWindow SetCapture(UiWindow window);
bool ReleaseCapture();
UiWindow GetCapture();

// Cursors: LoadCursor gives a handle for IDC_ARROW or IDC_HAND (0 for other ids);
// SetCursor shows it over the window that has the mouse (or the capture) and returns
// the previous one.
CursorHandle LoadCursor(int cursorId);
CursorHandle SetCursor(CursorHandle cursor);

// Brings one of this program's windows to the front and activates it.
bool SetForegroundWindow(UiWindow window);

// The primary screen's area without panels and docks, in screen coordinates.
Rect GetWorkArea();
Rect GetScreenRect();

}  // namespace platform
