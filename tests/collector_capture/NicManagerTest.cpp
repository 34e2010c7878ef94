// The adapter manager's buffer share and the collection of counts without adapters or
// put back after a failed write.
#include <gtest/gtest.h>

#include "collector/NicManager.h"
#include "tests/collector_capture/CaptureTestSupport.h"

using Velunor::Quillon::CNicManager;
using Velunor::Quillon::IpFilterHeader;
using Velunor::Quillon::TrafficCounts;

namespace {

TEST(NicManager, SharesTheBufferOverTheAdaptersListedInTheStep) {
  const struct {
    int totalMB;
    std::size_t adapters;
    int share;
  } cases[] = {
      {64, 1, 64}, {64, 2, 32}, {64, 3, 21}, {64, 10, 6}, {5, 10, 1}, {0, 3, 1}, {-8, 3, 1}, {2147483647, 1, 2147483647},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CNicManager::ComputeShare(c.totalMB, c.adapters), c.share) << c.totalMB << " MB over " << c.adapters;
  }
}

TEST(NicManager, CollectingWithoutWorkersGivesZeros) {
  IpFilterHeader filter;
  CNicManager manager(64, 1000, filter);
  EXPECT_EQ(manager.CollectCounts(), TrafficCounts{});
  EXPECT_TRUE(manager.GetWorkers().empty());
}

// Counts put back after failed writes pile up for the next one and stop at the largest
// count rather than wrapping round to a small one.
TEST(NicManager, CountsPutBackAddUpAndStopAtTheLargestCount) {
  constexpr std::uint64_t kLargest = 18446744073709551615u;
  IpFilterHeader filter;
  CNicManager manager(64, 1000, filter);
  manager.PutBackCounts({18446744073709551000u, 5, 7});
  manager.PutBackCounts({10420, 6, kLargest});
  EXPECT_EQ(manager.CollectCounts(), (TrafficCounts{kLargest, 11, kLargest}));
  EXPECT_EQ(manager.CollectCounts(), TrafficCounts{}) << "a collection hands them over once";
}

}  // namespace
