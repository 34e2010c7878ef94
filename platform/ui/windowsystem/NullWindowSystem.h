#pragma once
// Inside the UI layer only: the desktop's window system where there is no X11 display:
// no other program's window is seen, and the notification area is only what the
// toolkit reports. Not for program code.
#include <memory>

#include "platform/ui/windowsystem/DesktopWindowSystem.h"

namespace platform::ui_detail {

std::unique_ptr<DesktopWindowSystem> MakeNullWindowSystem();

}  // namespace platform::ui_detail
