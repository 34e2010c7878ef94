#pragma once
// The line-item update: CorvaneReckoner "-fd" runs on a worker thread of its own, and
// while it shows a window the main window only brings that window to the front.
#include <atomic>
#include <cstdint>

#include "platform/ui/windows/UiWindow.h"

namespace Velunor::Quillon::Ui {

// Posted (0, 0) to LineUpdateWindow when CorvaneReckoner "-fd" ended with 0.
inline constexpr unsigned int WM_LINE_UPDATED = platform::WM_USER + 100;

// Process id of the running CorvaneReckoner "-fd"; 0 when none. Written by the worker,
// read by the UI thread.
extern std::atomic<std::uint32_t> ReckonerProcessId;
// True from the start of an update until its worker has finished.
extern std::atomic<bool> LineUpdateRunning;
// Where the worker posts WM_LINE_UPDATED; set by the UI thread before it starts one.
extern std::atomic<std::uint64_t> LineUpdateWindow;

// The worker: runs LineUpdateThread and posts WM_LINE_UPDATED when it returned 1.
void LineUpdateThreadProc();
// Runs CorvaneReckoner "-fd" and waits for it: 1 when it ended with 0, else 0.
int LineUpdateThread();

// 0 when no CorvaneReckoner "-fd" runs or it has no top-level window; else brings the
// window to the front and returns 1.
int ActivateReckonerWindow();

}  // namespace Velunor::Quillon::Ui
