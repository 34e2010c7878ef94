#pragma once
// Inside the UI layer only: the desktop's window system on X11. Other programs' windows
// come from the window manager (_NET_CLIENT_LIST_STACKING or _NET_CLIENT_LIST) or, with
// no window manager, from the mapped children of the root window; titles from
// _NET_WM_NAME (else WM_NAME), processes from _NET_WM_PID. The tray host is the owner of
// the _NET_SYSTEM_TRAY_S<screen> selection; the icons it docks are child windows of its
// panel. Not for program code.
#include <QByteArray>

#include <memory>

#include "platform/ui/display/X11Connection.h"
#include "platform/ui/windowsystem/DesktopWindowSystem.h"

namespace platform::ui_detail {

std::unique_ptr<DesktopWindowSystem> MakeX11WindowSystem(X11Connection connection);

// True for an event of the toolkit's X11 connection that says the window manager has
// framed one of this program's windows anew (its _NET_FRAME_EXTENTS changed); false
// for every other event and on every other platform.
bool IsFrameExtentsChange(const QByteArray& eventType, const void* message);

}  // namespace platform::ui_detail
