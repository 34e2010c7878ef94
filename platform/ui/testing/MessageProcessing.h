#pragma once
// For tests and benchmarks: the UI thread's waiting messages served without a loop.

namespace platform {

// Serves the messages waiting now, without blocking.
void ProcessPendingMessages();

}  // namespace platform
