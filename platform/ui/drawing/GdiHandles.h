#pragma once
// What every part of drawing shares: colours and the handles of device contexts and of
// the objects selected into them (pens, brushes, fonts, bitmaps, icons).
#include <cstdint>

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

}  // namespace platform
