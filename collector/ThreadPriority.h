#pragma once
// Raises the calling thread to the highest scheduling priority this process may set.

namespace Velunor::Quillon {

// Lowers the calling thread's nice value as far as the process is allowed (to -20 with
// the capability to raise priorities, else to the RLIMIT_NICE bound). A thread that may
// not be raised keeps its priority: that is not an error. True when it was raised.
bool RaiseCurrentThreadPriority();

}  // namespace Velunor::Quillon
