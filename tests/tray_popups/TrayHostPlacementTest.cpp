// Both popups on an X server of the test's own with Debian's trayer as the tray host,
// its panel where HOST_LAYOUT says: without a window manager at the bottom (in the
// middle or at the left end), and under openbox on a 1280 x 1024 screen with the
// shipped texts at the bottom right and at the top left. What a popup covers is read
// from the X server, the window manager's frame included: the popup's right edge
// follows the host's panel, its bottom the work area's, and it stays whole on the
// screen when the panel is at the left edge.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/core/TextCodec.h"
#include "platform/ui/desktop/NotifyIcon.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/VirtualDisplay.h"
#include "tests/desktop/X11Probe.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/NotificationWnd.h"
#include "tray/UpdateWnd.h"

namespace {

using namespace tray_popups_test;
namespace Resident = Velunor::Quillon::Resident;

constexpr char kNoTrayHost[] =
    "no tray host: Xvfb, trayer or openbox is missing or did not start (packages xvfb, trayer, openbox)";

// Where trayer docks its 120 x 24 panel and where each popup's frame has to go. With no
// window manager the work area is the screen, and so it is under openbox: trayer
// reserves no strut.
struct HostLayout {
  const char* name;
  const char* screen;  // Xvfb's screen size
  bool windowManager;  // openbox frames the popups
  const char* edge;    // trayer's --edge and --align
  const char* align;
  platform::Rect panel;
  int frameLeft;   // -1: the rule fixes the right edge instead
  int frameRight;  // -1: the rule fixes the left edge instead
  int frameBottom;
};
constexpr HostLayout kLayouts[] = {
    {"bottom_center", "1024x768", false, "bottom", "center", {452, 744, 572, 768}, -1, 572, 768},
    // Right-aligned with the panel, the popup would reach past the left edge: it starts at 0.
    {"bottom_left", "1024x768", false, "bottom", "left", {0, 744, 120, 768}, 0, -1, 768},
    {"openbox_bottom_right", "1280x1024", true, "bottom", "right", {1160, 1000, 1280, 1024}, -1, 1280, 1024},
    {"openbox_top_left", "1280x1024", true, "top", "left", {0, 0, 120, 24}, 0, -1, 1024},
};

const HostLayout& Layout() {
  for (const HostLayout& layout : kLayouts) {
    if (std::string(layout.name) == HOST_LAYOUT) return layout;
  }
  ADD_FAILURE() << "no layout " << HOST_LAYOUT;
  return kLayouts[0];
}

// The X server, the window manager and the tray host must be up before the toolkit
// starts in this process.
class TrayHostEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const HostLayout& layout = Layout();
    std::string trayer = corvane_test::FindOnPath("trayer");
    if (trayer.empty() || !display_.Start(layout.screen)) return;
    if (layout.windowManager && !windowManager_.Start(display_.Name())) return;
    host_ = platform::ChildProcess::Start(
        "/bin/sh", {"-c", "DISPLAY=" + display_.Name() + " exec \"" + trayer + "\" --edge " + layout.edge + " --align " +
                              layout.align +
                              " --widthtype pixel --width 120 --heighttype pixel --height 24 --expand false >/dev/null 2>&1"});
    if (!host_) return;
    probe = std::make_unique<desktop_test::X11Probe>(display_.Name());
    setenv("DISPLAY", display_.Name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "tray_popups_tray_host_test";
    static char* argv[] = {name, nullptr};
    platform::StartUi(argc, argv);
    available = probe->Connected();
  }
  void TearDown() override {
    probe.reset();
    if (host_ && !host_->HasEnded()) {
      ::kill(static_cast<pid_t>(host_->ProcessId()), SIGTERM);
      host_->Wait(5000);
    }
  }
  static inline bool available = false;
  static inline std::unique_ptr<desktop_test::X11Probe> probe;

 private:
  corvane_test::VirtualDisplay display_;
  desktop_test::WindowManager windowManager_;
  std::optional<platform::ChildProcess> host_;
};

::testing::Environment* const kTrayHost = ::testing::AddGlobalTestEnvironment(new TrayHostEnvironment);

