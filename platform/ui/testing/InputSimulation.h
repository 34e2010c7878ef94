#pragma once
// Input for tests: mouse and key events made as the toolkit would deliver them from
// the screen, so they take the same road as a user's (child controls, capture,
// activation, message filters).
#include <string>

#include "platform/ui/windows/UiWindow.h"

namespace platform {

// message: WM_MOUSEMOVE, WM_LBUTTONDOWN/UP/DBLCLK, WM_RBUTTONDOWN/UP, WM_MBUTTONDOWN/UP.
// x and y are client coordinates of the window (may be negative or beyond its size);
// keyFlags are the MK_ flags held while the event happens. The event goes to the
// capture window when one is set, else to the control under the point, else the window.
bool SimulateMouse(UiWindow window, unsigned int message, int x, int y, unsigned int keyFlags);
// A key press and release (VK_ESCAPE, VK_RETURN, VK_TAB, VK_SPACE) to the window with
// the keyboard focus in the given top-level window.
bool SimulateKey(UiWindow window, unsigned int virtualKey);
// Runs a menu bar command of the window as a click on the item would; false when the
// window's menu has no such item.
bool TriggerMenuCommand(UiWindow window, int commandId);
// Menu texts for tests: the popup's text and the item's, empty when not there.
std::wstring GetMenuItemText(UiWindow window, int commandId);
std::wstring GetMenuPopupText(UiWindow window, int popupIndex);
// A click on the docked notification icon as the toolkit delivers it from the screen.
// message: WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN or WM_LBUTTONDBLCLK. False when
// the icon is not shown.
bool SimulateNotifyIconClick(UiWindow window, unsigned int id, unsigned int message);
// Moves the pointer (on X11 a real pointer warp); false when there is no screen.
bool SetCursorPos(int x, int y);

}  // namespace platform
