// Drawing into memory bitmaps, checked at pixels.
#include <gtest/gtest.h>

#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/drawing/GdiText.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/DrawnTextRecord.h"
#include "platform/ui/testing/MemoryCanvas.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/viewer/ViewerResources.h"
#include "tests/DrawnTextPrinting.h"
#include "tests/platform_ui/UiTestSupport.h"

namespace {

using namespace platform;

const ColorRef kWhite = Rgb(255, 255, 255);
const ColorRef kRed = Rgb(255, 0, 0);
const ColorRef kBlue = Rgb(0, 0, 255);

GdiObjectHandle MakeFont(int height, int weight = FW_NORMAL, const std::wstring& face = L"ＭＳ Ｐゴシック") {
  LogFont font;
  font.height = height;
  font.weight = weight;
  font.pitchAndFamily = FIXED_PITCH | FF_DONTCARE;
  font.faceName = face;
  return CreateFontIndirect(font);
}

TEST(Gdi, ShapesKeepRightAndBottomEdgesOutside) {
  MemoryCanvas canvas(40, 40);
  GdiObjectHandle red = CreateSolidBrush(kRed);
  ASSERT_TRUE(FillRect(canvas.dc(), Rect{2, 3, 12, 8}, red));
  EXPECT_EQ(canvas.At(2, 3), kRed);
  EXPECT_EQ(canvas.At(11, 7), kRed);
  EXPECT_EQ(canvas.At(12, 7), kWhite);
  EXPECT_EQ(canvas.At(11, 8), kWhite);

  // Rectangle: outline with the pen on the outermost pixels, inside with the brush.
  GdiObjectHandle pen = CreatePen(PS_SOLID, 0, kBlue);
  GdiObjectHandle oldPen = SelectObject(canvas.dc(), pen);
  GdiObjectHandle oldBrush = SelectObject(canvas.dc(), red);
  ASSERT_NE(oldPen, nullptr);
  ASSERT_TRUE(Rectangle(canvas.dc(), 20, 20, 30, 26));
  EXPECT_EQ(canvas.At(20, 20), kBlue);
  EXPECT_EQ(canvas.At(29, 25), kBlue);
  EXPECT_EQ(canvas.At(30, 25), kWhite);
  EXPECT_EQ(canvas.At(21, 21), kRed);
  EXPECT_EQ(canvas.At(28, 24), kRed);

  // Lines leave out their end point.
  ASSERT_TRUE(MoveToEx(canvas.dc(), 5, 30));
  ASSERT_TRUE(LineTo(canvas.dc(), 15, 30));
  EXPECT_EQ(canvas.At(5, 30), kBlue);
  EXPECT_EQ(canvas.At(14, 30), kBlue);
  EXPECT_EQ(canvas.At(15, 30), kWhite);
  ASSERT_TRUE(LineTo(canvas.dc(), 15, 35));
  EXPECT_EQ(canvas.At(15, 30), kBlue);
  EXPECT_EQ(canvas.At(15, 34), kBlue);
  EXPECT_EQ(canvas.At(15, 35), kWhite);

  // An object in use is not deleted; after it is put back it is.
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(canvas.dc(), oldPen), pen);
  SelectObject(canvas.dc(), oldBrush);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_FALSE(DeleteObject(red));
  EXPECT_FALSE(DeleteObject(GetStockObject(WHITE_BRUSH)));
}

TEST(Gdi, BitBltCopiesBetweenMemoryContextsAndBitmapsAreSelectedOnce) {
  MemoryCanvas source(20, 20), target(20, 20);
  GdiObjectHandle red = CreateSolidBrush(kRed);
  FillRect(source.dc(), Rect{0, 0, 5, 5}, red);
  DeleteObject(red);
  ASSERT_TRUE(BitBlt(target.dc(), 10, 10, 5, 5, source.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(target.At(10, 10), kRed);
  EXPECT_EQ(target.At(14, 14), kRed);
  EXPECT_EQ(target.At(15, 15), kWhite);
  EXPECT_EQ(target.At(9, 9), kWhite);

  DcHandle other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, source.bitmap()), nullptr) << "already selected into another context";
  EXPECT_FALSE(DeleteObject(source.bitmap()));
  DeleteDC(other);
  EXPECT_EQ(GetDeviceCaps(target.dc(), LOGPIXELSY), 96);
}

TEST(Gdi, FontHeightIsTheCellHeight) {
  MemoryCanvas canvas(10, 10);
  for (int height : {10, 12, 14, 15, 18, 20, 40}) {
    GdiObjectHandle font = MakeFont(height);
    GdiObjectHandle previous = SelectObject(canvas.dc(), font);
    TextMetrics metrics;
    ASSERT_TRUE(GetTextMetrics(canvas.dc(), metrics));
    EXPECT_LE(metrics.height, height);
    EXPECT_GE(metrics.height, height - 2) << "height " << height;
    SelectObject(canvas.dc(), previous);
    DeleteObject(font);
  }
}

