#pragma once
// Where the service host meets the collector's work: the Run thread and its stop.
// The worker library (collector_worker) defines these.
#include <memory>

#include <boost/thread/thread.hpp>

namespace Velunor::Quillon {

// The body of the Run thread: everything the collector does outside the capture
// threads, in one message loop.
void Run();

// Ends the Run thread; returns when it has ended, or at once when there is nothing to
// end. Only on the service main thread.
void StopRunThread();

// The Run thread, null when none was started; set by StartRunThread, cleared by
// StopRunThread after the join. Only the service main thread touches it.
extern std::unique_ptr<boost::thread> s_runThread;

}  // namespace Velunor::Quillon
