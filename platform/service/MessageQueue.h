#pragma once
// One message queue per thread, with windows that belong to the thread that made them.
//
// A thread gets its queue the first time it calls any function below. Messages come out
// of GetMessage and PeekMessage in this order: messages sent from other threads (handed
// straight to their window procedure, never returned), then posted messages in the order
// they were posted, then a quit request from PostQuitMessage, then due timers. Timer
// messages are made when they are fetched, so a slow loop sees one WM_TIMER per timer
// and not a backlog. When a thread ends, its windows and timers go away with its queue
// and a thread still waiting in SendMessage for it gets 0.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/service/WindowMessages.h"

namespace platform {

// Names a window. Handles are never reused: a handle whose window has gone is merely
// invalid, and posting to it fails.
class WindowHandle {
 public:
  constexpr WindowHandle() = default;
  constexpr explicit WindowHandle(std::uint64_t value) : value_(value) {}
  constexpr std::uint64_t Value() const { return value_; }
  constexpr explicit operator bool() const { return value_ != 0; }
  friend constexpr bool operator==(WindowHandle a, WindowHandle b) { return a.value_ == b.value_; }
  friend constexpr bool operator!=(WindowHandle a, WindowHandle b) { return a.value_ != b.value_; }

 private:
  std::uint64_t value_ = 0;
};

struct Message {
  WindowHandle window;  // null for a message posted to the thread itself
  unsigned int message = WM_NULL;
  WParam wParam = 0;
  LParam lParam = 0;
};

using WindowProcedure = std::function<LResult(WindowHandle window, unsigned int message, WParam wParam, LParam lParam)>;

// Makes a window on the calling thread's queue whose messages go to procedure. No
// message is sent here; HiddenWindow sends WM_CREATE itself.
WindowHandle CreateMessageWindow(WindowProcedure procedure);
// On the window's own thread: sends WM_DESTROY and WM_NCDESTROY, then removes the window
// and its timers. False for an invalid window or one of another thread.
bool DestroyWindow(WindowHandle window);
// Removes the window and its timers without sending it anything: for an owner that is
// being destroyed itself. Only on the window's own thread.
void DiscardWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

// Queues a message for the window's thread; a null window posts to the calling thread.
// False when the window is invalid.
bool PostMessage(WindowHandle window, unsigned int message, WParam wParam = 0, LParam lParam = 0);
// False when that thread has no queue (it never used one, or it has ended).
bool PostThreadMessage(long threadId, unsigned int message, WParam wParam = 0, LParam lParam = 0);
// Calls the window procedure and returns its result. For a window of another thread it
// waits until that thread has handled the message, serving messages sent to the calling
// thread meanwhile. 0 for an invalid window or when that thread ends first.
LResult SendMessage(WindowHandle window, unsigned int message, WParam wParam = 0, LParam lParam = 0);
// Asks the calling thread's loop to end: GetMessage gives WM_QUIT (wParam = exitCode)
// once the posted messages are through.
void PostQuitMessage(int exitCode);

// Waits for the next message for filterWindow (null: any window of this thread and the
// thread's own messages) in [filterMin, filterMax] (both 0: all; WM_QUIT always passes).
// 1 for a message, 0 for WM_QUIT, -1 when filterWindow is not a window of this thread.
int GetMessage(Message& message, WindowHandle filterWindow = WindowHandle(), unsigned int filterMin = 0,
               unsigned int filterMax = 0);
// GetMessage without waiting: false when nothing is there. With PM_NOREMOVE the message
// stays queued (and a due timer stays due).
bool PeekMessage(Message& message, WindowHandle filterWindow, unsigned int filterMin, unsigned int filterMax,
                 unsigned int removeFlags);
// Hands a fetched message to its window's procedure; 0 for thread messages and messages
// of windows that have gone.
LResult DispatchMessage(const Message& message);
// These queues carry no keyboard input, so there is never anything to translate.
bool TranslateMessage(const Message& message);

// Starts or restarts timer id of a window of the calling thread: WM_TIMER (wParam = id)
// every elapseMs milliseconds, at least 10 and at most 2^31 - 1. Nonzero on success, 0
// for an invalid window or one of another thread.
std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, unsigned int elapseMs);
bool KillTimer(WindowHandle window, std::uintptr_t id);
inline constexpr unsigned int kMinimumTimerMs = 10;
inline constexpr unsigned int kMaximumTimerMs = 0x7FFFFFFF;

// Timers follow the steady clock. While an object of this class lives, the timers of
// every thread follow a clock that stands still until Advance moves it, so tests check
// timer-driven work to the millisecond without waiting for it. One at a time.
class ManualTimerClock {
 public:
  ManualTimerClock();
  ~ManualTimerClock();
  ManualTimerClock(const ManualTimerClock&) = delete;
  ManualTimerClock& operator=(const ManualTimerClock&) = delete;

  // Moves the clock on; then waits until every other thread that has timers has served
  // what fell due (and whatever that posted) and waits in GetMessage again. False when
  // one has not done so within 30 seconds. The calling thread's own timers are due for
  // its next GetMessage or PeekMessage.
  bool Advance(std::chrono::milliseconds step);
  // Advance by nothing: waits until the threads with timers are idle.
  bool Settle() { return Advance(std::chrono::milliseconds(0)); }
};

// The message number for a name, the same for every caller in this process and every
// spelling of the name in upper or lower case; 0 for an empty name or when the range is
// used up.
unsigned int RegisterWindowMessage(const std::wstring& name);

}  // namespace platform
