// The painted window for fixture months: every text it draws, as text, with its
// rectangle, alignment and font; fills and pictures at known pixels; and the whole
// picture against one reference per fixture (tests/viewer_app/reference/), pixel for
// pixel. Each run writes what it painted to the build folder;
// CORVANE_UPDATE_SCREENSHOTS=1 replaces the references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/core/TextCodec.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiText.h"
#include "platform/ui/testing/DrawnTextRecord.h"
#include "tests/DrawnTextPrinting.h"
#include "tests/viewer_app/ViewerSandbox.h"
#include "tests/viewer_app/ViewerWindow.h"

namespace Velunor::Quillon::Ui {
namespace {

using platform::ColorRef;
using platform::PixelImage;
using platform::Rect;
using platform::Rgb;
using viewer_test::Sandbox;
using viewer_test::ViewerWindow;

const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}();

constexpr ColorRef kCaptionFill = Rgb(198, 217, 241);
constexpr ColorRef kValueFill = Rgb(219, 238, 244);
constexpr ColorRef kWhite = Rgb(255, 255, 255);
constexpr ColorRef kInPeriod = Rgb(250, 250, 250);
constexpr ColorRef kOutside = Rgb(223, 223, 223);
constexpr ColorRef kGridGrey = Rgb(128, 128, 128);
constexpr ColorRef kOrange = Rgb(247, 150, 70);
constexpr ColorRef kRed = Rgb(255, 0, 0);

std::string Hex(ColorRef color) {
  char text[16];
  std::snprintf(text, sizeof(text), "#%02x%02x%02x", platform::RedOf(color), platform::GreenOf(color), platform::BlueOf(color));
  return text;
}

PixelImage Picture(int bitmapId) {
  platform::GdiObjectHandle bitmap = platform::LoadBitmap(GetViewerResources(), bitmapId);
  std::optional<PixelImage> pixels = platform::GetBitmapPixels(bitmap);
  platform::DeleteObject(bitmap);
  return pixels ? *pixels : PixelImage();
}

const wchar_t kFace[] = L"ＭＳ Ｐゴシック";
const wchar_t kMeteredDescription1[] = L"月300MBまで2,480円、以降10MBごとに250円加算されます（上限32,480円）。";
const wchar_t kFlatDescription1[] = L"月50MBまで3,980円、50MBを超えると定額5,980円です。";
const wchar_t kEstimateNote[] = L"※推定月額料金は、当月のご利用実績から月末までのご利用量を見込んで計算しています。";

// DrawCenter and DrawRight single-line, DrawLeft single-line.
constexpr unsigned int kCentred = platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE;
constexpr unsigned int kRight = platform::DT_RIGHT | platform::DT_VCENTER | platform::DT_SINGLELINE;
constexpr unsigned int kLeft = platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE;

platform::DrawnText Text(const std::wstring& text, Rect rect, unsigned int format, int height, int weight,
                         ColorRef color = Rgb(0, 0, 0), bool underline = false) {
  return platform::DrawnText{text, rect, format, kFace, height, weight, underline, color};
}

struct RenderCase {
  const char* name;
  const char* summary;  // fixture, or null for a machine without data yet
  const char* line;     // the selected line, or null for none
  int showPreviousMonth;
  // What the window shows, written from the layout rules and the fixture's numbers.
  const wchar_t* title;
  int axisMax;
  const wchar_t* used;
  const wchar_t* period;
  const wchar_t* charge;
  const wchar_t* description1;
  const wchar_t* description2;
  bool complete;  // description 1 is hidden and description 2 takes its place
  const wchar_t* previousButton;
  bool previousEnabled;
  const wchar_t* nextButton;
  bool nextEnabled;
};

void PrintTo(const RenderCase& c, std::ostream* out) { *out << c.name; }

const RenderCase kCases[] = {
    // The install month, 5 to 20 March: 200 MiB + 1 byte used; 15 days unmeasured give
    // ((209715201 x 100 / 16) x 15) / 100 = 196608000 bytes more, 388 MiB in all, which
    // the metered line rounds to 390: 2480 + 90 x 25 = 4730.
    {"install_month", "summary_install_month.xml", "ソラネ　", 0, L"3月の利用量グラフ", 500, L"201MB",
     L"3月5日～3月20日", L"4,730円", kMeteredDescription1, kEstimateNote, false, L"<< 2月の通信料", false,
     L"4月の通信料 >>", false},
    // February 2016 of the longer fixture: complete (29 days of a leap year), 100 MiB,
    // the flat line's upper price.
    {"previous_month_flat", "summary_in_progress.xml", "ソラネプラス　", 1, L"2月の利用量グラフ", 100,
     L"100MB", L"2月1日～2月29日", L"5,980円", kFlatDescription1, kEstimateNote, true, L"<< 1月の通信料", true,
     L"3月の通信料 >>", true},
    // No summary file: the month of the load, measured on that day only; no line.
    {"no_data_no_line", nullptr, nullptr, 0, L"3月の利用量グラフ", 50, L"0MB", L"3月20日～3月20日", L"0円", L"",
     L"", false, L"<< 2月の通信料", false, L"4月の通信料 >>", false},
};

std::vector<platform::DrawnText> ExpectedTexts(const RenderCase& c) {
  const std::wstring line = c.line != nullptr ? platform::Utf8ToWide(c.line) : L"";
  const ColorRef black = Rgb(0, 0, 0);
  std::vector<platform::DrawnText> texts;
  // Text items draw in their rectangle narrowed by 5 on the left and on the right.
  texts.push_back(Text(c.title, Rect{180, 35, 320, 65}, kCentred, 14, 900, Rgb(255, 255, 255)));
  // The graph draws into a picture of its own frame's size (490 x 180), rows 30 apart
  // from the base line at 155, columns 14 wide from 30.
  for (int row = 0; row <= 5; ++row) {
    const int y = 155 - 30 * row;
    texts.push_back(Text(std::to_wstring(c.axisMax / 5 * row), Rect{0, y - 10, 25, y + 10}, kCentred, 10, 400));
  }
  texts.push_back(Text(L"[MB]", Rect{0, 5, 25, 25}, kCentred, 10, 400));
  for (int day = 1; day <= 31; ++day) {
    const int x = 30 + 14 * (day - 1);
    texts.push_back(Text(std::to_wstring(day), Rect{x, 160, x + 14, 180}, kCentred, 10, 400));
  }
  texts.push_back(Text(L"[日]", Rect{464, 160, 484, 180}, kCentred, 10, 400));
  texts.push_back(Text(L"当月ご利用された利用量", Rect{20, 257, 480, 282}, kCentred, 12, 900));
  texts.push_back(Text(c.used, Rect{20, 282, 480, 320}, kCentred, 15, 900));
  texts.push_back(Text(c.period, Rect{20, 320, 480, 332}, kCentred, 11, 900));
  texts.push_back(Text(line + L"利用時の推定月額料金（当月１ヵ月分）※", Rect{20, 332, 480, 357}, kCentred, 12, 900));
  texts.push_back(Text(c.charge, Rect{20, 357, 480, 395}, kCentred, 15, 900));
  texts.push_back(Text(L"(料金は税込)", Rect{420, 242, 480, 257}, kRight, 10, 400));
  texts.push_back(Text(c.description1, Rect{20, 397, 480, c.complete ? 397 : 412}, kLeft, 10, 400));
  texts.push_back(Text(c.description2, c.complete ? Rect{20, 397, 480, 412} : Rect{20, 412, 480, 427}, kLeft, 10, 400));
  texts.push_back(Text(line + L"ノルディカ", Rect{10, 5, 490, 25}, kLeft, 20, 900));
  // Weight 1000: bold (900) and underlined.
  texts.push_back(Text(L"ミルカナ 光のご案内、お申し込み", Rect{30, 460, 470, 505}, kLeft, 18, 900, Rgb(0, 0, 255), true));
  texts.push_back(Text(L"Copyright (C) Hoxa Zembrolite", Rect{310, 500, 490, 520}, kLeft, 10, 400, black));
  return texts;
}

class MainWndRenderTest : public ::testing::TestWithParam<RenderCase> {
 protected:
  void SetUp() override {
    sandbox_.PinClock(2016, 3, 20);
    const RenderCase& c = GetParam();
    if (c.summary != nullptr) sandbox_.CopyFixture(c.summary, "summarydata.xml");
    sandbox_.InstallDefaultPriceFiles();
    if (c.line != nullptr) {
      sandbox_.SelectLine(c.line);
    } else {
      sandbox_.WriteData("lineselect.xml", "<lineselect><version>1</version><lineselect/></lineselect>");
    }
  }

