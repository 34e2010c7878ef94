#pragma once
// Inside the UI layer only: the desktop's window system for a call, the X11 backend or
// the null one. Not for program code.
#include <memory>

#include "platform/ui/windowsystem/DesktopWindowSystem.h"

namespace platform::ui_detail {

// Whose windows a call is about. Other programs' windows are seen over a connection of
// the layer's own to DISPLAY: from any thread, before the toolkit starts and whatever
// platform it draws on. This program's own windows and icons are seen over the toolkit's
// connection, and only while it draws on X11.
enum class WindowsOf { OtherPrograms, ThisProgram };

// The X11 backend when that connection is there, else the null one. Chosen afresh for
// each call: DISPLAY and the toolkit's platform may change while a process runs.
std::unique_ptr<DesktopWindowSystem> OpenDesktopWindowSystem(WindowsOf whose);

}  // namespace platform::ui_detail
