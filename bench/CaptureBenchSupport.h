#pragma once
// What the capture benchmarks share: the callback of the bare loops, which only sums
// wire lengths, the CPU time of the process, and the settings of a live run.
#include <pcap/pcap.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>

namespace capture_bench {

// user points to the std::uint64_t sum.
inline void SumWireLength(u_char* user, const pcap_pkthdr* header, const u_char*) {
  *reinterpret_cast<std::uint64_t*>(user) += header->len;
}

// User and system time of the whole process, in seconds.
inline double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A live run's duration and capture buffer, from CAPTURE_SECONDS and CAPTURE_BUFFER_MB.
struct LiveRun {
  int seconds = 10;
  int bufferMB = 64;
};

inline LiveRun LiveRunFromEnvironment() {
  LiveRun run;
  if (const char* seconds = std::getenv("CAPTURE_SECONDS")) run.seconds = std::atoi(seconds);
  if (const char* buffer = std::getenv("CAPTURE_BUFFER_MB")) run.bufferMB = std::atoi(buffer);
  return run;
}

}  // namespace capture_bench
