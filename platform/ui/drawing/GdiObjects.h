#pragma once
// Device contexts and the objects drawn with: pens, brushes, fonts and bitmaps, with the
// semantics the programs' painting code expects (a memory context draws into the bitmap
// selected into it, one object of each kind selected at a time). Painted pixels are
// 24-bit RGB; 96 logical pixels per inch.
#include "platform/ui/drawing/GdiHandles.h"

namespace platform {

// Stock objects, mapping mode, caps.
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
