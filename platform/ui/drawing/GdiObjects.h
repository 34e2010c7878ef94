#pragma once
// Device contexts and the objects drawn with: pens, brushes, fonts and bitmaps, with the
// semantics the programs' painting code expects (a memory context draws into the bitmap
// selected into it, one object of each kind selected at a time). Painted pixels are
// 24-bit RGB; 96 logical pixels per inch.
#include <cstdint>
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/windows/UiWindow.h"

namespace platform {

// Pen styles, background modes, stock objects, mapping mode, caps.
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
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

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
int SetBkMode(DcHandle dc, int mode);

}  // namespace platform
