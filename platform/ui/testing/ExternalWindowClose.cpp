#include "platform/ui/testing/ExternalWindowClose.h"

#include "platform/ui/windowsystem/OpenWindowSystem.h"

namespace platform {

bool RequestWindowClose(const TopLevelWindow& window) {
  if (window.own) return PostMessage(window.own, WM_CLOSE);
  if (window.x11Window == 0) return false;
  return ui_detail::OpenDesktopWindowSystem(ui_detail::WindowsOf::OtherPrograms)->RequestClose(window.x11Window);
}

}  // namespace platform
