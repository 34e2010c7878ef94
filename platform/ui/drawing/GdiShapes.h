#pragma once
// Lines, rectangles, ellipses, fills and copies between contexts, drawn with the
// context's pen and brush: right and bottom edges lie outside, LineTo leaves out its end
// point.
#include <cstdint>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Geometry.h"

namespace platform {

inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;

bool BitBlt(DcHandle destination, int x, int y, int width, int height, DcHandle source, int sourceX, int sourceY,
            std::uint32_t rasterOperation);
// Interior with the brush, outline with the pen.
bool Rectangle(DcHandle dc, int left, int top, int right, int bottom);
bool RoundRect(DcHandle dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
bool Ellipse(DcHandle dc, int left, int top, int right, int bottom);
bool FillRect(DcHandle dc, const Rect& rect, GdiObjectHandle brush);
bool MoveToEx(DcHandle dc, int x, int y, Point* previous = nullptr);
bool LineTo(DcHandle dc, int x, int y);

}  // namespace platform
