// The floor under the collector's capture: one adapter opened as a capture worker opens
// it (snapshot length, the filter that takes every frame, the buffer share, the read
// timeout, no promiscuous mode), read with pcap_dispatch by a callback that only sums
// wire lengths, at the priority of a capture thread, stopped and read on for one read
// timeout the way a worker is. Prints the sum, the library's drops and the CPU time of
// the process from the open on. Run by bench/capture_live.sh beside the collector's probe and tcpdump:
//
//   capture_bare_loop <device>     (CAPTURE_SECONDS, CAPTURE_BUFFER_MB as for the probe)
#include <pcap/pcap.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "bench/CaptureBenchSupport.h"
#include "collector/CaptureWorker.h"
#include "platform/service/Priority.h"

using capture_bench::ProcessCpuSeconds;
using capture_bench::SumWireLength;
using Velunor::Quillon::CaptureWorker;

namespace {

// The collector's read timeout.
constexpr int kReadTimeoutMs = 1000;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <device>\n", argv[0]);
    return 2;
  }
  const capture_bench::LiveRun run = capture_bench::LiveRunFromEnvironment();
  platform::SetProcessPriorityClass(platform::kAboveNormalPriorityClass);
  platform::SetCurrentThreadPriority(platform::kThreadPriorityHighest);

  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* handle = pcap_create(argv[1], error);
  if (handle == nullptr) {
    std::fprintf(stderr, "pcap_create: %s\n", error);
    return 1;
  }
  pcap_set_snaplen(handle, CaptureWorker::kSnapshotLength);
  pcap_set_promisc(handle, 0);
  pcap_set_timeout(handle, kReadTimeoutMs);
  pcap_set_buffer_size(handle, CaptureWorker::BufferBytes(run.bufferMB));
  if (pcap_activate(handle) < 0) {
    std::fprintf(stderr, "pcap_activate: %s\n", pcap_geterr(handle));
    pcap_close(handle);
    return 1;
  }
  bpf_program everyFrame{};
  if (pcap_compile(handle, &everyFrame, "", 1, PCAP_NETMASK_UNKNOWN) != 0 || pcap_setfilter(handle, &everyFrame) != 0) {
    std::fprintf(stderr, "filter: %s\n", pcap_geterr(handle));
  }
  pcap_freecode(&everyFrame);
  // From here on, as the probe counts once its workers have opened their adapters.
  const double cpuBefore = ProcessCpuSeconds();

  std::atomic<bool> stop{false};
  std::thread timer([&] {
    std::this_thread::sleep_for(std::chrono::seconds(run.seconds));
    stop = true;
    pcap_breakloop(handle);
  });
  std::uint64_t sum = 0;
  auto* user = reinterpret_cast<u_char*>(&sum);
  while (!stop) {
    const int read = pcap_dispatch(handle, -1, SumWireLength, user);
    if (read < 0) break;
    if (read == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  timer.join();
  // As a stopped worker does: what the ring hands over within one read timeout counts.
  if (pcap_setnonblock(handle, 1, error) == 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs + 250);
    while (std::chrono::steady_clock::now() < deadline) {
      const int read = pcap_dispatch(handle, -1, SumWireLength, user);
      if (read == PCAP_ERROR) break;
      if (read <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  pcap_stat statistics{};
  pcap_stats(handle, &statistics);
  pcap_close(handle);
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  std::printf("counted_bytes=%llu pcap_received=%u pcap_dropped=%u cpu_seconds=%.3f\n",
              static_cast<unsigned long long>(sum), statistics.ps_recv, statistics.ps_drop, cpu);
  return 0;
}
