// The viewer and the reckoner's chooser under a real window manager (openbox on an X
// server of the test's own), as the window manager and a real pointer see them.
#include <gtest/gtest.h>

#include <thread>

#include "common/ProductName.h"
#include "platform/core/TextCodec.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/testing/ExternalWindowClose.h"
#include "tests/desktop/DesktopSandbox.h"
#include "tests/desktop/X11Probe.h"

namespace desktop_test {
namespace {

using corvane_test::ScopedEnv;
using corvane_test::WaitFor;
namespace Common = Velunor::Quillon::Common;

constexpr char kChooserTitle[] = "回線品目の設定";

class UnderWindowManager : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.Start() || !windowManager_.Start(display_.Name()) || corvane_test::FindOnPath("xdotool").empty()) {
      GTEST_SKIP() << kNoWindowManager;
    }
    displayEnv_.emplace("DISPLAY", display_.Name());
    platformEnv_.emplace("QT_QPA_PLATFORM", "xcb");
    installation_.AddProgram(CORVANE_VIEWER_PATH, "CorvaneViewer");
    installation_.AddProgram(CORVANE_RECKONER_PATH, "CorvaneReckoner");
    for (const char* name : {"lineselect.xml", "lineprice.xml"}) {
      installation_.AddDataFile(name, ReadFile(fs::path(PACKAGING_FOLDER) / "defaults" / name), 0, 0666);
    }
    installation_.AddWriterLock("lineselect.xml", 0, 0666);
    probe_.emplace(display_.Name());
    probe_->WatchTopLevelWindows();
    viewer_ = platform::ChildProcess::Start((installation_.ProgramFolder() / "CorvaneViewer").string(), {});
    ASSERT_TRUE(viewer_);
    // A bound for a busy machine under the sanitizers, not a figure the test measures.
    const bool shown = WaitFor(
        [&] { return Find(viewer_->ProcessId(), Common::kProductName).has_value() || viewer_->HasEnded(); }, 60000);
    ASSERT_TRUE(shown && !viewer_->HasEnded())
        << "no viewer window: " << (viewer_->HasEnded() ? "it ended with " + std::to_string(viewer_->ExitCode()) : "it runs")
        << "; top-level windows: " << DescribeWindows();
    viewerWindow_ = Find(viewer_->ProcessId(), Common::kProductName)->x11Window;
    // Let the window manager place and frame it.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  void TearDown() override {
    if (viewer_ && !viewer_->HasEnded()) {
      if (auto window = Find(viewer_->ProcessId(), Common::kProductName)) platform::RequestWindowClose(*window);
      viewer_->Wait(5000);
    }
    Stop(viewer_);
  }

  static std::string DescribeWindows() {
    std::string text;
    for (const platform::TopLevelWindow& window : platform::EnumTopLevelWindows()) {
      text += "[" + std::to_string(window.processId) + " " + platform::WideToUtf8(window.title) + "] ";
    }
    return text;
  }

  static std::optional<platform::TopLevelWindow> Find(std::uint32_t processId, const std::wstring& title) {
    for (const platform::TopLevelWindow& window : platform::EnumTopLevelWindows()) {
      if ((processId == 0 || window.processId == processId) && window.title == title) return window;
    }
    return std::nullopt;
  }

  // A window of a fixed size with only a close box, as the window manager treats it:
  // it offers moving and closing, not resizing, maximising, full screen or minimising,
  // and draws the window's icon and the close box only. (openbox takes the fixed size
  // alone as no resize and no maximise in _NET_WM_ALLOWED_ACTIONS, but still draws a
  // maximise button and offers full screen.) A pager's request for full screen is
  // refused: the window stays where it is, framed.
  void ExpectOnlyMoveAndClose(xcb_window_t window) {
    const std::vector<std::uint32_t> hints = probe_->Values(window, "WM_NORMAL_HINTS");
    const platform::Rect area = probe_->Geometry(window);
    ASSERT_GE(hints.size(), 9u);
    EXPECT_EQ(hints[0] & 0x30, 0x30u) << "minimum and maximum size given";
    EXPECT_EQ((std::vector<std::uint32_t>{hints[5], hints[6], hints[7], hints[8]}),
              (std::vector<std::uint32_t>{static_cast<std::uint32_t>(area.Width()), static_cast<std::uint32_t>(area.Height()),
                                          static_cast<std::uint32_t>(area.Width()),
                                          static_cast<std::uint32_t>(area.Height())}))
        << "minimum and maximum are the window's size";
    for (const char* action : {"_NET_WM_ACTION_CLOSE", "_NET_WM_ACTION_MOVE"}) {
      EXPECT_TRUE(probe_->HasAtom(window, "_NET_WM_ALLOWED_ACTIONS", action)) << action;
    }
    for (const char* action : {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_FULLSCREEN",
                               "_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MINIMIZE"}) {
      EXPECT_FALSE(probe_->HasAtom(window, "_NET_WM_ALLOWED_ACTIONS", action)) << action;
    }
    EXPECT_EQ(probe_->TitleBarSquares(window), 2) << "the window's icon and the close box, no maximise button";
    const platform::Rect frame = probe_->FrameRect(window);
    probe_->RequestState(window, "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_FULLSCREEN");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_FALSE(probe_->HasAtom(window, "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN"));
    EXPECT_EQ(probe_->FrameRect(window), frame) << "neither moved nor unframed";
  }

  // The chooser from the viewer's menu, once the window manager has taken it in.
  void OpenChooser(std::optional<platform::TopLevelWindow>& chooser) {
    ChooseLineFromMenu();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(WaitFor([&] { return (chooser = Find(0, platform::Utf8ToWide(kChooserTitle))).has_value(); }, 20000))
        << "no chooser";
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
  }

  // The menu "設定" at the left end of the menu bar, then its one item.
  void ChooseLineFromMenu() {
    const platform::Rect viewer = probe_->Geometry(viewerWindow_);
    ASSERT_TRUE(ClickAt(display_.Name(), viewer.left + 15, viewer.top + 8));
    std::optional<platform::Rect> menu;
    ASSERT_TRUE(WaitFor([&] { return (menu = probe_->PopupRect()).has_value(); }, 5000)) << "the menu did not open";
    ASSERT_TRUE(ClickAt(display_.Name(), (menu->left + menu->right) / 2, (menu->top + menu->bottom) / 2));
  }

  Installation installation_;
  corvane_test::VirtualDisplay display_;
  WindowManager windowManager_;
  std::optional<ScopedEnv> displayEnv_, platformEnv_;
  std::optional<X11Probe> probe_;
  std::optional<platform::ChildProcess> viewer_;
  xcb_window_t viewerWindow_ = 0;
};

