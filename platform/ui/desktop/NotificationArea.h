#pragma once
// Where the desktop's notification area (the system tray) is. On X11 the tray host is
// the owner of the _NET_SYSTEM_TRAY_S<screen> selection; the icons it docks are child
// windows of its panel.
#include "platform/ui/windows/UiWindow.h"

namespace platform {

// The screen rectangle of the tray host's panel: the top-level window that holds this
// program's docked notification icon, else the selection owner's own top-level window
// when that one is mapped. False (rect untouched) without an X11 display, without a tray
// host, or when the host shows nothing to place against.
bool GetNotificationAreaRect(Rect& rect);

}  // namespace platform
