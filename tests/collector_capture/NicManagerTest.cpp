// The adapter manager's buffer share and the collection of counts without adapters.
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

}  // namespace
