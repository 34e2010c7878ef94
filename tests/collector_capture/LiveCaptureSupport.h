#pragma once
// Waiting for live capture: the workers read their rings only every read timeout, so a
// test waits for counts to arrive instead of assuming they are there.
#include <chrono>
#include <functional>
#include <thread>

#include "collector/NicManager.h"
#include "tests/collector_capture/CaptureTestSupport.h"

namespace capture_test {

// The read timeout the live tests give their workers: short, so stops are quick.
constexpr int kLiveReadTimeoutMs = 200;
// Long enough for every frame already captured to have been read and counted.
constexpr auto kSettleTime = std::chrono::milliseconds(1500);

// Collects until done says the total is complete (or ten seconds passed), then waits
// once more so that any frame beyond the expected ones shows up too.
inline TrafficCounts CollectUntil(Velunor::Quillon::CNicManager& manager, const std::function<bool(const TrafficCounts&)>& done) {
  TrafficCounts total;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done(total) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    total += manager.CollectCounts();
  }
  std::this_thread::sleep_for(kSettleTime);
  total += manager.CollectCounts();
  return total;
}

// Sends probes through sendProbe until seen says a worker counted one, then lets the
// rings settle and drops what was counted: from then on the workers are known to capture.
inline bool WarmUp(const std::function<void()>& sendProbe, const std::function<bool()>& seen,
                   const std::function<void()>& discard) {
  bool captured = false;
  for (int attempt = 0; attempt < 100 && !captured; ++attempt) {
    sendProbe();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    captured = seen();
  }
  std::this_thread::sleep_for(kSettleTime);
  discard();
  return captured;
}

}  // namespace capture_test
