// The main window's behaviour on real windows drawn off screen: month stepping and the
// button states at both bounds, the reload rules, the pages it opens (xdg-open is a
// recorder on PATH), the comparison address, clicks with Shift or Ctrl, and closing.
#include <gtest/gtest.h>

#include "platform/core/TextCodec.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/WindowInspection.h"
#include "tests/viewer_app/ViewerSandbox.h"
#include "tests/viewer_app/ViewerWindow.h"

namespace Velunor::Quillon::Ui {
namespace {

using viewer_test::Sandbox;
using viewer_test::ViewerWindow;
using viewer_test::WaitFor;

constexpr std::uint64_t kMiB = 1048576;

const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}();

TEST(MainWndTest, StepsWithinTheThirteenMonthsAndTheInstallMonth) {
  struct Case {
    const char* fixture;
    int earliestYear, earliestMonth;
    int stepsBack;
  };
  const Case cases[] = {
      // Installed in October 2015: the install month is the first one shown.
      {"summary_in_progress.xml", 2015, 10, 5},
      // Installed in 2014: March of the year before is the thirteenth and last month.
      {"summary_long.xml", 2015, 3, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    Sandbox sandbox;
    sandbox.PinClock(2016, 3, 20);
    sandbox.CopyFixture(c.fixture, "summarydata.xml");
    sandbox.InstallDefaultPriceFiles();
    ViewerWindow window;
    ASSERT_TRUE(window.Created());
    EXPECT_EQ(window.DisplayedYear(), 2016);
    EXPECT_EQ(window.DisplayedMonth(), 3);
    EXPECT_FALSE(window.IsEnabled(kNextMonthButtonId)) << "the last-data month has no next month";
    EXPECT_TRUE(window.IsEnabled(kUpdateButtonId));
    EXPECT_EQ(window.TextOf(kPrevMonthButtonId), L"<< 2月の通信料");
    EXPECT_EQ(window.TextOf(kNextMonthButtonId), L"4月の通信料 >>");

    int steps = 0;
    while (window.IsEnabled(kPrevMonthButtonId) && steps < 20) {
      window.Click(kPrevMonthButtonId);
      ++steps;
    }
    EXPECT_EQ(steps, c.stepsBack);
    EXPECT_EQ(window.DisplayedYear(), c.earliestYear);
    EXPECT_EQ(window.DisplayedMonth(), c.earliestMonth);
    EXPECT_TRUE(window.IsEnabled(kNextMonthButtonId));
    // A disabled button does nothing when clicked.
    window.Click(kPrevMonthButtonId);
    EXPECT_EQ(window.DisplayedMonth(), c.earliestMonth);

    while (window.IsEnabled(kNextMonthButtonId) && steps > -20) {
      window.Click(kNextMonthButtonId);
      --steps;
    }
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(window.DisplayedYear(), 2016);
    EXPECT_EQ(window.DisplayedMonth(), 3);
  }
}

TEST(MainWndTest, OnlySteppingOntoTheCurrentMonthAndTheUpdateButtonReread) {
  Sandbox sandbox;
  sandbox.PinClock(2016, 3, 20);
  sandbox.CopyFixture("summary_in_progress.xml", "summarydata.xml");
  sandbox.InstallDefaultPriceFiles();
  ViewerWindow window;
  ASSERT_TRUE(window.Created());
  const std::uint64_t march = window->GetMonthUsage().GetMonthTotal();
  EXPECT_EQ(march, 2600 * kMiB + 1);
  window.Click(kPrevMonthButtonId);
  window.Click(kPrevMonthButtonId);
  ASSERT_EQ(window.DisplayedMonth(), 1);

  // The collector writes again: 5 MiB more on 3 February and on 20 March.
  std::string summary = viewer_test::ReadFile(boost::filesystem::path(VIEWER_APP_FIXTURES) / "summary_in_progress.xml");
  auto grow = [&summary](const std::string& unit, const std::string& grown) {
    std::size_t at = summary.find(unit);
    ASSERT_NE(at, std::string::npos) << unit;
    summary.replace(at, unit.size(), grown);
  };
  grow("<datetime>031200</datetime><send_size>41943040<", "<datetime>031200</datetime><send_size>47185920<");
  grow("<datetime>201200</datetime><send_size>157286400<", "<datetime>201200</datetime><send_size>162529280<");
  sandbox.WriteData("summarydata.xml", summary);

  window.Click(kNextMonthButtonId);
  ASSERT_EQ(window.DisplayedMonth(), 2);
  EXPECT_EQ(window->GetMonthUsage().GetMonthTotal(), 100 * kMiB) << "stepping to a past month rereads nothing";
  window.Click(kPrevMonthButtonId);
  window.Click(kNextMonthButtonId);
  EXPECT_EQ(window->GetMonthUsage().GetMonthTotal(), 100 * kMiB) << "stepping back rereads nothing";

  window.Click(kNextMonthButtonId);
  ASSERT_EQ(window.DisplayedMonth(), 3);
  EXPECT_EQ(window->GetMonthUsage().GetMonthTotal(), march + 5 * kMiB) << "the current month shows the newest data";
  window.Click(kPrevMonthButtonId);
  EXPECT_EQ(window->GetMonthUsage().GetMonthTotal(), 105 * kMiB);

  // The update button rereads and returns to the last-data month from anywhere.
  window.Click(kPrevMonthButtonId);
  sandbox.WriteData("summarydata.xml", summary + "\n");
  window.Click(kUpdateButtonId);
  EXPECT_EQ(window.DisplayedYear(), 2016);
  EXPECT_EQ(window.DisplayedMonth(), 3);
}

TEST(MainWndTest, PreviousMonthFlagShowsTheMonthBeforeTheLastDataMonth) {
  struct Case {
    int day, month, year;
    int shownYear, shownMonth;
  };
  const Case cases[] = {
      {20, 3, 2016, 2016, 2},
      {10, 1, 2016, 2015, 12},  // January: December of the year before
  };
  for (const Case& c : cases) {
    Sandbox sandbox;
    sandbox.PinClock(c.year, c.month, c.day);
    sandbox.CopyFixture("summary_in_progress.xml", "summarydata.xml");
    ViewerWindow window(1);
    ASSERT_TRUE(window.Created());
    EXPECT_EQ(window.DisplayedYear(), c.shownYear);
    EXPECT_EQ(window.DisplayedMonth(), c.shownMonth);
    EXPECT_TRUE(window.IsEnabled(kNextMonthButtonId));
  }
}

TEST(MainWndTest, PlainLeftClicksOpenThePagesAndTheComparisonQuery) {
  Sandbox sandbox;
  sandbox.PinClock(2016, 3, 20);
  sandbox.CopyFixture("summary_in_progress.xml", "summarydata.xml");
  sandbox.InstallDefaultPriceFiles();
  // The developer override of the comparison address, read when the window starts.
  viewer_test::WriteFile(sandbox.InstallFolder() / "DebugUrlTest.txt",
                         "http://download.test.invalid/\nhttp://version.test.invalid/\nhttp://compare.test.invalid/hikaku.php\n");
  ViewerWindow window;
  ASSERT_TRUE(window.Created());
  window.Click(kPrevMonthButtonId);
  window.Click(kPrevMonthButtonId);

  const platform::Rect download = window->GetDownloadButton().GetRect();
  const platform::Rect comparison = window->GetComparisonButton().GetRect();
  const platform::Rect link = window->GetLinkButton().GetRect();
  const int x = download.left + 20;
  const int y = download.top + 10;
  // Shift, Ctrl or a second button change the button's look but open nothing.
  for (unsigned int extra : {platform::MK_SHIFT, platform::MK_CONTROL, platform::MK_RBUTTON}) {
    window.Mouse(platform::WM_MOUSEMOVE, x, y, 0);
    window.Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON | extra);
    EXPECT_EQ(window->GetDownloadButton().GetMouseState(), CDrawButton::kPressed);
    window.Mouse(platform::WM_MOUSEMOVE, x, y, 0);
  }

  struct Click {
    platform::Rect rect;
    std::size_t lines;
  };
  const Click clicks[] = {{link, 1}, {download, 2}, {comparison, 3}};
  for (const Click& click : clicks) {
    int cx = (click.rect.left + click.rect.right) / 2;
    int cy = (click.rect.top + click.rect.bottom) / 2;
    window.Mouse(platform::WM_MOUSEMOVE, cx, cy, 0);
    window.Mouse(platform::WM_LBUTTONDOWN, cx, cy, platform::MK_LBUTTON);
    window.Mouse(platform::WM_LBUTTONUP, cx, cy, 0);
    EXPECT_TRUE(WaitFor([&] { return sandbox.Opened().size() >= click.lines; })) << "page " << click.lines;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::vector<std::string> opened = sandbox.Opened();
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0], "https://www.zembrolite.example/");
  EXPECT_EQ(opened[1], "http://www.zembrolite.example/sorane/mervix_v2/download.html");
  // March: 2601 MiB used, 4031 MiB with the projection, priced in the open zone;
  // February and January are complete and lie in the first zone.
  EXPECT_EQ(opened[2],
            "http://compare.test.invalid/hikaku.php?pm_traffic=2601&pm_est_traffic=4031&pm_price=32480"
            "&lm_traffic=100&lm_est_traffic=100&lm_price=2480&blm_traffic=30&blm_est_traffic=30&blm_price=2480"
            "&line_id=sorane");
  EXPECT_EQ(window.DisplayedMonth(), 3) << "the comparison button returns to the last-data month";
}

