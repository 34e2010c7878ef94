#pragma once
// Inside the UI layer only: what the notification icons and the notification-area
// lookup share about the tray host. Not for program code.
#include <cstdint>
#include <vector>

#include "platform/ui/windows/UiWindow.h"

class QSystemTrayIcon;
class QWidget;

namespace platform::ui_detail {

// Names the current tray host: its selection owner window on X11, elsewhere 1 while the
// toolkit reports a tray; 0 when there is none.
std::uint64_t CurrentTrayHost();
// True when the native window has been taken in by a tray host (it is no longer a
// child of the root window).
bool IsDockedWindow(std::uint64_t nativeWindow);
// The native window's place on the screen; false when it has gone.
bool NativeScreenRect(std::uint64_t nativeWindow, Rect& rect);
// The native windows of this program's notification icons that exist now.
std::vector<std::uint64_t> NotifyIconWindows();
// The toolkit's tray icon behind the window's notification icon; null when there is none.
QSystemTrayIcon* FindNotifyIcon(UiWindow window, unsigned int id);
// The toolkit's window that shows the icon; null while the icon is not shown.
QWidget* NotifyIconWidget(UiWindow window, unsigned int id);

}  // namespace platform::ui_detail
