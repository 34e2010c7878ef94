#pragma once
// Drawing: device contexts, pens, brushes, fonts and bitmaps with the semantics the
// programs' painting code expects (right and bottom edges outside, LineTo leaves out its
// end point, a memory context draws into the bitmap selected into it, one object of each
// kind selected at a time). Painted pixels are 24-bit RGB; 96 logical pixels per inch.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Resources.h"
#include "platform/ui/UiWindow.h"

namespace platform {

// 0x00BBGGRR
using ColorRef = std::uint32_t;
constexpr ColorRef Rgb(int red, int green, int blue) {
  return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(ColorRef color) { return static_cast<int>(color & 0xFF); }
constexpr int GreenOf(ColorRef color) { return static_cast<int>((color >> 8) & 0xFF); }
constexpr int BlueOf(ColorRef color) { return static_cast<int>((color >> 16) & 0xFF); }
inline constexpr ColorRef kInvalidColor = 0xFFFFFFFF;

struct DeviceContext;
struct GdiObject;
using DcHandle = DeviceContext*;
// Pens, brushes, fonts and bitmaps share one handle type, as SelectObject takes any.
using GdiObjectHandle = GdiObject*;

// Pen styles, background modes, stock objects, mapping mode, raster operation, caps.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_NULL = 5;
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int MM_TEXT = 1;
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// DrawText formats.
inline constexpr unsigned int DT_TOP = 0x0000;
inline constexpr unsigned int DT_LEFT = 0x0000;
inline constexpr unsigned int DT_CENTER = 0x0001;
inline constexpr unsigned int DT_RIGHT = 0x0002;
inline constexpr unsigned int DT_VCENTER = 0x0004;
inline constexpr unsigned int DT_BOTTOM = 0x0008;
inline constexpr unsigned int DT_WORDBREAK = 0x0010;
inline constexpr unsigned int DT_SINGLELINE = 0x0020;
inline constexpr unsigned int DT_NOCLIP = 0x0100;
inline constexpr unsigned int DT_CALCRECT = 0x0400;
inline constexpr unsigned int DT_NOPREFIX = 0x0800;

// Font weights and the few font description values the programs pass.
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int FIXED_PITCH = 1;
inline constexpr int FF_DONTCARE = 0;

// height > 0: cell height (ascent + descent) in pixels; < 0: character height (em);
// 0: a default size. The face goes through the substitution table of FontFaces.h;
// pitch and character set do not override a face that exists.
struct LogFont {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charSet = 0;
  int outPrecision = 0;
  int clipPrecision = 0;
  int quality = 0;
  int pitchAndFamily = 0;
  std::wstring faceName;  // at most 31 characters are used
};

struct TextMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int averageCharWidth = 0;
};

struct PaintStruct {
  DcHandle dc = nullptr;
  bool erase = false;  // true when the background was not erased by WM_ERASEBKGND
  Rect paint;          // bounds of the region being painted
};

// Window painting, between the two calls only (inside WM_PAINT).
DcHandle BeginPaint(UiWindow window, PaintStruct& paint);
bool EndPaint(UiWindow window, const PaintStruct& paint);

// A memory context compatible with the given one (null: the screen), with a 1 x 1
// bitmap selected until another is.
DcHandle CreateCompatibleDC(DcHandle dc);
bool DeleteDC(DcHandle dc);
// A bitmap of the size, black.
GdiObjectHandle CreateCompatibleBitmap(DcHandle dc, int width, int height);
// The bitmap resource id of the module (a PNG), or null.
GdiObjectHandle LoadBitmap(ModuleHandle module, int bitmapId);
bool GetBitmapSize(GdiObjectHandle bitmap, int& width, int& height);

GdiObjectHandle CreatePen(int style, int width, ColorRef color);
GdiObjectHandle CreateSolidBrush(ColorRef color);
GdiObjectHandle CreateFontIndirect(const LogFont& font);
GdiObjectHandle GetStockObject(int id);
// Selects the object into the context and returns the one of its kind it replaces
// (null on failure: a bitmap already selected elsewhere, a bitmap into a window's
// context, an invalid handle).
GdiObjectHandle SelectObject(DcHandle dc, GdiObjectHandle object);
// False, and nothing is deleted, while the object is selected into a context; stock
// objects are never deleted.
bool DeleteObject(GdiObjectHandle object);

int SetMapMode(DcHandle dc, int mode);  // only MM_TEXT exists; returns the previous mode
int GetDeviceCaps(DcHandle dc, int index);
ColorRef SetTextColor(DcHandle dc, ColorRef color);
ColorRef SetBkColor(DcHandle dc, ColorRef color);
int SetBkMode(DcHandle dc, int mode);

bool BitBlt(DcHandle destination, int x, int y, int width, int height, DcHandle source, int sourceX, int sourceY,
            std::uint32_t rasterOperation);
// Interior with the brush, outline with the pen.
bool Rectangle(DcHandle dc, int left, int top, int right, int bottom);
bool RoundRect(DcHandle dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
bool Ellipse(DcHandle dc, int left, int top, int right, int bottom);
bool FillRect(DcHandle dc, const Rect& rect, GdiObjectHandle brush);
bool MoveToEx(DcHandle dc, int x, int y, Point* previous = nullptr);
bool LineTo(DcHandle dc, int x, int y);
ColorRef GetPixel(DcHandle dc, int x, int y);  // kInvalidColor outside the bitmap
ColorRef SetPixel(DcHandle dc, int x, int y, ColorRef color);

// Draws the text in the rectangle with the selected font, text colour and background
// mode; with DT_CALCRECT it only measures, and widens or narrows right and bottom to
// the text. Returns the text's height (0 on failure). "&" marks are taken out unless
// DT_NOPREFIX ("&&" leaves one "&").
int DrawTextEx(DcHandle dc, const std::wstring& text, Rect& rect, unsigned int format);
bool GetTextMetrics(DcHandle dc, TextMetrics& metrics);
bool GetTextExtentPoint(DcHandle dc, const std::wstring& text, int& width, int& height);

// What DrawTextEx painted, for tests that check a window's texts as texts rather than as
// pixels. While a DrawnTextRecord lives, every DrawTextEx call that paints (DT_CALCRECT
// only measures) is added to it, on any context; without one, a call pays one atomic
// load. One record at a time.
struct DrawnText {
  std::wstring text;          // as passed, "&" marks included
  Rect rect;                  // as passed, in the coordinates of the context drawn into
  unsigned int format = 0;    // DT_ flags
  std::wstring face;          // the selected font's face as asked for, before substitution
  int height = 0;             // its LogFont height
  int weight = 0;
  bool underline = false;
  ColorRef color = 0;         // the text colour
  friend bool operator==(const DrawnText& a, const DrawnText& b) {
    return a.text == b.text && a.rect == b.rect && a.format == b.format && a.face == b.face &&
           a.height == b.height && a.weight == b.weight && a.underline == b.underline && a.color == b.color;
  }
};

class DrawnTextRecord {
 public:
  DrawnTextRecord();
  ~DrawnTextRecord();
  DrawnTextRecord(const DrawnTextRecord&) = delete;
  DrawnTextRecord& operator=(const DrawnTextRecord&) = delete;
  // The texts drawn since the record began or since the last Take, in drawing order.
  std::vector<DrawnText> Take();
  void Add(DrawnText text);

 private:
  std::mutex lock_;
  std::vector<DrawnText> texts_;
};

// A picture in memory: for tests, screenshots and artwork.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<ColorRef> pixels;  // row by row
  ColorRef At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool SavePng(const std::string& path) const;
  static std::optional<PixelImage> LoadPng(const std::string& path);
};

std::optional<PixelImage> GetBitmapPixels(GdiObjectHandle bitmap);
// Paints the window's client area (children included) as it would appear on screen.
std::optional<PixelImage> CaptureClientArea(UiWindow window);

}  // namespace platform

namespace platform {

// Icons of the module (PNG); WM_SETICON takes one as lParam
// (reinterpret_cast<LParam>(icon)).
using IconHandle = GdiObjectHandle;
IconHandle LoadIcon(ModuleHandle module, int iconId);
bool DestroyIcon(IconHandle icon);

}  // namespace platform
