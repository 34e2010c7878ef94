// The collector's capture in the current network namespace for a while: the adapter
// manager's workers, at the priorities the service gives them, and at the end the counts
// added to summarydata.xml through the collector's own writer, as the service's stop
// does (below $CORVANE_ROOT when that is set). Prints what the workers counted, what the
// capture library dropped and the CPU time of the whole process once the workers have
// opened their adapters. Run by
// bench/capture_live.sh inside a namespace of its own; CAPTURE_SECONDS and
// CAPTURE_BUFFER_MB set the duration and the buffer.
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "bench/CaptureBenchSupport.h"
#include "collector/NicManager.h"
#include "collector/SummaryFile.h"
#include "platform/service/Priority.h"

using capture_bench::ProcessCpuSeconds;
using Velunor::Quillon::CNicManager;
using Velunor::Quillon::CSummaryFile;
using Velunor::Quillon::IpFilterHeader;
using Velunor::Quillon::TrafficCounts;

// One iteration: the benchmark library only supplies the program's entry point here.
static void LiveCapture(benchmark::State& state) {
  const capture_bench::LiveRun run = capture_bench::LiveRunFromEnvironment();
  // As the service host does; the capture threads then raise themselves above it.
  platform::SetProcessPriorityClass(platform::kAboveNormalPriorityClass);
  for (auto _ : state) {
    IpFilterHeader filter;
    CNicManager manager(run.bufferMB, 1000, filter);
    manager.WatchNics();
    // CPU time counts from the moment every worker has opened its adapter: the kernel
    // zeroes the whole ring at the open, once, and on a virtual machine how long that
    // takes depends on whether the host has backed those pages yet, which would swamp
    // the per-GB figure of a short run. The bare loop counts from the same point.
    const auto openDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (const auto& worker : manager.GetWorkers()) {
      while (worker->GetState() == Velunor::Quillon::CaptureWorker::State::kStarting &&
             std::chrono::steady_clock::now() < openDeadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    const double cpuBefore = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(run.seconds));
    TrafficCounts counts;
    std::uint64_t captured = 0;
    std::uint64_t dropped = 0;
    for (const auto& worker : manager.GetWorkers()) worker->SetStopFlag(1);
    for (const auto& worker : manager.GetWorkers()) {
      worker->Stop();
      counts += worker->TakeCounts();
      pcap_stat statistics{};
      if (worker->GetCaptureStatistics(statistics)) {
        captured += statistics.ps_recv;
        dropped += statistics.ps_drop;
      }
    }
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const bool written = CSummaryFile().WriteInterval(counts);
    const std::uint64_t counted = counts.Total();
    std::printf("workers=%zu counted_bytes=%llu pcap_received=%llu pcap_dropped=%llu cpu_seconds=%.3f "
                "summary_written=%d summary=%s\n",
                manager.GetWorkers().size(), static_cast<unsigned long long>(counted),
                static_cast<unsigned long long>(captured), static_cast<unsigned long long>(dropped), cpu,
                written ? 1 : 0, CSummaryFile().GetNativePath().c_str());
    std::fflush(stdout);
  }
}
BENCHMARK(LiveCapture)->Iterations(1)->Unit(benchmark::kSecond);
