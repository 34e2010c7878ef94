#pragma once
// For tests: the notification icons as the desktop shows them, and whether a tray host
// runs at all.
#include <string>

#include "platform/ui/windows/UiWindow.h"

namespace platform {

// Whether a tray host has docked the icon and shows it.
bool IsNotifyIconShown(UiWindow window, unsigned int id);
// The tool tip of an existing icon (empty when there is none).
std::wstring GetNotifyIconTip(UiWindow window, unsigned int id);
// True when a tray host owns the selection on the default screen.
bool IsNotificationAreaAvailable();

}  // namespace platform
