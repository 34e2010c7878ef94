#pragma once
// The mouse pointer's place on the screen.
#include "platform/ui/UiWindow.h"

namespace platform {

// Screen coordinates of the pointer; false when there is no screen.
bool GetCursorPos(Point& point);
// Moves the pointer (on X11 a real pointer warp); false when there is no screen.
bool SetCursorPos(int x, int y);

}  // namespace platform
