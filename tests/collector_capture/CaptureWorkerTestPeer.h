#pragma once
// Reaches the capture worker's private receive loop, so a savefile can be fed through
// the same code as a live adapter: used by the capture tests, the benchmarks and the
// frame fuzzer.
#include <pcap/pcap.h>

#include "collector/CaptureWorker.h"

namespace Velunor::Quillon {

class CaptureWorkerTestPeer {
 public:
  static void ReceiveLoop(CaptureWorker& worker, pcap_t* handle) { worker.ReceiveLoop(handle); }
};

}  // namespace Velunor::Quillon