TEST(MainWndTest, HoverRepaintsTheButtonAtOnce) {
  Sandbox sandbox;
  sandbox.PinClock(2016, 3, 20);
  sandbox.InstallDefaultPriceFiles();
  ViewerWindow window;
  ASSERT_TRUE(window.Created());
  const platform::Rect download = window->GetDownloadButton().GetRect();
  auto pictureAt = [](int bitmapId) {
    platform::GdiObjectHandle bitmap = platform::LoadBitmap(GetViewerResources(), bitmapId);
    std::optional<platform::PixelImage> pixels = platform::GetBitmapPixels(bitmap);
    platform::DeleteObject(bitmap);
    return pixels ? *pixels : platform::PixelImage();
  };
  const platform::PixelImage normal = pictureAt(kDownloadBitmapId);
  const platform::PixelImage hover = pictureAt(kDownloadHoverBitmapId);
  ASSERT_EQ(normal.width, 170);
  // A pixel where the two pictures differ.
  int px = -1;
  int py = -1;
  for (int y = 0; y < normal.height && px < 0; ++y) {
    for (int x = 0; x < normal.width; ++x) {
      if (normal.At(x, y) != hover.At(x, y)) {
        px = x;
        py = y;
        break;
      }
    }
  }
  ASSERT_GE(px, 0) << "hover picture equals the normal one";
  EXPECT_EQ(window.Capture().At(download.left + px, download.top + py), normal.At(px, py));
  window.Mouse(platform::WM_MOUSEMOVE, download.left + 5, download.top + 5, 0);
  EXPECT_EQ(window.Capture().At(download.left + px, download.top + py), hover.At(px, py));
  window.Mouse(platform::WM_MOUSEMOVE, 2, 2, 0);
  EXPECT_EQ(window.Capture().At(download.left + px, download.top + py), normal.At(px, py));
}