// False when the tray host no longer showed the panel while the popup was open.
template <class Popup>
bool ExpectPlacedAgainstTheTray(PopupOwner& owner, int clientWidth, int clientHeight) {
  const HostLayout& layout = Layout();
  desktop_test::X11Probe& probe = *TrayHostEnvironment::probe;
  bool hostShown = true;
  Popup popup(Resident::GetTrayResources());
  bool seen = false;
  owner.AnswerNext(Answer::CloseBox, [&](platform::UiWindow) {
    seen = true;
    platform::Rect tray;
    if (Resident::GetTrayToolbarRect(tray) != 1) {
      hostShown = false;
      return;
    }
    EXPECT_EQ(tray, layout.panel);
    const std::string caption = platform::WideToUtf8(Resident::kTrayPopupCaption);
    xcb_window_t window = 0;
    platform::Rect frame;
    const auto placed = [&] {
      window = probe.FindByTitle(caption);
      if (window == 0 || (layout.windowManager && probe.Values(window, "_NET_FRAME_EXTENTS").size() != 4)) return false;
      frame = probe.FrameRect(window);
      return frame.bottom == layout.frameBottom &&
             (layout.frameRight < 0 || frame.right == layout.frameRight) &&
             (layout.frameLeft < 0 || frame.left == layout.frameLeft);
    };
    // The window manager frames the popup only once it is shown, and says how thick the
    // frame is a little later; a bound for a busy machine, not a figure under test.
    corvane_test::WaitFor(placed, 10000, [] { platform::ProcessPendingMessages(); });
    ASSERT_NE(window, 0u) << "the popup is not on the display";
    const platform::Rect client = probe.Geometry(window);
    EXPECT_EQ(client.Width(), clientWidth);
    EXPECT_EQ(client.Height(), clientHeight);
    const std::vector<std::uint32_t> extents = probe.Values(window, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
    if (layout.windowManager) {
      ASSERT_EQ(extents.size(), 4u) << "openbox did not frame the popup";
      EXPECT_GT(extents[2], 0u) << "a title bar above the popup";
      const int left = static_cast<int>(extents[0]), right = static_cast<int>(extents[1]);
      const int top = static_cast<int>(extents[2]), bottom = static_cast<int>(extents[3]);
      EXPECT_EQ(frame, (platform::Rect{client.left - left, client.top - top, client.right + right, client.bottom + bottom}))
          << "the frame window and _NET_FRAME_EXTENTS disagree";
    } else {
      EXPECT_EQ(frame, client) << "no window manager, no frame";
    }
    EXPECT_EQ(frame.bottom, layout.frameBottom) << "frame " << frame.left << "," << frame.top << " to " << frame.right
                                                << "," << frame.bottom;
    if (layout.frameRight >= 0) {
      EXPECT_EQ(frame.right, layout.frameRight) << "tray panel " << tray.left << ".." << tray.right;
    }
    if (layout.frameLeft >= 0) {
      EXPECT_EQ(frame.left, layout.frameLeft) << "tray panel " << tray.left << ".." << tray.right;
    }
    const platform::Rect screen = probe.Geometry(probe.Root());
    EXPECT_GE(frame.left, screen.left);
    EXPECT_GE(frame.top, screen.top);
    EXPECT_LE(frame.right, screen.right);
    EXPECT_LE(frame.bottom, screen.bottom);
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
  // Docked, with the panel where the host puts it in the end (it may show elsewhere
  // first): false while the icon is not docked.
  const auto docked = [] {
    platform::Rect tray;
    const auto settled = [&] { return Resident::GetTrayToolbarRect(tray) == 1 && tray == Layout().panel; };
    if (corvane_test::WaitFor(settled, 10000, [] { platform::ProcessPendingMessages(); })) return true;
    if (Resident::GetTrayToolbarRect(tray) != 1) return false;
    ADD_FAILURE() << "the notification area is at " << tray.left << "," << tray.top << " to " << tray.right << ","
                  << tray.bottom;
    return true;
  };
  bool found = added && docked();
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
  docked();
  if (!ExpectPlacedAgainstTheTray<Resident::CUpdateWnd>(owner, 450, 70)) lost += " update";
  platform::ShellNotifyIcon(platform::NIM_DELETE, icon);
  platform::DestroyIcon(icon.icon);
  if (!lost.empty()) GTEST_SKIP() << "the tray host stopped showing the icon while a popup was open:" << lost;
}

}  // namespace
