// Both popups on an X server of the test's own with Debian's trayer as the tray host,
// docked at the bottom of the screen where TRAY_ALIGN says: the popups' right edge
// follows the host's panel, and they stay whole on the screen when the panel is at the
// left edge.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/ui/GdiImages.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/NotifyIcon.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "resources/tray/TrayResources.h"
#include "tests/VirtualDisplay.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/NotificationWnd.h"
#include "tray/UpdateWnd.h"

namespace {

using namespace tray_popups_test;
namespace Resident = Velunor::Quillon::Resident;

constexpr char kNoTrayHost[] = "no tray host: Xvfb or trayer is missing or did not start (packages xvfb, trayer)";

// The X server and the tray host must be up before the toolkit starts in this process.
class TrayHostEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string trayer = corvane_test::FindOnPath("trayer");
    if (trayer.empty() || !display_.Start()) return;
    host_ = platform::ChildProcess::Start(
        "/bin/sh", {"-c", "DISPLAY=" + display_.Name() + " exec \"" + trayer + "\" --edge bottom --align " TRAY_ALIGN
                          " --widthtype pixel --width 120 --heighttype pixel --height 24 --expand false >/dev/null 2>&1"});
    if (!host_) return;
    setenv("DISPLAY", display_.Name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "tray_popups_tray_host_test";
    static char* argv[] = {name, nullptr};
    platform::StartUi(argc, argv);
    available = true;
  }
  void TearDown() override {
    if (host_ && !host_->HasEnded()) {
      ::kill(static_cast<pid_t>(host_->ProcessId()), SIGTERM);
      host_->Wait(5000);
    }
  }
  static inline bool available = false;

 private:
  corvane_test::VirtualDisplay display_;
  std::optional<platform::ChildProcess> host_;
};

::testing::Environment* const kTrayHost = ::testing::AddGlobalTestEnvironment(new TrayHostEnvironment);

// Where trayer docks its panel on the test's 1024 x 768 screen (no window manager, so
// the work area is the screen): 120 x 24 at the bottom edge, in the middle or at the left.
const bool kCentred = std::string(TRAY_ALIGN) == "center";
const platform::Rect kPanel = kCentred ? platform::Rect{452, 744, 572, 768} : platform::Rect{0, 744, 120, 768};

// False when the tray host no longer showed the panel while the popup was open.
template <class Popup>
bool ExpectPlacedAgainstTheTray(PopupOwner& owner, int clientWidth, int clientHeight) {
  bool hostShown = true;
  Popup popup(Resident::GetTrayResources());
  bool seen = false;
  owner.AnswerNext(Answer::CloseBox, [&](platform::UiWindow window) {
    seen = true;
    platform::Rect tray;
    if (Resident::GetTrayToolbarRect(tray) != 1) {
      hostShown = false;
      return;
    }
    EXPECT_EQ(tray, kPanel);
    platform::Rect frame;
    platform::Rect client;
    platform::GetWindowRect(window, frame);
    platform::GetClientRect(window, client);
    EXPECT_EQ(client.Width(), clientWidth);
    EXPECT_EQ(client.Height(), clientHeight);
    const int width = frame.Width() - client.Width() + clientWidth;
    EXPECT_EQ(frame.bottom, 768);
    // The right edge lines up with the panel's; at the left edge, that would put the
    // popup partly off the screen, so it starts at 0 instead.
    EXPECT_EQ(frame.left, kCentred ? 572 - width : 0) << "tray panel " << tray.left << ".." << tray.right;
    EXPECT_EQ(frame.right, kCentred ? 572 : width);
  });
  popup.DoModal(owner.Handle());
  owner.Settle();
  EXPECT_TRUE(seen);
  return hostShown;
}

TEST(TrayHostPlacement, PopupsLineUpWithTheNotificationArea) {
  if (!TrayHostEnvironment::available) GTEST_SKIP() << kNoTrayHost;
  Sandbox sandbox;
  PopupOwner owner;
  // The popups open after the tray icon has been added, as the task window does it.
  platform::NotifyIconData icon;
  icon.window = owner.Handle();
  icon.id = 32869;
  icon.flags = platform::NIF_ICON | platform::NIF_TIP;
  icon.icon = platform::LoadIcon(Resident::GetTrayResources(), Resident::kTrayIconId);
  icon.tip = L"tray popups test";
  bool added = platform::ShellNotifyIcon(platform::NIM_ADD, icon);
  platform::Rect tray;
  bool found = added && corvane_test::WaitFor([&] { return Resident::GetTrayToolbarRect(tray) == 1; }, 10000,
                                              [] { platform::ProcessPendingMessages(); });
  if (!found) {
    platform::ShellNotifyIcon(platform::NIM_DELETE, icon);
    platform::DestroyIcon(icon.icon);
    GTEST_SKIP() << kNoTrayHost << " (the icon was not docked)";
  }
  // Each popup right after the icon has been docked (again): trayer may drop an icon
  // soon after docking it, and without a shown icon there is no panel to line up with.
  std::string lost;
  if (!ExpectPlacedAgainstTheTray<Resident::CNotificationWnd>(owner, 480, 150)) lost += " guidance";
  platform::ShellNotifyIcon(platform::NIM_DELETE, icon);
  platform::ShellNotifyIcon(platform::NIM_ADD, icon);
  corvane_test::WaitFor([&] { return Resident::GetTrayToolbarRect(tray) == 1; }, 10000,
                        [] { platform::ProcessPendingMessages(); });
  if (!ExpectPlacedAgainstTheTray<Resident::CUpdateWnd>(owner, 450, 70)) lost += " update";
  platform::ShellNotifyIcon(platform::NIM_DELETE, icon);
  platform::DestroyIcon(icon.icon);
  if (!lost.empty()) GTEST_SKIP() << "the tray host stopped showing the icon while a popup was open:" << lost;
}

}  // namespace