TEST(MainWndTest, CloseEndsTheLoopWithZero) {
  Sandbox sandbox;
  sandbox.PinClock(2016, 3, 20);
  ViewerWindow window;
  ASSERT_TRUE(window.Created());
  EXPECT_EQ(platform::GetWindowText(window.Handle()), L"ミルカナ ソラネ/ソラネプラス　ノルディカ");
  EXPECT_TRUE(platform::IsTopMost(window.Handle()));
  platform::Rect client;
  platform::GetClientRect(window.Handle(), client);
  EXPECT_EQ(client.Width(), 500);
  EXPECT_EQ(client.Height(), 520);
  // Escape goes to the dialog manager as a cancel command, which the window ignores.
  platform::SimulateKey(window.Handle(), platform::VK_ESCAPE);
  ViewerWindow::Settle();
  EXPECT_TRUE(window->Handle());
  platform::PostMessage(window.Handle(), platform::WM_CLOSE);
  EXPECT_EQ(window.Loop().Run(), 0);
  EXPECT_FALSE(window->Handle()) << "the object parts from its window";
}

TEST(MainWndText, GroupedNumbersAndUsedVolume) {
  struct Grouped {
    int value;
    const wchar_t* text;
  };
  const Grouped grouped[] = {{0, L"0"}, {999, L"999"}, {1000, L"1,000"}, {1001, L"1,001"}, {1234567, L"1,234,567"},
                             {2147483647, L"2,147,483,647"}};
  for (const Grouped& g : grouped) EXPECT_EQ(CMainWnd::FormatGrouped(g.value), g.text) << g.value;

  struct Volume {
    std::uint64_t bytes;
    const wchar_t* text;
  };
  const Volume volumes[] = {
      {0, L"0MB"},
      {1, L"1MB"},
      {kMiB, L"1MB"},
      {kMiB + 1, L"2MB"},
      {1234567 * kMiB, L"1,234,567MB"},
      {2147483647ull * kMiB + 1, L"2,147,483,647MB"},  // one more MiB than fits
      {~0ull, L"2,147,483,647MB"},
  };
  for (const Volume& v : volumes) EXPECT_EQ(CMainWnd::FormatUsedVolume(v.bytes), v.text) << v.bytes;
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
