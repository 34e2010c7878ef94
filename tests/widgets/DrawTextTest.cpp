// Bitmap items, text items and the two font selectors, drawn into memory canvases and
// checked at pixels.
#include <gtest/gtest.h>

#include <functional>

#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiText.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/DrawText.h"
#include "widgets/FitFontSelector.h"
#include "widgets/FontSelector.h"

namespace {

using namespace widget_test;
using Velunor::Quillon::Ui::CDrawBmp;
using Velunor::Quillon::Ui::CDrawText;
using Velunor::Quillon::Ui::CFitFontSelector;
using Velunor::Quillon::Ui::CFontSelector;
using platform::Rect;

const wchar_t kFace[] = L"ＭＳ Ｐゴシック";
const platform::ColorRef kBlack = platform::Rgb(0, 0, 0);

class DrawTextTest : public ::testing::Test {
 protected:
  void SetUp() override { StartToolkit(); }
};

TEST_F(DrawTextTest, BitmapIsCopiedUnstretchedAndCutToTheRectangle) {
  platform::MemoryCanvas canvas(100, 60);
  CDrawBmp item;
  EXPECT_EQ(&item.SetBitmapRect(10, 10, 40, 30, kHalvesPicture), &item);
  item.Draw(TestModule(), platform::UiWindow(), canvas.dc());
  EXPECT_EQ(canvas.At(10, 10), kYellow);
  EXPECT_EQ(canvas.At(39, 29), kYellow);
  EXPECT_FALSE(canvas.HasPixel(Rect{0, 0, 100, 60}, kMagenta)) << "the right half lies outside 30 pixels";
  EXPECT_EQ(canvas.Ink(Rect{0, 0, 100, 60}), (Rect{10, 10, 40, 30}));

  // No bitmap, or one the module lacks, draws nothing.
  for (int id : {0, 4711}) {
    platform::MemoryCanvas empty(100, 60);
    CDrawBmp none;
    none.SetBitmapRect(0, 0, 100, 60, id);
    none.Draw(TestModule(), platform::UiWindow(), empty.dc());
    EXPECT_EQ(empty.Ink(Rect{0, 0, 100, 60}), Rect{}) << id;
  }
}

TEST_F(DrawTextTest, HitTestTakesLeftAndTopInsideRightAndBottomOutside) {
  CDrawBmp item;
  item.SetBitmapRect(10, 10, 50, 30, 0);
  struct Case {
    int x, y, inside;
  };
  const Case cases[] = {{10, 10, 1}, {49, 29, 1}, {30, 20, 1}, {50, 20, 0}, {30, 30, 0},
                        {9, 20, 0},  {30, 9, 0},  {-1, -1, 0}, {-30000, 20, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(item.HitTest(c.x, c.y), c.inside) << c.x << "," << c.y;
  }
}

// The three operations and their multi-line argument pick the alignment, wrapping and
// vertical placement; the text keeps five pixels off the rectangle's sides.
TEST_F(DrawTextTest, DrawOperationsAlignTheText) {
  using Draw = std::function<void(CDrawText&, platform::DcHandle, int)>;
  const Draw left = [](CDrawText& t, platform::DcHandle dc, int m) { t.DrawLeft(TestModule(), {}, dc, m); };
  const Draw centre = [](CDrawText& t, platform::DcHandle dc, int m) { t.DrawCenter(TestModule(), {}, dc, m); };
  const Draw right = [](CDrawText& t, platform::DcHandle dc, int m) { t.DrawRight(TestModule(), {}, dc, m); };
  enum Horizontal { kLeft, kCentre, kRight };
  struct Case {
    const char* what;
    Draw draw;
    int multiLine;
    Horizontal horizontal;
    bool top;
  };
  const Case cases[] = {
      {"left, word-wrapped", left, 1, kLeft, true},      {"left, one line", left, 0, kLeft, false},
      {"centre, word-wrapped", centre, 1, kCentre, true}, {"centre, one line (2)", centre, 2, kCentre, false},
      {"right, word-wrapped", right, 1, kRight, true},    {"right, one line (-1)", right, -1, kRight, false},
  };
  const Rect area{20, 10, 280, 70};
  for (const Case& c : cases) {
    platform::MemoryCanvas canvas(300, 80);
    CDrawText text;
    text.SetText(L"通信料", kBlack, kFace, 14, 400, area, 0);
    c.draw(text, canvas.dc(), c.multiLine);
    Rect ink = canvas.Ink(Rect{0, 0, 300, 80});
    ASSERT_LT(ink.left, ink.right) << c.what;
    switch (c.horizontal) {
      case kLeft:
        EXPECT_GE(ink.left, 25) << c.what;
        EXPECT_LE(ink.left, 28) << c.what;
        break;
      case kCentre: EXPECT_NEAR((ink.left + ink.right) / 2, 150, 2) << c.what; break;
      case kRight:
        EXPECT_LE(ink.right, 275) << c.what;
        EXPECT_GE(ink.right, 272) << c.what;
        break;
    }
    if (c.top) {
      EXPECT_LE(ink.top, 13) << c.what;
    } else {
      EXPECT_NEAR((ink.top + ink.bottom) / 2, 40, 3) << c.what;
    }
  }

  // Only 1 wraps a text that is too long for the rectangle.
  for (int multiLine : {1, 2}) {
    platform::MemoryCanvas canvas(100, 80);
    CDrawText text;
    text.SetText(L"回線品目の設定を行います", kBlack, kFace, 14, 400, Rect{0, 0, 70, 80}, 0);
    text.DrawLeft(TestModule(), {}, canvas.dc(), multiLine);
    Rect ink = canvas.Ink(Rect{0, 0, 100, 80});
    if (multiLine == 1) {
      EXPECT_GT(ink.Height(), 20) << "several lines";
    } else {
      EXPECT_LE(ink.Height(), 14) << "one line";
    }
    EXPECT_LE(ink.right, 65) << "cut at the narrowed rectangle";
  }
}

TEST_F(DrawTextTest, TextIsDrawnInItsColourOverItsBitmap) {
  platform::MemoryCanvas canvas(100, 60);
  CDrawText title;
  title.SetText(L"月", kWhite, kFace, 20, 900, Rect{10, 10, 70, 40}, kHalvesPicture);
  title.DrawCenter(TestModule(), {}, canvas.dc(), 0);
  EXPECT_EQ(canvas.At(10, 10), kYellow);
  EXPECT_EQ(canvas.At(69, 39), kMagenta);
  EXPECT_TRUE(canvas.HasPixel(Rect{25, 12, 55, 38}, kWhite)) << "white text on the picture";

  platform::MemoryCanvas plain(100, 60);
  CDrawText text;
  text.SetText(L"月", kBlue, kFace, 20, 900, Rect{10, 10, 70, 40}, 0);
  text.DrawCenter(TestModule(), {}, plain.dc(), 0);
  EXPECT_TRUE(plain.HasPixel(Rect{10, 10, 70, 40}, kBlue));
  Rect ink = plain.Ink(Rect{0, 0, 100, 60});
  EXPECT_GE(ink.left, 15);
  EXPECT_LE(ink.right, 65);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 40);
}

// Spaces leave no ink of their own, so any ink under them is the underline.
bool DrawsUnderline(int height, int weight) {
  platform::MemoryCanvas canvas(200, 60);
  CDrawText text;
  text.SetText(L"        ", kBlack, kFace, height, weight, Rect{0, 0, 200, 60}, 0);
  text.DrawLeft(TestModule(), {}, canvas.dc(), 0);
  return canvas.Ink(Rect{0, 0, 200, 60}) != Rect{};
}

TEST_F(DrawTextTest, WeightThousandUnderlinesOnlyAFixedHeightFont) {
  EXPECT_TRUE(DrawsUnderline(18, 1000));
  EXPECT_FALSE(DrawsUnderline(18, 900));
  EXPECT_FALSE(DrawsUnderline(0, 1000)) << "a fitted font takes the weight as it is";

  // The fixed selector gives the underlined font while it lives and puts the old one back.
  platform::MemoryCanvas canvas(10, 10);
  platform::TextMetrics before, during, after;
  platform::GetTextMetrics(canvas.dc(), before);
  {
    CFontSelector selector(canvas.dc(), kFace, 30, 1000);
    ASSERT_NE(selector.GetFont(), nullptr);
    platform::GetTextMetrics(canvas.dc(), during);
    EXPECT_FALSE(platform::DeleteObject(selector.GetFont())) << "in use";
  }
  platform::GetTextMetrics(canvas.dc(), after);
  EXPECT_LE(during.height, 30);
  EXPECT_GE(during.height, 28);
  EXPECT_EQ(after.height, before.height);
}

// The start height is twice the rectangle's height in points; then five less at a time
// while the one-line measure does not fit, down to 11.
TEST_F(DrawTextTest, FittedFontIsTheFirstHeightThatFits) {
  struct Case {
    const wchar_t* text;
    Rect rect;
    int height;  // 0: no font made
  };
  const Case cases[] = {
      {L"A", Rect{0, 0, 400, 30}, 29},       // 44, 39, 34 too high
      {L"A", Rect{0, 0, 400, 20}, 20},       // from 30
      {L"A", Rect{0, 0, 400, 40}, 40},       // from 60
      {L"A\nB", Rect{0, 0, 400, 30}, 14},    // both lines are measured
      {L"ミルカナ 光のご案内、お申し込み", Rect{0, 0, 30, 30}, 14},  // fits nowhere: the last try
      {L"A", Rect{0, 0, 400, 8}, 12},        // one try only, kept though too high
      {L"A", Rect{0, 0, 400, 7}, 0},         // starts at 10
      {L"A", Rect{5, 50, 405, 50}, 0},
  };
  for (const Case& c : cases) {
    platform::MemoryCanvas canvas(10, 10);
    platform::TextMetrics before, during, after;
    platform::GetTextMetrics(canvas.dc(), before);
    {
      CFitFontSelector selector(canvas.dc(), kFace, c.text, c.rect.left, c.rect.top, c.rect.right, c.rect.bottom,
                                400);
      EXPECT_EQ(selector.GetFontHeight(), c.height) << c.rect.Height();
      EXPECT_EQ(selector.GetFont() != nullptr, c.height != 0);
      platform::GetTextMetrics(canvas.dc(), during);
      if (c.height == 0) {
        EXPECT_EQ(during.height, before.height) << "the context keeps its font";
      } else {
        EXPECT_LE(during.height, c.height);
        EXPECT_GE(during.height, c.height - 2);
      }
    }
    platform::GetTextMetrics(canvas.dc(), after);
    EXPECT_EQ(after.height, before.height);
  }
}

// Height 0 in a text item fits the font to the narrowed rectangle.
TEST_F(DrawTextTest, FittedTextFillsItsRectangle) {
  platform::MemoryCanvas canvas(200, 40);
  CDrawText text;
  text.SetText(L"通信料", kBlack, kFace, 0, 400, Rect{0, 0, 200, 40}, 0);
  text.DrawCenter(TestModule(), {}, canvas.dc(), 0);
  Rect ink = canvas.Ink(Rect{0, 0, 200, 40});
  EXPECT_GT(ink.Height(), 28) << "a font of 40 pixels";
  EXPECT_LE(ink.bottom, 40);

  platform::MemoryCanvas narrow(200, 40);
  text.SetText(L"通信料", kBlack, kFace, 0, 400, Rect{0, 0, 50, 40}, 0);
  text.DrawCenter(TestModule(), {}, narrow.dc(), 0);
  Rect small = narrow.Ink(Rect{0, 0, 200, 40});
  EXPECT_LT(small.Height(), ink.Height()) << "40 pixels wide leave room for a smaller font only";
  EXPECT_LE(small.right, 45);
}

}  // namespace
