// Top-level windows of another program, found by title and by process on an X display
// that the test starts itself (Xvfb, no window manager).
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "platform/core/ChildProcess.h"
#include "platform/core/TextCodec.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"
#include "tests/TestSandbox.h"
#include "tests/VirtualDisplay.h"

namespace {

using namespace platform;
using corvane_test::ReadFile;
using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
using corvane_test::VirtualDisplay;

bool AwaitText(const boost::filesystem::path& path, std::string& text) {
  for (int i = 0; i < 1000; ++i) {
    if (boost::filesystem::exists(path)) {
      text = ReadFile(path);
      if (!text.empty() && text.back() == '\n') return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(ExternalWindows, AnotherProgramsWindowIsFoundByTitleAndProcess) {
  TempFolder folder;
  VirtualDisplay display;
  if (!display.Start()) GTEST_SKIP() << corvane_test::kNoXvfb;
  ScopedEnv displayName("DISPLAY", display.Name());

  const std::string title = "ミルカナ ソラネ/ソラネプラス　ノルディカ";
  std::optional<ChildProcess> host;
  {
    ScopedEnv platformName("QT_QPA_PLATFORM", "xcb");
    host = ChildProcess::Start(WINDOW_HOST_PATH, {title, (folder.path() / "ready.txt").string()});
  }
  ASSERT_TRUE(host);
  std::string ready;
  ASSERT_TRUE(AwaitText(folder.path() / "ready.txt", ready)) << "the host window did not come up";

  std::optional<TopLevelWindow> byTitle;
  for (int i = 0; i < 200 && !byTitle; ++i) {
    byTitle = FindTopLevelWindow(Utf8ToWide(title));
    if (!byTitle) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(byTitle);
  EXPECT_EQ(byTitle->processId, host->ProcessId());
  EXPECT_NE(byTitle->x11Window, 0u);
  EXPECT_FALSE(byTitle->own);

  std::optional<TopLevelWindow> byProcess = FindTopLevelWindowOfProcess(host->ProcessId());
  ASSERT_TRUE(byProcess);
  EXPECT_EQ(byProcess->x11Window, byTitle->x11Window);
  EXPECT_TRUE(SetForegroundWindow(*byProcess));

  EXPECT_FALSE(FindTopLevelWindow(L"ミルカナ"));
  EXPECT_FALSE(FindTopLevelWindowOfProcess(host->ProcessId() + 100000));

  ::kill(static_cast<pid_t>(host->ProcessId()), SIGTERM);
  ASSERT_TRUE(host->Wait(5000));
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) {
    gone = !FindTopLevelWindow(Utf8ToWide(title));
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone);
}

class TitledDialog : public Dialog {
 protected:
  bool ProcessWindowMessage(UiWindow, unsigned int, WParam, LParam, LResult&) override { return false; }
};

TEST(ExternalWindows, WithoutAnXDisplayOnlyOwnWindowsAreSeen) {
  ScopedEnv platformName("QT_QPA_PLATFORM", "offscreen");
  ScopedEnv displayName("DISPLAY", "");
  ResourceModule module;
  DialogTemplate dialog;
  dialog.id = 7;
  dialog.caption = L"自分のウィンドウ";
  dialog.style = WS_POPUP | WS_CAPTION;
  dialog.width = 50;
  dialog.height = 50;
  module.dialogs.push_back(dialog);
  TitledDialog window;
  ASSERT_TRUE(window.Create(&module, 7));
  EXPECT_FALSE(FindTopLevelWindow(L"自分のウィンドウ")) << "a hidden window does not count";
  ShowWindow(window.Handle(), SW_SHOW);
  std::optional<TopLevelWindow> found = FindTopLevelWindow(L"自分のウィンドウ");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->own, window.Handle());
  EXPECT_EQ(found->processId, static_cast<std::uint32_t>(getpid()));
  EXPECT_TRUE(FindTopLevelWindowOfProcess(static_cast<std::uint32_t>(getpid())));
}

}  // namespace
