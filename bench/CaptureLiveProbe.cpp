// Captures with the adapter manager in the current network namespace for a while and
// prints what the workers counted, what the capture library dropped, and the CPU time
// used. Run by bench/capture_live.sh inside a namespace of its own;
// CAPTURE_SECONDS and CAPTURE_BUFFER_MB set the duration and the buffer.
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "collector/NicManager.h"

using Velunor::Quillon::CNicManager;
using Velunor::Quillon::IpFilterHeader;

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

// One iteration: the benchmark library only supplies the program's entry point here.
static void LiveCapture(benchmark::State& state) {
  const char* secondsText = std::getenv("CAPTURE_SECONDS");
  const char* bufferText = std::getenv("CAPTURE_BUFFER_MB");
  const int seconds = secondsText != nullptr ? std::atoi(secondsText) : 10;
  const int bufferMB = bufferText != nullptr ? std::atoi(bufferText) : 64;
  for (auto _ : state) {
    IpFilterHeader filter;
    CNicManager manager(bufferMB, 1000, filter);
    const double cpuBefore = CpuSeconds();
    manager.WatchNics();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::uint64_t counted = 0;
    std::uint64_t received = 0;
    std::uint64_t dropped = 0;
    for (const auto& worker : manager.GetWorkers()) {
      worker->Stop();
      std::uint64_t sent = 0, in = 0, unknown = 0;
      worker->TakeCounts(sent, in, unknown);
      counted += sent + in + unknown;
      pcap_stat statistics{};
      if (worker->GetCaptureStatistics(statistics)) {
        received += statistics.ps_recv;
        dropped += statistics.ps_drop;
      }
    }
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf("workers=%zu counted_bytes=%llu pcap_received=%llu pcap_dropped=%llu cpu_seconds=%.3f "
                "cpu_seconds_per_GB=%.3f\n",
                manager.GetWorkers().size(), static_cast<unsigned long long>(counted),
                static_cast<unsigned long long>(received), static_cast<unsigned long long>(dropped), cpu,
                counted > 0 ? cpu / (static_cast<double>(counted) / 1e9) : 0.0);
    std::fflush(stdout);
  }
}
BENCHMARK(LiveCapture)->Iterations(1)->Unit(benchmark::kSecond);
