// The task window in this process, off screen: the icon's click state machine, its
// menu, the commands, closing, and the installation date of summarydata.xml.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/service/NamedMutex.h"
#include "platform/ui/desktop/PopupMenu.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/PopupMenuControl.h"
#include "platform/ui/testing/WindowInspection.h"
#include "platform/ui/windows/CursorPosition.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/DebugOutputCapture.h"
#include "tests/tray_app/TraySandbox.h"
#include "tray/TaskWindow.h"
#include "tray/WinMain.h"

namespace tray_app_test {
namespace {

using Velunor::Quillon::Resident::CTaskWindow;
using Velunor::Quillon::Resident::GetTrayResources;
using Velunor::Quillon::Resident::ID_TRAY_ICON;
using Velunor::Quillon::Resident::WM_TRAY_NOTIFY;

void StartToolkit() {
  static bool started = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tray_app_window_test";
    static char* argv[] = {name, nullptr};
    platform::StartUi(argc, argv);
    return true;
  }();
  (void)started;
}

class TaskWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartToolkit();
    ASSERT_EQ(window_.Create(), 1);
    platform::SetPopupMenuHook([this](const platform::OpenPopupMenu& menu) {
      menus_.push_back(menu);
      if (chooseInMenu_ != 0) {
        platform::ChoosePopupMenuCommand(chooseInMenu_);
      } else {
        platform::ClosePopupMenu();
      }
    });
  }
  void TearDown() override { platform::SetPopupMenuHook(nullptr); }

  void Notify(unsigned int mouseMessage, unsigned int iconId = ID_TRAY_ICON) {
    platform::SendMessage(window_.Handle(), WM_TRAY_NOTIFY, iconId, static_cast<platform::LParam>(mouseMessage));
  }

  // The launches since the last call. A marker launch follows them; the stand-ins run
  // side by side, so the wait is for the marker and for every launch the test expects
  // (a busy machine may run the marker's stand-in first), then a short while for any
  // unexpected one to land.
  std::vector<std::string> TakeLaunches(const std::vector<std::string>& expected) {
    platform::ProcessPendingMessages();
    window_.ShowGraph(1);
    EXPECT_TRUE(WaitFor([&] {
      std::vector<std::string> lines = sandbox_.Launched();
      if (std::find(lines.begin(), lines.end(), "viewer -PreviousMonth") == lines.end()) return false;
      for (const std::string& launch : expected) {
        if (std::count(lines.begin(), lines.end(), launch) < std::count(expected.begin(), expected.end(), launch)) {
          return false;
        }
      }
      return true;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<std::string> lines = sandbox_.Launched();
    sandbox_.ClearLaunched();
    lines.erase(std::remove(lines.begin(), lines.end(), "viewer -PreviousMonth"), lines.end());
    return lines;
  }

  TraySandbox sandbox_;
  CTaskWindow window_{GetTrayResources()};
  std::vector<platform::OpenPopupMenu> menus_;
  int chooseInMenu_ = 0;
};

TEST_F(TaskWindowTest, ButtonSequencesOnTheIconStartTheViewerOrOpenTheMenu) {
  using namespace platform;
  struct Case {
    const char* name;
    std::vector<unsigned int> messages;
    unsigned int iconId;
    std::size_t viewerStarts;
    std::size_t menus;
  };
  const Case cases[] = {
      {"left press, move, release", {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}, ID_TRAY_ICON, 1, 0},
      {"double click", {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}, ID_TRAY_ICON, 1, 0},
      {"right press, left release", {WM_RBUTTONDOWN, WM_LBUTTONUP}, ID_TRAY_ICON, 0, 0},
      {"right press, move, right release", {WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONUP}, ID_TRAY_ICON, 0, 1},
      {"left press, right release", {WM_LBUTTONDOWN, WM_RBUTTONUP}, ID_TRAY_ICON, 0, 0},
      {"middle button between press and release", {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_LBUTTONUP}, ID_TRAY_ICON, 0, 0},
      {"right double click", {WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_RBUTTONUP}, ID_TRAY_ICON, 0, 0},
      {"releases without presses", {WM_LBUTTONUP, WM_RBUTTONUP}, ID_TRAY_ICON, 0, 0},
      {"another icon's clicks", {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}, ID_TRAY_ICON + 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    menus_.clear();
    for (unsigned int message : c.messages) Notify(message, c.iconId);
    std::vector<std::string> launches = TakeLaunches(std::vector<std::string>(c.viewerStarts, "viewer"));
    EXPECT_EQ(std::count(launches.begin(), launches.end(), "viewer"), static_cast<long>(c.viewerStarts));
    EXPECT_EQ(launches.size(), c.viewerStarts);
    EXPECT_EQ(menus_.size(), c.menus);
    // Every sequence ends disarmed, so none leaks into the next.
    EXPECT_EQ(window_.IsLeftArmed(), 0);
    EXPECT_EQ(window_.IsRightArmed(), 0);
  }
}

TEST_F(TaskWindowTest, AnotherIconsCallbackLeavesTheArmedPressAlone) {
  Notify(platform::WM_LBUTTONDOWN);
  Notify(platform::WM_RBUTTONDOWN, ID_TRAY_ICON + 1);
  EXPECT_EQ(window_.IsLeftArmed(), 1);
  Notify(platform::WM_LBUTTONUP);
  EXPECT_EQ(TakeLaunches({"viewer"}), std::vector<std::string>{"viewer"});
}

TEST_F(TaskWindowTest, MenuOpensAtTheCursorAndItsItemsStartTheViewerAndTheUninstaller) {
  struct Case {
    int command;
    std::vector<std::string> launches;
  };
  const Case cases[] = {{Velunor::Quillon::Resident::ID_SHOW_GRAPH, {"viewer"}},
                        {Velunor::Quillon::Resident::ID_UNINSTALL, {"uninstaller"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    menus_.clear();
    chooseInMenu_ = c.command;
    ASSERT_TRUE(platform::SetCursorPos(600, 400));
    Notify(platform::WM_RBUTTONDOWN);
    Notify(platform::WM_RBUTTONUP);
    ASSERT_EQ(menus_.size(), 1u);
    const platform::OpenPopupMenu& menu = menus_[0];
    EXPECT_EQ(menu.texts, (std::vector<std::wstring>{L"通信料診断画面の表示", L"アンインストール"}));
    EXPECT_EQ(menu.commandIds, (std::vector<int>{210, 220}));
    // Right-aligned: the menu's right edge and top at the cursor.
    EXPECT_EQ(menu.rect.right, 600);
    EXPECT_EQ(menu.rect.top, 400);
    EXPECT_EQ(TakeLaunches(c.launches), c.launches);
  }
}

TEST_F(TaskWindowTest, CommandsOfTheMenuActAndEveryOtherCommandDoesNothing) {
  struct Case {
    unsigned int command;
    std::vector<std::string> launches;
  };
  const Case cases[] = {{210, {"viewer"}}, {220, {"uninstaller"}}, {platform::IDOK, {}}, {platform::IDCANCEL, {}},
                        {211, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    platform::SendMessage(window_.Handle(), platform::WM_COMMAND, platform::MakeWParam(c.command, platform::BN_CLICKED));
    EXPECT_EQ(TakeLaunches(c.launches), c.launches);
  }
}

TEST_F(TaskWindowTest, TheWindowStaysHiddenAndCloseEndsTheLoopWithZero) {
  platform::UiWindow handle = window_.Handle();
  EXPECT_FALSE(platform::IsWindowVisible(handle));
  EXPECT_EQ(platform::GetWindowText(handle), L"CorvaneTray");
  platform::MessageLoop loop;
  platform::PostMessage(handle, platform::WM_CLOSE);
  EXPECT_EQ(loop.Run(), 0);
  // The object has let go of its window; commands reach nobody now.
  EXPECT_FALSE(window_.Handle());
  platform::SendMessage(handle, platform::WM_COMMAND, platform::MakeWParam(210, 0));
  EXPECT_TRUE(TakeLaunches({}).empty());
}

TEST(TrayWinMainTest, SecondCopyEndsAtOnceWithZero) {
  StartToolkit();
  corvane_test::Sandbox sandbox;
  std::unique_ptr<platform::NamedMutex> first =
      platform::NamedMutex::Create(Velunor::Quillon::Resident::kTrayMutexName, false);
  ASSERT_TRUE(first);
  // Had it gone past the mutex, it would sit in its message loop and never return.
  EXPECT_EQ(Velunor::Quillon::Resident::WinMain(GetTrayResources(), nullptr, L"", platform::SW_SHOWDEFAULT), 0);
}

TEST(TrayWinMainTest, AMutexThatCanBeMadeInNoFolderEndsItWithOneNotAsASecondCopy) {
  StartToolkit();
  corvane_test::Sandbox sandbox;
  // The runtime folder's lock folder is open to others, and so is the state folder that
  // the private one would go into.
  const boost::filesystem::path refused = sandbox.RuntimeFolder() / "corvane";
  const boost::filesystem::path openState = sandbox.Root() / "open-state";
  for (const boost::filesystem::path& folder : {refused, openState}) {
    boost::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), folder == refused ? 0755 : 0777);
  }
  corvane_test::ScopedEnv stateHome("XDG_STATE_HOME", openState.string());
  EXPECT_EQ(Velunor::Quillon::Resident::WinMain(GetTrayResources(), nullptr, L"", platform::SW_SHOWDEFAULT), 1);
}

// summarydata.xml's install_date.
class InstallDateTest : public ::testing::Test {
 protected:
  void WriteSummary(const std::string& bytes) { sandbox_.WriteData("summarydata.xml", bytes); }

  corvane_test::Sandbox sandbox_;
  corvane_test::DebugOutputCapture capture_;
};

TEST_F(InstallDateTest, ARealDayGivesThatDayAtMidnightAndEverythingElseGivesZero) {
  struct Case {
    const char* name;
    const char* summary;  // nullptr: no file
    int result;
    platform::DateTime date;
    bool debugLine;
  };
  const platform::DateTime untouched(2001, 2, 3, 4, 5, 6);
  const Case cases[] = {
      {"a real day", "<summary><install_date>20240315</install_date></summary>", 1, platform::DateTime(2024, 3, 15), false},
      {"any root name, other children first",
       "<?xml version=\"1.0\" ?><x><year/><install_date>20000229</install_date></x>", 1, platform::DateTime(2000, 2, 29), false},
      {"the first install_date counts",
       "<s><install_date>20231201</install_date><install_date>20991231</install_date></s>", 1, platform::DateTime(2023, 12, 1), false},
      {"7 characters", "<s><install_date>2024031</install_date></s>", 0, untouched, false},
      {"9 characters", "<s><install_date>202403150</install_date></s>", 0, untouched, false},
      {"a part that is not a number", "<s><install_date>2024ab15</install_date></s>", 0, untouched, true},
      {"month 13", "<s><install_date>20241315</install_date></s>", 0, untouched, false},
      {"29 February of a common year", "<s><install_date>20230229</install_date></s>", 0, untouched, false},
      {"year before 100", "<s><install_date>00990101</install_date></s>", 0, untouched, false},
      {"empty element", "<s><install_date/></s>", 0, untouched, false},
      {"install_date below another element", "<s><x><install_date>20240315</install_date></x></s>", 0, untouched, false},
      {"not XML", "install_date 20240315", 0, untouched, false},
      {"empty file", "", 0, untouched, false},
      {"no file", nullptr, 0, untouched, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boost::filesystem::remove(sandbox_.DataFolder() / "summarydata.xml");
    if (c.summary != nullptr) WriteSummary(c.summary);
    capture_.Clear();
    CTaskWindow window(GetTrayResources());
    platform::DateTime date = untouched;
    EXPECT_EQ(window.GetInstallDate(date), c.result);
    EXPECT_EQ(date, c.date);
    EXPECT_EQ(!capture_.Texts().empty(), c.debugLine);
  }
}

}  // namespace
}  // namespace tray_app_test