TEST(Gdi, CalcRectMeasuresWithoutDrawing) {
  MemoryCanvas canvas(300, 200);
  GdiObjectHandle font = MakeFont(15);
  GdiObjectHandle previous = SelectObject(canvas.dc(), font);
  TextMetrics metrics;
  GetTextMetrics(canvas.dc(), metrics);
  int width = 0, height = 0;
  GetTextExtentPoint(canvas.dc(), L"1,234,567MB", width, height);

  Rect single{10, 20, 10, 20};
  int measured = DrawTextEx(canvas.dc(), L"1,234,567MB", single, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(measured, metrics.height);
  EXPECT_EQ(single, (Rect{10, 20, 10 + width, 20 + metrics.height}));
  EXPECT_EQ(canvas.Ink(Rect{0, 0, 300, 200}), Rect{}) << "nothing drawn";

  Rect lines{0, 0, 0, 0};
  DrawTextEx(canvas.dc(), L"一行目\n二行目\r\n三行目", lines, DT_CALCRECT);
  EXPECT_EQ(lines.Height(), 3 * metrics.height);

  // Word breaking wraps at the rectangle's width; a word wider than it stays whole.
  Rect wrapped{0, 0, 60, 0};
  DrawTextEx(canvas.dc(), L"aaa bbb ccc ddd", wrapped, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GT(wrapped.Height(), metrics.height);
  EXPECT_LE(wrapped.Width(), 60);
  Rect japanese{0, 0, 50, 0};
  DrawTextEx(canvas.dc(), L"回線品目の設定を行います", japanese, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GT(japanese.Height(), metrics.height) << "East Asian text breaks between characters";
  Rect longWord{0, 0, 20, 0};
  DrawTextEx(canvas.dc(), L"unbreakable", longWord, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(longWord.Height(), metrics.height);
  EXPECT_GT(longWord.Width(), 20);

  // "&" marks go unless asked to stay.
  Rect plain{0, 0, 0, 0}, marked{0, 0, 0, 0}, kept{0, 0, 0, 0};
  DrawTextEx(canvas.dc(), L"A&B", plain, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  DrawTextEx(canvas.dc(), L"A&&B", marked, DT_CALCRECT | DT_SINGLELINE);
  DrawTextEx(canvas.dc(), L"A&B", kept, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(plain.Width(), marked.Width());
  EXPECT_LT(kept.Width(), plain.Width());
  SelectObject(canvas.dc(), previous);
  DeleteObject(font);
}

// The record tests read a window's texts from: painted texts with their font as asked
// for and their colour; measuring is no drawing; nothing once the record has gone.
TEST(Gdi, ARecordKeepsWhatDrawTextPaintedWhileItLives) {
  MemoryCanvas canvas(300, 200);
  LogFont description;
  description.height = 15;
  description.weight = 900;
  description.underline = true;
  description.faceName = std::wstring(40, L'F');
  GdiObjectHandle font = CreateFontIndirect(description);
  GdiObjectHandle previous = SelectObject(canvas.dc(), font);
  SetTextColor(canvas.dc(), Rgb(1, 2, 3));
  Rect rect{10, 20, 110, 40};
  {
    DrawnTextRecord record;
    Rect measured = rect;
    DrawTextEx(canvas.dc(), L"measured", measured, DT_CALCRECT | DT_SINGLELINE);
    DrawTextEx(canvas.dc(), L"A&B", rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(canvas.dc(), previous);
    DrawTextEx(canvas.dc(), L"", rect, DT_LEFT);
    const std::vector<DrawnText> texts = record.Take();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], (DrawnText{L"A&B", rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE, std::wstring(31, L'F'), 15,
                                   900, true, Rgb(1, 2, 3)}));
    EXPECT_EQ(texts[1].text, L"");
    EXPECT_EQ(texts[1].format, DT_LEFT);
    EXPECT_TRUE(record.Take().empty()) << "taken once";
  }
  DrawTextEx(canvas.dc(), L"unrecorded", rect, DT_LEFT);
  DrawnTextRecord next;
  EXPECT_TRUE(next.Take().empty());
  DeleteObject(font);
}

TEST(Gdi, AlignmentFlagsPlaceTheTextInItsRectangle) {
  struct Case {
    unsigned int format;
    bool left, centre, right, middle;
  };
  const Case cases[] = {
      {DT_VCENTER | DT_SINGLELINE, true, false, false, true},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, false, true, false, true},
      {DT_RIGHT | DT_VCENTER | DT_SINGLELINE, false, false, true, true},
      {DT_WORDBREAK, true, false, false, false},
  };
  for (const Case& c : cases) {
    MemoryCanvas canvas(200, 60);
    GdiObjectHandle font = MakeFont(14, 900);
    GdiObjectHandle previous = SelectObject(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), kBlue);
    Rect area{20, 10, 180, 50};
    DrawTextEx(canvas.dc(), L"通信料", area, c.format);
    Rect ink = canvas.Ink(Rect{0, 0, 200, 60});
    ASSERT_LT(ink.left, ink.right) << "format " << c.format;
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 180);
    int centreX = (ink.left + ink.right) / 2;
    int centreY = (ink.top + ink.bottom) / 2;
    if (c.left) {
      EXPECT_LT(ink.left, 25);
    }
    if (c.centre) {
      EXPECT_NEAR(centreX, 100, 3);
    }
    if (c.right) {
      EXPECT_GT(ink.right, 175);
    }
    if (c.middle) {
      EXPECT_NEAR(centreY, 30, 3);
    } else {
      EXPECT_LT(ink.top, 16);
    }
    SelectObject(canvas.dc(), previous);
    DeleteObject(font);
  }
}

// Real Japanese glyphs, not boxes from a font that lacks them: different characters
// leave different ink, and the ink is in the text colour.
TEST(Gdi, JapaneseGlyphsAreDrawn) {
  std::vector<std::vector<ColorRef>> pictures;
  for (const wchar_t* text : {L"月", L"日", L"料"}) {
    MemoryCanvas canvas(40, 40);
    GdiObjectHandle font = MakeFont(24);
    GdiObjectHandle previous = SelectObject(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), Rgb(0, 0, 0));
    Rect area{0, 0, 40, 40};
    DrawTextEx(canvas.dc(), text, area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(canvas.dc(), previous);
    DeleteObject(font);
    std::optional<PixelImage> image = GetBitmapPixels(canvas.bitmap());
    ASSERT_TRUE(image);
    int dark = 0;
    for (ColorRef pixel : image->pixels) dark += RedOf(pixel) < 128 ? 1 : 0;
    EXPECT_GT(dark, 20) << "ink for the character";
    pictures.push_back(image->pixels);
  }
  EXPECT_NE(pictures[0], pictures[1]);
  EXPECT_NE(pictures[1], pictures[2]);
}

TEST(Gdi, OpaqueBackgroundFillsBehindTheText) {
  MemoryCanvas canvas(100, 30);
  // On red, so the white background behind the text stands out.
  GdiObjectHandle red = CreateSolidBrush(kRed);
  FillRect(canvas.dc(), Rect{0, 0, 100, 30}, red);
  DeleteObject(red);
  GdiObjectHandle font = MakeFont(14);
  GdiObjectHandle previous = SelectObject(canvas.dc(), font);
  EXPECT_EQ(SetBkMode(canvas.dc(), OPAQUE), OPAQUE);
  Rect area{0, 0, 100, 30};
  DrawTextEx(canvas.dc(), L"MB", area, DT_SINGLELINE);
  EXPECT_EQ(canvas.At(0, 0), kWhite);
  EXPECT_EQ(canvas.At(99, 29), kRed);
  SelectObject(canvas.dc(), previous);
  DeleteObject(font);
}

TEST(Gdi, ViewerPicturesLoadAtTheirSizes) {
  struct Case {
    int id;
    int width, height;
  };
  const Case cases[] = {{131, 150, 30}, {137, 170, 30}, {138, 170, 30}, {139, 170, 30}, {140, 170, 30}};
  ModuleHandle module = Velunor::Quillon::Ui::GetViewerResources();
  for (const Case& c : cases) {
    GdiObjectHandle bitmap = LoadBitmap(module, c.id);
    ASSERT_NE(bitmap, nullptr) << c.id;
    int width = 0, height = 0;
    ASSERT_TRUE(GetBitmapSize(bitmap, width, height));
    EXPECT_EQ(width, c.width) << c.id;
    EXPECT_EQ(height, c.height) << c.id;
    // Drawn as the widgets draw them: selected into a memory context and copied.
    MemoryCanvas canvas(c.width, c.height);
    DcHandle memory = CreateCompatibleDC(canvas.dc());
    GdiObjectHandle old = SelectObject(memory, bitmap);
    ASSERT_TRUE(BitBlt(canvas.dc(), 0, 0, width, height, memory, 0, 0, SRCCOPY));
    EXPECT_NE(canvas.At(width / 2, height / 2), kWhite) << c.id;
    SelectObject(memory, old);
    DeleteDC(memory);
    EXPECT_TRUE(DeleteObject(bitmap));
  }
  EXPECT_EQ(LoadBitmap(module, 4711), nullptr);
  IconHandle icon = LoadIcon(module, 109);
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(DestroyIcon(icon));
  // The hover pictures differ from the normal ones.
  GdiObjectHandle normalBitmap = LoadBitmap(module, 137);
  GdiObjectHandle hoverBitmap = LoadBitmap(module, 138);
  auto normal = GetBitmapPixels(normalBitmap);
  auto hover = GetBitmapPixels(hoverBitmap);
  DeleteObject(normalBitmap);
  DeleteObject(hoverBitmap);
  ASSERT_TRUE(normal && hover);
  EXPECT_NE(normal->pixels, hover->pixels);
}

}  // namespace
