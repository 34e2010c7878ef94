// The painted window for fixture months, checked at known pixels and against one
// reference picture per fixture (tests/viewer_app/reference/). Each run writes what it
// painted to the build folder; CORVANE_UPDATE_SCREENSHOTS=1 replaces the references.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "platform/core/TextCodec.h"
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

int CountPixels(const PixelImage& image, const Rect& rect, const std::function<bool(ColorRef)>& test) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) count += test(image.At(x, y)) ? 1 : 0;
  }
  return count;
}

bool Dark(ColorRef color) { return platform::RedOf(color) + platform::GreenOf(color) + platform::BlueOf(color) < 300; }
bool Blue(ColorRef color) {
  return platform::BlueOf(color) > 150 && platform::RedOf(color) < 120 && platform::GreenOf(color) < 120;
}

PixelImage Picture(int bitmapId) {
  platform::GdiObjectHandle bitmap = platform::LoadBitmap(GetViewerResources(), bitmapId);
  std::optional<PixelImage> pixels = platform::GetBitmapPixels(bitmap);
  platform::DeleteObject(bitmap);
  return pixels ? *pixels : PixelImage();
}

struct RenderCase {
  const char* name;
  const char* summary;  // fixture, or null for a machine without data yet
  const char* line;     // the selected line, or null for none
  int showPreviousMonth;
  bool complete;        // the month shown is complete: description 1 is hidden
};

const RenderCase kCases[] = {
    {"in_progress", "summary_in_progress.xml", "ソラネ　", 0, false},
    {"previous_month_flat", "summary_in_progress.xml", "ソラネプラス　", 1, true},
    {"no_data_no_line", nullptr, nullptr, 0, false},
};

class MainWndRenderTest : public ::testing::TestWithParam<RenderCase> {
 protected:
  void SetUp() override {
    viewer_test::PinClock(2016, 3, 20);
    const RenderCase& c = GetParam();
    if (c.summary != nullptr) sandbox_.CopyFixture(c.summary, "summarydata.xml");
    sandbox_.InstallDefaultPriceFiles();
    if (c.line != nullptr) {
      sandbox_.SelectLine(c.line);
    } else {
      sandbox_.WriteData("lineselect.xml", "<lineselect><version>1</version><lineselect/></lineselect>");
    }
  }
  void TearDown() override { platform::Clock::Unpin(); }

  Sandbox sandbox_;
};

TEST_P(MainWndRenderTest, PanelTitleButtonsAndTexts) {
  const RenderCase& c = GetParam();
  ViewerWindow window(c.showPreviousMonth);
  ASSERT_TRUE(window.Created());
  const PixelImage image = window.Capture();
  ASSERT_EQ(image.width, 500);
  ASSERT_EQ(image.height, 520);

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
  // The white title text on the plate.
  EXPECT_GT(CountPixels(image, Rect{180, 40, 320, 60}, [](ColorRef color) { return color == Rgb(255, 255, 255); }), 20);

  // Texts in their rectangles.
  struct Area {
    const char* what;
    Rect rect;
    std::function<bool(ColorRef)> ink;
    bool expected;
  };
  const bool hasLine = c.line != nullptr;
  const Area areas[] = {
      {"header", Rect{5, 5, 495, 25}, Dark, true},
      {"used volume caption", Rect{16, 258, 484, 281}, Dark, true},
      {"used volume", Rect{16, 283, 484, 319}, Dark, true},
      {"period", Rect{16, 320, 484, 331}, Dark, true},
      {"charge caption", Rect{16, 333, 484, 356}, Dark, true},
      {"charge", Rect{16, 358, 484, 394}, Dark, true},
      {"tax note", Rect{415, 242, 485, 257}, Dark, true},
      {"first description line", Rect{15, 397, 485, 412}, Dark, hasLine},
      {"second description line", Rect{15, 412, 485, 427}, Dark, hasLine && !c.complete},
      {"link", Rect{25, 460, 475, 505}, Blue, true},
      {"maker's notice", Rect{305, 500, 495, 520}, Dark, true},
  };
  for (const Area& area : areas) {
    int ink = CountPixels(image, area.rect, area.ink);
    if (area.expected) {
      EXPECT_GT(ink, 10) << area.what;
    } else {
      EXPECT_EQ(ink, 0) << area.what;
    }
  }
  EXPECT_EQ(window->GetHeaderItem().GetText(), (hasLine ? platform::Utf8ToWide(c.line) : L"") + L"ノルディカ");
}

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
  std::optional<PixelImage> expected = PixelImage::LoadPng(reference);
  ASSERT_TRUE(expected) << "no reference picture " << reference << "; run with CORVANE_UPDATE_SCREENSHOTS=1";
  ASSERT_EQ(expected->width, image.width);
  ASSERT_EQ(expected->height, image.height);
  int different = 0;
  for (std::size_t i = 0; i < image.pixels.size(); ++i) different += image.pixels[i] != expected->pixels[i] ? 1 : 0;
  // Room for a font's hinting, not for anything moved or recoloured.
  EXPECT_LE(different, static_cast<int>(image.pixels.size() / 200))
      << different << " pixels differ from " << reference << "; look at " << VIEWER_APP_SCREENSHOTS << "/" << name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MainWndRenderTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

// The graph of March in progress: axis 1500, origin (35, 220) in the window, columns 14
// wide, bars 10 wide and 2 in from the column's left edge, 150 pixels for the axis.
TEST(MainWndGraphTest, ColumnsAndBarsOfTheMonthInProgress) {
  viewer_test::PinClock(2016, 3, 20);
  Sandbox sandbox;
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
  platform::Clock::Unpin();
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
