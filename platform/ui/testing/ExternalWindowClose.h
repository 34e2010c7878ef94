#pragma once
// Asking a top-level window of any program to close, as its title bar's close button
// does: this program's own windows get WM_CLOSE; another program's X11 window gets the
// window manager's WM_DELETE_WINDOW request, which the program answers as it likes.
#include "platform/ui/desktop/ExternalWindows.h"

namespace platform {

// True when the request was sent (not that the window has gone).
bool RequestWindowClose(const TopLevelWindow& window);

}  // namespace platform
