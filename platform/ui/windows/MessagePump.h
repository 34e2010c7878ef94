#pragma once
// Inside the UI layer only: the pump on the UI thread and the road every message takes
// there (posted messages, key presses, clicks that activate, idle time); SendMessage and
// PostMessage (UiWindow.h) go by it. Not for program code.
#include <QEventLoop>
#include <QObject>

#include <optional>
#include <vector>

#include "platform/ui/windows/WindowHandle.h"

namespace platform::ui_detail {

// Starts the toolkit if needed and the pump with it; false when the toolkit cannot run
// on this thread or there is no display to run on.
bool EnsureUi();

// Input and posted messages: the loop's filters, the modal dialog's keyboard handling,
// then Dispatch. True when something used the message up (filter or handler).
bool RouteMessage(UiMessage& message);

// What the road asks of the MessageLoop that runs (or was made last): to note each
// message and run its filters, and to serve its idle handlers. The loop sets it.
class LoopHandlers {
 public:
  virtual void NoteMessage(unsigned int message) = 0;
  virtual bool RunFilters(UiMessage& message) = 0;
  virtual void RunIdleHandlers() = 0;

 protected:
  ~LoopHandlers() = default;
};
// Null when no loop exists.
void SetLoopHandlers(LoopHandlers* handlers);

// Loops running MessageLoop::Run, innermost last.
std::vector<QEventLoop*>& RunningLoops();

QObject* Pump();
void PostToPump(const UiMessage& message);
void WakeForIdle();
// A WM_QUIT that arrived while no loop ran.
std::optional<int> TakePendingQuit();

}  // namespace platform::ui_detail
