#include "platform/ui/desktop/NotificationArea.h"

#include "platform/ui/desktop/TrayHost.h"
#include "platform/ui/windows/MessagePump.h"
#include "platform/ui/windowsystem/OpenWindowSystem.h"

namespace platform {

namespace {

// The notification area is where this program's icons dock, so it is looked for on the
// display the toolkit draws on.
std::unique_ptr<ui_detail::DesktopWindowSystem> OwnDesktop() {
  return ui_detail::OpenDesktopWindowSystem(ui_detail::WindowsOf::ThisProgram);
}

}  // namespace

bool GetNotificationAreaRect(Rect& rect) {
  return ui_detail::EnsureUi() && OwnDesktop()->NotificationAreaRect(ui_detail::NotifyIconWindows(), rect);
}

namespace ui_detail {

std::uint64_t CurrentTrayHost() { return EnsureUi() ? OwnDesktop()->TrayHost() : 0; }

bool NativeScreenRect(std::uint64_t nativeWindow, Rect& rect) {
  return EnsureUi() && OwnDesktop()->ScreenRect(nativeWindow, rect);
}

bool IsDockedWindow(std::uint64_t nativeWindow) { return EnsureUi() && OwnDesktop()->IsDocked(nativeWindow); }

}  // namespace ui_detail

}  // namespace platform