  Sandbox sandbox_;
};

TEST_P(MainWndRenderTest, DrawsEveryTextWhereAndHowTheLayoutSays) {
  const RenderCase& c = GetParam();
  ViewerWindow window(c.showPreviousMonth);
  ASSERT_TRUE(window.Created());
  ViewerWindow::Settle();
  platform::DrawnTextRecord record;
  const PixelImage image = window.Capture();
  ASSERT_EQ(image.width, 500);
  ASSERT_EQ(image.height, 520);
  const std::vector<platform::DrawnText> drawn = record.Take();
  const std::vector<platform::DrawnText> expected = ExpectedTexts(c);
  for (std::size_t i = 0; i < std::max(drawn.size(), expected.size()); ++i) {
    EXPECT_EQ(i < drawn.size() ? platform::Describe(drawn[i]) : "nothing",
              i < expected.size() ? platform::Describe(expected[i]) : "nothing")
        << "text " << i;
  }

  EXPECT_EQ(window.TextOf(kPrevMonthButtonId), c.previousButton);
  EXPECT_EQ(window.IsEnabled(kPrevMonthButtonId), c.previousEnabled);
  EXPECT_EQ(window.TextOf(kNextMonthButtonId), c.nextButton);
  EXPECT_EQ(window.IsEnabled(kNextMonthButtonId), c.nextEnabled);
  EXPECT_EQ(window.TextOf(kUpdateButtonId), L"更新");

  // Panel: caption and value fills inside white one-pixel outlines.
  struct Probe {
    int x, y;
    ColorRef color;
  };
  const Probe probes[] = {
      {17, 259, kCaptionFill}, {482, 280, kCaptionFill}, {17, 334, kCaptionFill}, {482, 355, kCaptionFill},
      {17, 284, kValueFill},   {482, 330, kValueFill},   {17, 359, kValueFill},   {482, 393, kValueFill},
      {15, 257, kWhite},       {484, 300, kWhite},       {15, 394, kWhite},       {2, 515, kWhite},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(Hex(image.At(p.x, p.y)), Hex(p.color)) << "at " << p.x << "," << p.y;
  }

  // The title plate and both picture buttons show their pictures' corners (the texts
  // are centred, the corners stay the picture's own).
  struct Plate {
    int bitmapId;
    Rect rect;
  };
  const Plate plates[] = {{kTitleBitmapId, Rect{175, 35, 325, 65}},
                          {kDownloadBitmapId, Rect{55, 427, 225, 457}},
                          {kComparisonBitmapId, Rect{275, 427, 445, 457}}};
  for (const Plate& plate : plates) {
    const PixelImage picture = Picture(plate.bitmapId);
    ASSERT_EQ(picture.width, plate.rect.Width()) << plate.bitmapId;
    for (auto [px, py] : {std::pair{1, 1}, std::pair{picture.width - 2, picture.height - 2}}) {
      EXPECT_EQ(Hex(image.At(plate.rect.left + px, plate.rect.top + py)), Hex(picture.At(px, py)))
          << "bitmap " << plate.bitmapId << " at " << px << "," << py;
    }
  }
}

// The whole picture, pixel for pixel: where everything lies and how the texts look.
TEST_P(MainWndRenderTest, MatchesTheReferencePicture) {
  const RenderCase& c = GetParam();
  ViewerWindow window(c.showPreviousMonth);
  ASSERT_TRUE(window.Created());
  const PixelImage image = window.Capture();
  const std::string name = std::string(c.name) + ".png";
  boost::filesystem::create_directories(VIEWER_APP_SCREENSHOTS);
  ASSERT_TRUE(image.SavePng(std::string(VIEWER_APP_SCREENSHOTS) + "/" + name));
  const std::string reference = std::string(VIEWER_APP_REFERENCE) + "/" + name;
  const char* update = std::getenv("CORVANE_UPDATE_SCREENSHOTS");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(image.SavePng(reference));
    return;
  }
  std::optional<PixelImage> expected = platform::LoadPixelImage(reference);
  ASSERT_TRUE(expected) << "no reference picture " << reference << "; run with CORVANE_UPDATE_SCREENSHOTS=1";
  ASSERT_EQ(expected->width, image.width);
  ASSERT_EQ(expected->height, image.height);
  int different = 0;
  for (std::size_t i = 0; i < image.pixels.size(); ++i) different += image.pixels[i] != expected->pixels[i] ? 1 : 0;
  EXPECT_EQ(different, 0) << different << " pixels differ from " << reference << "; look at "
                          << VIEWER_APP_SCREENSHOTS << "/" << name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MainWndRenderTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

// The graph of March in progress: axis 1500, origin (35, 220) in the window, columns 14
// wide, bars 10 wide and 2 in from the column's left edge, 150 pixels for the axis.
TEST(MainWndGraphTest, ColumnsAndBarsOfTheMonthInProgress) {
  Sandbox sandbox;
  sandbox.PinClock(2016, 3, 20);
  sandbox.CopyFixture("summary_in_progress.xml", "summarydata.xml");
  sandbox.InstallDefaultPriceFiles();
  ViewerWindow window;
  ASSERT_TRUE(window.Created());
  const PixelImage image = window.Capture();
  auto column = [](int day) { return 35 + (day - 1) * 14; };
  struct Probe {
    const char* what;
    int x, y;
    ColorRef color;
  };
  const Probe probes[] = {
      {"day 1 bar (66 permille, 9 pixels)", column(1) + 5, 212, kOrange},
      {"above day 1 bar", column(1) + 5, 210, kInPeriod},
      {"day 2: one byte, one pixel", column(2) + 5, 219, kOrange},
      {"above day 2", column(2) + 5, 218, kInPeriod},
      {"left of the day 2 bar", column(2) + 1, 219, kInPeriod},
      {"day 5 bar top (500 permille)", column(5) + 5, 145, kOrange},
      {"above day 5", column(5) + 5, 144, kInPeriod},
      {"day 10 clipped, full height", column(10) + 5, 70, kRed},
      {"day 10 clipped, bottom", column(10) + 5, 219, kRed},
      {"day 15 measured without traffic", column(15) + 5, 150, kInPeriod},
      {"day 21 after the last data", column(21) + 5, 150, kOutside},
      {"day 31 after the last data", column(31) + 5, 150, kOutside},
      {"grid line left end", 30, 190, kGridGrey},
      {"grid line right end", 468, 190, kGridGrey},
      {"frame's right side", 469, 191, kGridGrey},
      {"right of the frame", 470, 191, kWhite},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(Hex(image.At(p.x, p.y)), Hex(p.color)) << p.what << " at " << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
