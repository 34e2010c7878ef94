// The task window's icon in a real notification area: an X server of the test's own
// with trayer as the tray host, this process's toolkit on that display.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/ProductName.h"
#include "platform/ui/desktop/NotificationArea.h"
#include "platform/ui/desktop/NotifyIcon.h"
#include "platform/ui/desktop/PopupMenu.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/NotifyIconInspection.h"
#include "platform/ui/testing/PopupMenuControl.h"
#include "platform/ui/windows/CursorPosition.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/tray_app/TraySandbox.h"
#include "tray/TaskWindow.h"

namespace tray_app_test {
namespace {

using Velunor::Quillon::Resident::CTaskWindow;
using Velunor::Quillon::Resident::GetTrayResources;
using Velunor::Quillon::Resident::ID_TRAY_ICON;

constexpr char kClassName[] = "tray_app_tray_host_test";
// The display of VirtualDisplay.
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

VirtualDisplay*& StartedDisplay() {
  static VirtualDisplay* display = nullptr;
  return display;
}

// The X server goes when the tests are done, not with the program's static objects.
class DisplayEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    delete StartedDisplay();
    StartedDisplay() = nullptr;
  }
};
::testing::Environment* const displayEnvironment = ::testing::AddGlobalTestEnvironment(new DisplayEnvironment());

// One X server for the whole program: the toolkit binds to its display once.
VirtualDisplay* Display() {
  static VirtualDisplay* display = StartedDisplay() = [] {
    auto* started = new VirtualDisplay();
    if (!started->Start()) {
      delete started;
      return static_cast<VirtualDisplay*>(nullptr);
    }
    setenv("DISPLAY", started->Name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "tray_app_tray_host_test";
    static char* argv[] = {name, nullptr};
    platform::StartUi(argc, argv);
    return started;
  }();
  return display;
}

bool WaitPumping(const std::function<bool()>& condition, int timeoutMs = 10000) {
  return WaitFor(condition, timeoutMs, [] { platform::ProcessPendingMessages(); });
}

class TrayHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Display() == nullptr || FindOnPath("trayer").empty()) GTEST_SKIP() << kNoTrayHost;
  }
  bool StartHost() {
    return host_.Start(Display()->Name()) && WaitPumping([] { return platform::IsNotificationAreaAvailable(); });
  }
  bool IconShown() { return platform::IsNotifyIconShown(window_->Handle(), ID_TRAY_ICON); }
  int DockedIcons() { return CountDockedIcons(Display()->Name(), kClassName); }

  TraySandbox sandbox_;
  TrayHost host_;
  std::unique_ptr<CTaskWindow> window_ = std::make_unique<CTaskWindow>(GetTrayResources());
};

TEST_F(TrayHostTest, IconDocksWithTheProductNameAndTheAreaIsTheHostsPanel) {
  ASSERT_TRUE(StartHost()) << kNoTrayHost;
  ASSERT_EQ(window_->Create(), 1);
  ASSERT_TRUE(WaitPumping([&] { return IconShown(); }));
  EXPECT_EQ(DockedIcons(), 1);
  EXPECT_EQ(platform::GetNotifyIconTip(window_->Handle(), ID_TRAY_ICON), Velunor::Quillon::Common::kProductName);

  platform::Rect area;
  ASSERT_TRUE(platform::GetNotificationAreaRect(area));
  EXPECT_EQ(area, (platform::Rect{kScreenWidth - TrayHost::kWidth, kScreenHeight - TrayHost::kHeight, kScreenWidth,
                                  kScreenHeight}));
}

TEST_F(TrayHostTest, ClicksOnTheDockedIconStartTheViewerOnceAndOpenTheMenuAtThePointer) {
  ASSERT_TRUE(StartHost()) << kNoTrayHost;
  ASSERT_EQ(window_->Create(), 1);
  ASSERT_TRUE(WaitPumping([&] { return IconShown(); }));

  ASSERT_TRUE(platform::SimulateNotifyIconClick(window_->Handle(), ID_TRAY_ICON, platform::WM_LBUTTONDOWN));
  ASSERT_TRUE(WaitPumping([&] { return sandbox_.Launched().size() == 1; }));
  ASSERT_TRUE(platform::SimulateNotifyIconClick(window_->Handle(), ID_TRAY_ICON, platform::WM_LBUTTONDBLCLK));
  ASSERT_TRUE(WaitPumping([&] { return sandbox_.Launched().size() == 2; }));
  EXPECT_EQ(sandbox_.Launched(), (std::vector<std::string>{"viewer", "viewer"}));

  std::vector<platform::OpenPopupMenu> menus;
  platform::SetPopupMenuHook([&](const platform::OpenPopupMenu& menu) {
    menus.push_back(menu);
    platform::ChoosePopupMenuCommand(Velunor::Quillon::Resident::ID_UNINSTALL);
  });
  ASSERT_TRUE(platform::SetCursorPos(1000, 740));
  ASSERT_TRUE(platform::SimulateNotifyIconClick(window_->Handle(), ID_TRAY_ICON, platform::WM_RBUTTONDOWN));
  bool opened = WaitPumping([&] { return sandbox_.Launched().size() == 3; });
  platform::SetPopupMenuHook(nullptr);
  ASSERT_TRUE(opened);
  ASSERT_EQ(menus.size(), 1u);
  // Right-aligned at the pointer, then pushed up into the screen.
  EXPECT_EQ(menus[0].rect.right, 1000);
  EXPECT_LE(menus[0].rect.bottom, kScreenHeight);
  EXPECT_EQ(sandbox_.Launched().back(), "uninstaller");
}

TEST_F(TrayHostTest, AHostThatAppearsLaterOrComesBackGetsTheIconAgain) {
  ASSERT_EQ(window_->Create(), 1);
  WaitPumping([] { return false; }, 300);
  EXPECT_FALSE(IconShown());

  ASSERT_TRUE(StartHost()) << kNoTrayHost;
  EXPECT_TRUE(WaitPumping([&] { return IconShown(); })) << "no icon once the tray host appeared";

  host_.Stop();
  ASSERT_TRUE(WaitPumping([] { return !platform::IsNotificationAreaAvailable(); }));
  EXPECT_FALSE(IconShown());
  ASSERT_TRUE(StartHost()) << kNoTrayHost;
  EXPECT_TRUE(WaitPumping([&] { return IconShown(); })) << "no icon once the tray host came back";
  EXPECT_TRUE(WaitPumping([&] { return DockedIcons() == 1; }));
}

TEST_F(TrayHostTest, CloseRemovesTheIconAndEndsTheLoopWithZero) {
  ASSERT_TRUE(StartHost()) << kNoTrayHost;
  ASSERT_EQ(window_->Create(), 1);
  ASSERT_TRUE(WaitPumping([&] { return IconShown(); }));
  platform::UiWindow handle = window_->Handle();

  platform::MessageLoop loop;
  platform::PostMessage(handle, platform::WM_CLOSE);
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_FALSE(platform::IsNotifyIconShown(handle, ID_TRAY_ICON));
  EXPECT_TRUE(WaitPumping([&] { return DockedIcons() == 0; }));
}

}  // namespace
}  // namespace tray_app_test