TEST_F(UnderWindowManager, TheViewerOffersNoMaximiseAndKeepsItsSize) {
  const platform::Rect before = probe_->Geometry(viewerWindow_);
  EXPECT_EQ(before.Width(), 500);
  ExpectOnlyMoveAndClose(viewerWindow_);
  // A pager asks to maximise it, the program to make it larger: the size stays.
  probe_->RequestState(viewerWindow_, "_NET_WM_STATE_MAXIMIZED_HORZ", "_NET_WM_STATE_MAXIMIZED_VERT");
  probe_->RequestSize(viewerWindow_, 900, 700);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  const platform::Rect after = probe_->Geometry(viewerWindow_);
  EXPECT_EQ(after.Width(), before.Width());
  EXPECT_EQ(after.Height(), before.Height());
  EXPECT_FALSE(probe_->HasAtom(viewerWindow_, "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_VERT"));
}

TEST_F(UnderWindowManager, TheChooserOffersNoMaximiseOrFullScreen) {
  std::optional<platform::TopLevelWindow> chooser;
  OpenChooser(chooser);
  if (HasFatalFailure()) return;
  ExpectOnlyMoveAndClose(chooser->x11Window);
}

TEST_F(UnderWindowManager, TheViewerIsTopMostFromItsFirstShowOn) {
  EXPECT_TRUE(probe_->HasAtom(viewerWindow_, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
  EXPECT_EQ(probe_->UnmapsSinceWatch(), 0) << "becoming top-most must not take the shown window off the screen";
}

TEST_F(UnderWindowManager, TheChooserFromTheMenuIsOnTopPaintedAndTakesAClick) {
  std::optional<platform::TopLevelWindow> chooser;
  OpenChooser(chooser);
  if (HasFatalFailure()) return;
  EXPECT_TRUE(probe_->IsTopMost(chooser->x11Window)) << "the chooser must not open behind the top-most viewer";
  const std::vector<std::uint32_t> owner = probe_->Values(chooser->x11Window, "WM_TRANSIENT_FOR");
  EXPECT_EQ(owner.empty() ? 0u : owner[0], viewerWindow_);

  // The template in dialog units: 300 wide, 120 high with the two shipped lines; the
  // label at (7, 7)-(293, 17), the second line's button at y 58-72, OK at (166, 99)-(226, 113).
  const platform::Rect area = probe_->Geometry(chooser->x11Window);
  const auto at = [&](double x, double y) {
    return platform::Point{area.left + static_cast<int>(x * area.Width() / 300), area.top + static_cast<int>(y * area.Height() / 120)};
  };
  const platform::Point labelTopLeft = at(7, 7), labelBottomRight = at(150, 17), blankLeft = at(2, 1), blankRight = at(298, 5);
  const std::vector<std::uint32_t> blank =
      probe_->Pixels(platform::Rect{blankLeft.x, blankLeft.y, blankRight.x, blankRight.y});
  ASSERT_FALSE(blank.empty());
  const std::uint32_t background = blank.front();
  for (std::uint32_t pixel : blank) ASSERT_EQ(pixel, background) << "one background above the label";
  EXPECT_GT((background >> 16) & 0xFF, 200u) << "the background is painted, not left black";
  int text = 0;
  for (std::uint32_t pixel : probe_->Pixels(platform::Rect{labelTopLeft.x, labelTopLeft.y, labelBottomRight.x, labelBottomRight.y})) {
    if (pixel != background) ++text;
  }
  EXPECT_GT(text, 50) << "the label's text is drawn";

  const platform::Point second = at(150, 65), ok = at(196, 106);
  ASSERT_TRUE(ClickAt(display_.Name(), second.x, second.y));
  ASSERT_TRUE(ClickAt(display_.Name(), ok.x, ok.y));
  EXPECT_TRUE(WaitFor([&] { return !Find(0, platform::Utf8ToWide(kChooserTitle)).has_value(); }, 10000)) << "OK did not end it";
  EXPECT_NE(ReadFile(installation_.DataFolder() / "lineselect.xml").find("ソラネプラス　"), std::string::npos)
      << "the clicked line was written";
}

TEST_F(UnderWindowManager, TheChoosersErrorBoxIsNotHiddenByTheViewer) {
  // A price file without lines: the chooser has nothing to offer and says so.
  installation_.AddDataFile("lineprice.xml", "<?xml version=\"1.0\" ?>\n<price_logic />\n", 0, 0666);
  ChooseLineFromMenu();
  if (HasFatalFailure()) return;
  std::optional<platform::TopLevelWindow> box;
  const auto findBox = [&] {
    for (const platform::TopLevelWindow& window : platform::EnumTopLevelWindows()) {
      if (window.processId != viewer_->ProcessId() && window.title == Common::kProductName) box = window;
    }
    return box.has_value();
  };
  ASSERT_TRUE(WaitFor(findBox, 20000)) << "no error box";
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_TRUE(probe_->IsTopMost(box->x11Window)) << "the box must not open behind the top-most viewer";
  platform::RequestWindowClose(*box);
  EXPECT_TRUE(WaitFor([&] { box.reset(); return !findBox(); }, 10000)) << "closing did not answer it";
}

}  // namespace
}  // namespace desktop_test
