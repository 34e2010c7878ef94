#pragma once
// For tests: what a UI window is as the user would see it (its text, visibility,
// stacking, place on the screen, parent and id), and which window is active.
#include <string>

#include "platform/ui/windows/UiWindow.h"

namespace platform {

int GetDlgCtrlID(UiWindow window);
UiWindow GetParent(UiWindow window);
// A dialog's caption, a control's text.
std::wstring GetWindowText(UiWindow window);
bool IsWindowVisible(UiWindow window);
bool IsTopMost(UiWindow window);
bool ClientToScreen(UiWindow window, Point& point);
UiWindow GetActiveWindow();
// The cursor SetCursor chose last.
CursorHandle GetCursor();

}  // namespace platform
