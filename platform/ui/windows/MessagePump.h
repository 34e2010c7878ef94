#pragma once
// Inside the UI layer only: the toolkit's start on the UI thread and the road every
// message takes there (posted messages, key presses, clicks that activate, idle time).
// Not for program code.
#include <QEventLoop>
#include <QObject>

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/windows/UiWindow.h"

namespace platform::ui_detail {

// True when the toolkit can start: a platform other than X11 was chosen, or DISPLAY
// names an X server that takes a connection. Else false with the reason.
bool DisplayAvailable(std::string& reason);
// Starts the toolkit if needed; false when it cannot run on this thread or there is no
// display to run on.
bool EnsureUi();

// Input and posted messages: the loop's filters, the modal dialog's keyboard handling,
// then Dispatch. True when something used the message up (filter or handler).
bool RouteMessage(UiMessage& message);

// Modal runs, innermost last.
std::vector<UiWindow>& ModalStack();
// Loops running MessageLoop::Run, innermost last.
std::vector<QEventLoop*>& RunningLoops();

QObject* Pump();
void PostToPump(const UiMessage& message);
void WakeForIdle();
// A WM_QUIT that arrived while no loop ran.
std::optional<int> TakePendingQuit();

}  // namespace platform::ui_detail
