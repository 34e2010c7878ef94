// The line-item update with a real second process: while CorvaneReckoner "-fd" shows its
// window, the viewer's close, commands, clicks and moves only bring that window to the
// front; an end with 0 rereads the price files, any other end nothing. The viewer runs in
// this process on an X server of the test's own; the program it starts lies beside the
// test (ReckonerStandIn.cpp), or hands over to the real CorvaneReckoner.
#include <gtest/gtest.h>

#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/testing/ExternalWindowClose.h"
#include "platform/ui/testing/InputSimulation.h"
#include "tests/viewer_app/ViewerSandbox.h"
#include "tests/viewer_app/ViewerWindow.h"
#include "viewer/LineUpdate.h"

namespace Velunor::Quillon::Ui {
namespace {

using viewer_test::Sandbox;
using viewer_test::ScopedEnv;
using viewer_test::ViewerWindow;
namespace fs = boost::filesystem;

// The X server must be up before the toolkit starts in this process.
class DisplayEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!display_.Start()) return;
    setenv("DISPLAY", display_.Name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    available = true;
  }
  static inline bool available = false;

 private:
  viewer_test::VirtualDisplay display_;
};

::testing::Environment* const kDisplay = ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

class LineUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayEnvironment::available) GTEST_SKIP() << viewer_test::kNoXvfb;
    sandbox_.emplace();
    sandbox_->PinClock(2016, 3, 20);
    sandbox_->CopyFixture("summary_in_progress.xml", "summarydata.xml");
    sandbox_->InstallDefaultPriceFiles();
    log_.emplace("VIEWER_TEST_RECKONER_LOG", (sandbox_->Root() / "runs.txt").string());
  }

  std::size_t Runs() const { return viewer_test::ReadLines(sandbox_->Root() / "runs.txt").size(); }

  // Pumps the viewer's messages while waiting.
  static bool Await(const std::function<bool()>& condition, int timeoutMs = 10000) {
    return viewer_test::WaitFor(condition, timeoutMs, [] { ViewerWindow::Settle(); });
  }
  static void Pump(int milliseconds) {
    Await([] { return false; }, milliseconds);
  }

  // Starts the update from the menu and waits for the child's window.
  std::optional<platform::TopLevelWindow> StartUpdate(ViewerWindow& window) {
    EXPECT_TRUE(platform::TriggerMenuCommand(window.Handle(), kLineSettingsCommandId));
    std::optional<platform::TopLevelWindow> found;
    Await([&] {
      std::uint32_t processId = ReckonerProcessId;
      found = processId != 0 ? platform::FindTopLevelWindowOfProcess(processId) : std::nullopt;
      return found.has_value();
    });
    return found;
  }

  std::optional<Sandbox> sandbox_;
  std::optional<ScopedEnv> log_;
};

TEST_F(LineUpdateTest, InputIsBlockedWhileTheWindowIsUpAndAnEndWithZeroRereadsThePrices) {
  ScopedEnv exitCode("VIEWER_TEST_RECKONER_EXIT", "0");
  ViewerWindow window;
  ASSERT_TRUE(window.Created());
  window.Click(kPrevMonthButtonId);
  ASSERT_EQ(window.DisplayedMonth(), 2);
  std::optional<platform::TopLevelWindow> reckoner = StartUpdate(window);
  ASSERT_TRUE(reckoner) << "no window of the started program";
  EXPECT_EQ(Runs(), 1u);
  EXPECT_EQ(viewer_test::ReadLines(sandbox_->Root() / "runs.txt").front(), "run -fd");

  // The user picks the other line in the chooser; the file changes before it ends.
  sandbox_->SelectLine("ソラネプラス　");

  window.Click(kPrevMonthButtonId);
  window.Click(kUpdateButtonId);
  EXPECT_EQ(window.DisplayedMonth(), 2) << "month buttons and the update button are blocked";
  const platform::Rect download = window->GetDownloadButton().GetRect();
  window.Mouse(platform::WM_MOUSEMOVE, download.left + 10, download.top + 10, 0);
  window.Mouse(platform::WM_LBUTTONDOWN, download.left + 10, download.top + 10, platform::MK_LBUTTON);
  EXPECT_EQ(window->GetDownloadButton().GetMouseState(), CDrawButton::kNormal) << "mouse moves are blocked";
  platform::PostMessage(window.Handle(), platform::WM_CLOSE);
  EXPECT_TRUE(platform::TriggerMenuCommand(window.Handle(), kLineSettingsCommandId));
  Pump(300);
  EXPECT_TRUE(window->Handle()) << "closing is blocked";
  EXPECT_TRUE(sandbox_->Opened().empty()) << "clicks are blocked";
  EXPECT_EQ(Runs(), 1u) << "no second update while one runs";
  EXPECT_EQ(window->GetPriceLogic().GetSelectedLineName(), L"ソラネ　") << "nothing reread while it runs";
  EXPECT_TRUE(window.Capture().width == 500) << "the window still paints";

  ASSERT_TRUE(platform::RequestWindowClose(*reckoner));
  EXPECT_TRUE(Await([&] { return window->GetPriceLogic().GetSelectedLineName() == L"ソラネプラス　"; }))
      << "the end with 0 rereads lineselect.xml";
  EXPECT_EQ(window->GetHeaderItem().GetText(), L"ソラネプラス　ノルディカ");
  EXPECT_EQ(window.DisplayedMonth(), 3) << "and reloads the view";
  EXPECT_EQ(ReckonerProcessId.load(), 0u);

  window.Click(kPrevMonthButtonId);
  EXPECT_EQ(window.DisplayedMonth(), 2) << "input is free again";
}

TEST_F(LineUpdateTest, CancelledChooserOfTheRealReckonerRereadsNothing) {
  ScopedEnv delegate("VIEWER_TEST_RECKONER_DELEGATE", CORVANE_RECKONER_PATH);
  ViewerWindow window;
  ASSERT_TRUE(window.Created());
  window.Click(kPrevMonthButtonId);
  std::optional<platform::TopLevelWindow> chooser = StartUpdate(window);
  ASSERT_TRUE(chooser) << "no chooser window";
  EXPECT_EQ(chooser->title, L"回線品目の設定");
  sandbox_->SelectLine("ソラネプラス　");

  ASSERT_TRUE(platform::RequestWindowClose(*chooser));
  EXPECT_TRUE(Await([] { return ReckonerProcessId == 0 && !LineUpdateRunning; }));
  Pump(300);
  EXPECT_EQ(window->GetPriceLogic().GetSelectedLineName(), L"ソラネ　");
  EXPECT_EQ(window.DisplayedMonth(), 2) << "no reload";
  window.Click(kPrevMonthButtonId);
  EXPECT_EQ(window.DisplayedMonth(), 1) << "input is free again";
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
