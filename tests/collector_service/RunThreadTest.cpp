// The collector's real Run thread with its hidden window, its two timers on a clock the
// test moves: the adapter watch and the summary write happen exactly on their periods,
// which come from the config.ini beside this program. Built once per config.ini;
// WATCH_PERIOD_MS and WRITE_PERIOD_MS are the periods that config.ini should give.
#include <gtest/gtest.h>

#include <boost/thread/thread.hpp>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "collector/RunThread.h"
#include "collector/ServiceMain.h"
#include "platform/core/Clock.h"
#include "platform/core/TextCodec.h"
#include "platform/service/MessageQueue.h"
#include "tests/DebugOutputCapture.h"
#include "tests/TestSandbox.h"
#include "tests/collector_service/OwnNetwork.h"

namespace {

namespace fs = boost::filesystem;
using namespace Velunor::Quillon;

class RunThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string problem = network_.Problem();
    if (!problem.empty()) GTEST_SKIP() << problem;
    sandbox_.PinClock(2016, 3, 20);
    StartRunThread();
    started_ = true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Count("XML出力タイマ設定") == 0 && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(Count("XML出力タイマ設定"), 1) << "the hidden window did not set its timers";
    ASSERT_TRUE(clock_.Settle());
  }
  void TearDown() override {
    if (started_) {
      StopRunThread();
      EXPECT_FALSE(s_runThread) << "the Run thread was joined";
    }
  }

  // Log lines whose message is exactly the text.
  int Count(const std::string& message) {
    const std::vector<std::wstring> messages = capture_.Messages();
    return static_cast<int>(std::count(messages.begin(), messages.end(), platform::Utf8ToWide(message)));
  }
  fs::path SummaryFile() const { return sandbox_.DataFolder() / "summarydata.xml"; }

  corvane_test::Sandbox sandbox_;
  collector_test::OwnNetwork network_;
  platform::ManualTimerClock clock_;
  corvane_test::DebugOutputCapture capture_;
  bool started_ = false;
};

TEST_F(RunThreadTest, WatchAndWriteStepsComeExactlyOnTheirPeriods) {
  const long long watchMs = WATCH_PERIOD_MS;
  const long long writeMs = WRITE_PERIOD_MS;
  EXPECT_EQ(Count("NIC登録(収集開始）"), 1) << "the first watch step runs when the window is made";
  EXPECT_FALSE(fs::exists(SummaryFile())) << "nothing is written before the first period";

  // Step to just before and onto each moment a timer is due, up to the second write.
  long long now = 0;
  int watches = 0;
  int writes = 0;
  while (writes < 2) {
    const long long next = std::min((watches + 1) * watchMs, (writes + 1) * writeMs);
    ASSERT_TRUE(clock_.Advance(std::chrono::milliseconds(next - 1 - now)));
    ASSERT_EQ(Count("ID_NIC_WATCH"), watches) << "1 ms before " << next;
    ASSERT_EQ(Count("XML Write OK"), writes) << "1 ms before " << next;
    ASSERT_TRUE(clock_.Advance(std::chrono::milliseconds(1)));
    now = next;
    if (next % watchMs == 0) ++watches;
    if (next % writeMs == 0) ++writes;
    ASSERT_EQ(Count("ID_NIC_WATCH"), watches) << "at " << next;
    ASSERT_EQ(Count("XML Write OK"), writes) << "at " << next;
    if (writes == 1) {
      // Nothing was captured; the write still makes today's unit, stamped now.
      const std::string summary = corvane_test::ReadFile(SummaryFile());
      EXPECT_NE(summary.find("<install_date>20160320</install_date>"), std::string::npos) << summary;
      EXPECT_NE(summary.find("<datetime>201000</datetime>"), std::string::npos) << summary;
    }
  }
  EXPECT_EQ(Count("ID_XMLWRITING_START"), 2);
}

}  // namespace
