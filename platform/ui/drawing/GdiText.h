#pragma once
// Text drawn into a device context with its selected font, text colour and background
// mode (an opaque background is white).
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Geometry.h"

namespace platform {

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

// Draws the text in the rectangle with the selected font, text colour and background
// mode; with DT_CALCRECT it only measures, and widens or narrows right and bottom to
// the text. Returns the text's height (0 on failure). "&" marks are taken out unless
// DT_NOPREFIX ("&&" leaves one "&").
int DrawTextEx(DcHandle dc, const std::wstring& text, Rect& rect, unsigned int format);

}  // namespace platform
