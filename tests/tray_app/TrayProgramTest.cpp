// CorvaneTray as a program on an X server of the test's own with trayer as tray host.
#include <gtest/gtest.h>

#include <signal.h>

#include <optional>
#include <string>

#include "tests/tray_app/TraySandbox.h"

namespace tray_app_test {
namespace {

class TrayProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.Start() || FindOnPath("trayer").empty()) GTEST_SKIP() << kNoTrayHost;
    displayEnv_.emplace("DISPLAY", display_.Name());
    ASSERT_TRUE(host_.Start(display_.Name()));
  }
  void TearDown() override {
    for (std::optional<platform::ChildProcess>* program : {&first_, &second_}) {
      if (*program && !(*program)->HasEnded()) {
        ::kill(static_cast<pid_t>((*program)->ProcessId()), SIGTERM);
        (*program)->Wait(5000);
      }
    }
  }

  std::optional<platform::ChildProcess> StartTray() { return platform::ChildProcess::Start(CORVANE_TRAY_PATH, {}); }
  bool WaitForIcons(int count) {
    return WaitFor([&] { return CountDockedIcons(display_.Name(), "CorvaneTray") == count; }, 15000);
  }

  corvane_test::Sandbox sandbox_;
  ScopedEnv platformEnv_{"QT_QPA_PLATFORM", "xcb"};
  VirtualDisplay display_;
  std::optional<ScopedEnv> displayEnv_;
  TrayHost host_;
  std::optional<platform::ChildProcess> first_;
  std::optional<platform::ChildProcess> second_;
};

TEST_F(TrayProgramTest, ASecondCopyEndsWithZeroAndLeavesOneIcon) {
  first_ = StartTray();
  ASSERT_TRUE(first_);
  ASSERT_TRUE(WaitForIcons(1));

  second_ = StartTray();
  ASSERT_TRUE(second_);
  ASSERT_TRUE(second_->Wait(15000));
  EXPECT_EQ(second_->ExitCode(), 0u);
  EXPECT_FALSE(first_->Wait(0));
  EXPECT_EQ(CountDockedIcons(display_.Name(), "CorvaneTray"), 1);
}

TEST_F(TrayProgramTest, TheIconComesBackWhenTheTrayHostRestarts) {
  first_ = StartTray();
  ASSERT_TRUE(first_);
  ASSERT_TRUE(WaitForIcons(1));

  host_.Stop();
  ASSERT_TRUE(WaitForIcons(0));
  ASSERT_TRUE(host_.Start(display_.Name()));
  EXPECT_TRUE(WaitForIcons(1));
  EXPECT_FALSE(first_->Wait(0));
}

}  // namespace
}  // namespace tray_app_test
