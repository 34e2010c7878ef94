#pragma once
// The mouse pointer's place on the screen.
#include "platform/ui/windows/UiWindow.h"

namespace platform {

// Screen coordinates of the pointer; false when there is no screen.
bool GetCursorPos(Point& point);

}  // namespace platform
