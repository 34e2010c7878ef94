#pragma once
// How often a service may be started, as a unit's StartLimitIntervalSec= and
// StartLimitBurst= say: at most burst starts in a window of interval that opens with the
// first start; the first start after the window has passed opens a new one.
#include <chrono>
#include <optional>

namespace platform {

class StartLimit {
 public:
  using Clock = std::chrono::steady_clock;

  StartLimit(Clock::duration interval, unsigned burst) : m_interval(interval), m_burst(burst) {}

  // Counts a start at now; false when it is one more than the window allows.
  bool Allow(Clock::time_point now);

 private:
  Clock::duration m_interval;
  unsigned m_burst;
  std::optional<Clock::time_point> m_windowStart;
  unsigned m_starts = 0;
};

}  // namespace platform
