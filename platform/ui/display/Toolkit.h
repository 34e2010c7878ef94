#pragma once
// Inside the UI layer only: the toolkit's start. On X11 the toolkit aborts the process
// when it cannot reach the display, so the display is looked at first. Drawing needs the
// toolkit as much as windows do. Not for program code.
#include <string>

namespace platform::ui_detail {

// True when the toolkit can start: a platform other than X11 was chosen, or DISPLAY
// names an X server that takes a connection. Else false with the reason.
bool DisplayAvailable(std::string& reason);
// Starts the toolkit if nothing has yet (the calling thread becomes the UI thread);
// false when it cannot run on this thread or there is no display to run on.
bool StartToolkit();

}  // namespace platform::ui_detail
