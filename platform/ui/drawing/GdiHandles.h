#pragma once
// What every part of drawing shares: colours, the handles of device contexts and of
// the objects selected into them (pens, brushes, fonts, bitmaps, icons), and what pens
// and fonts are made from.
#include <cstdint>
#include <string>

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
// Icons of the module; WM_SETICON takes one as lParam (reinterpret_cast<LParam>(icon)).
using IconHandle = GdiObjectHandle;

// Pen styles and background modes.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_NULL = 5;
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

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

}  // namespace platform
