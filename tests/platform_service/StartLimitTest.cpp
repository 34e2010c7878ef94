// How often the runner may start a service: at most five starts in ten seconds, counted
// from the first start of a window.
#include "platform/service/runner/StartLimit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::StartLimit;
using std::chrono::milliseconds;

TEST(StartLimit, AllowsFiveStartsInTenSecondsFromTheFirst) {
  struct Start {
    long at;  // ms after the first start
    bool allowed;
  };
  const struct {
    const char* name;
    std::vector<Start> starts;
  } cases[] = {
      {"a sixth start at once", {{0, true}, {0, true}, {0, true}, {0, true}, {0, true}, {0, false}}},
      {"one start every two seconds", {{0, true}, {2000, true}, {4000, true}, {6000, true}, {8000, true}, {10000, false}}},
      {"a new window after ten seconds",
       {{0, true}, {1, true}, {2, true}, {3, true}, {4, true}, {10001, true}, {10002, true}}},
      {"one start every five seconds",
       {{0, true}, {5000, true}, {10000, true}, {15000, true}, {20000, true}, {25000, true}, {30000, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartLimit limit(std::chrono::seconds(10), 5);
    const StartLimit::Clock::time_point first = StartLimit::Clock::now();
    for (const Start& start : c.starts) {
      EXPECT_EQ(limit.Allow(first + milliseconds(start.at)), start.allowed) << "at " << start.at << " ms";
    }
  }
}

}  // namespace
