#include "platform/ui/drawing/GdiShapes.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/ui/drawing/GdiRecords.h"

namespace platform {

using ui_detail::IsLive;
using ui_detail::ToQColor;

namespace {

bool HasPen(const DeviceContext* dc) { return dc->pen != nullptr && dc->pen->penStyle != PS_NULL; }
bool HasBrush(const DeviceContext* dc) { return dc->brush != nullptr && !dc->brush->nullBrush; }

void FillPixels(DeviceContext* dc, int left, int top, int width, int height, ColorRef color) {
  if (width <= 0 || height <= 0 || !dc->painter) return;
  dc->painter->fillRect(QRect(left, top, width, height), ToQColor(color));
}

bool DrawCurve(DcHandle dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
               bool ellipse) {
  if (!IsLive(dc) || !dc->painter) return false;
  QPainter& painter = *dc->painter;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  if (HasPen(dc)) {
    QPen pen(ToQColor(dc->pen->color));
    pen.setWidth(std::max(1, dc->pen->penWidth));
    painter.setPen(pen);
  } else {
    painter.setPen(Qt::NoPen);
  }
  painter.setBrush(HasBrush(dc) ? QBrush(ToQColor(dc->brush->color)) : QBrush(Qt::NoBrush));
  QRectF area(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
  if (ellipse) {
    painter.drawEllipse(area);
  } else {
    painter.drawRoundedRect(area, ellipseWidth / 2.0, ellipseHeight / 2.0);
  }
  painter.restore();
  return true;
}

}  // namespace

bool BitBlt(DcHandle destination, int x, int y, int width, int height, DcHandle source, int sourceX, int sourceY,
            std::uint32_t rasterOperation) {
  if (!IsLive(destination) || !IsLive(source) || rasterOperation != SRCCOPY) return false;
  if (source->window || source->bitmap == nullptr || !destination->painter) return false;
  if (width <= 0 || height <= 0) return true;
  QPainter& painter = *destination->painter;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QRect(x, y, width, height), source->bitmap->image, QRect(sourceX, sourceY, width, height));
  painter.restore();
  return true;
}

bool Rectangle(DcHandle dc, int left, int top, int right, int bottom) {
  if (!IsLive(dc)) return false;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  if (!HasPen(dc)) {
    // Without an outline the filled area is one pixel smaller each way.
    if (HasBrush(dc)) FillPixels(dc, left, top, right - left - 1, bottom - top - 1, dc->brush->color);
    return true;
  }
  if (HasBrush(dc)) FillPixels(dc, left, top, right - left, bottom - top, dc->brush->color);
  int penWidth = std::max(1, dc->pen->penWidth);
  ColorRef color = dc->pen->color;
  int width = right - left;
  int height = bottom - top;
  FillPixels(dc, left, top, width, std::min(penWidth, height), color);
  FillPixels(dc, left, bottom - std::min(penWidth, height), width, std::min(penWidth, height), color);
  FillPixels(dc, left, top, std::min(penWidth, width), height, color);
  FillPixels(dc, right - std::min(penWidth, width), top, std::min(penWidth, width), height, color);
  return true;
}

bool RoundRect(DcHandle dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  return DrawCurve(dc, left, top, right, bottom, ellipseWidth, ellipseHeight, false);
}

bool Ellipse(DcHandle dc, int left, int top, int right, int bottom) {
  return DrawCurve(dc, left, top, right, bottom, 0, 0, true);
}

bool FillRect(DcHandle dc, const Rect& rect, GdiObjectHandle brush) {
  if (!IsLive(dc) || !IsLive(brush) || brush->kind != GdiKind::Brush) return false;
  if (!brush->nullBrush) FillPixels(dc, rect.left, rect.top, rect.Width(), rect.Height(), brush->color);
  return true;
}

bool MoveToEx(DcHandle dc, int x, int y, Point* previous) {
  if (!IsLive(dc)) return false;
  if (previous != nullptr) *previous = dc->position;
  dc->position = Point{x, y};
  return true;
}

bool LineTo(DcHandle dc, int x, int y) {
  if (!IsLive(dc)) return false;
  Point from = dc->position;
  dc->position = Point{x, y};
  if (!HasPen(dc) || !dc->painter) return true;
  ColorRef color = dc->pen->color;
  int width = std::max(1, dc->pen->penWidth);
  if (width > 1) {
    QPen pen(ToQColor(color));
    pen.setWidth(width);
    dc->painter->save();
    dc->painter->setPen(pen);
    dc->painter->drawLine(from.x, from.y, x, y);
    dc->painter->restore();
    return true;
  }
  // The end point itself is left out, so joined lines never paint a pixel twice.
  if (from.y == y) {
    if (x > from.x) FillPixels(dc, from.x, y, x - from.x, 1, color);
    if (x < from.x) FillPixels(dc, x + 1, y, from.x - x, 1, color);
    return true;
  }
  if (from.x == x) {
    if (y > from.y) FillPixels(dc, x, from.y, 1, y - from.y, color);
    if (y < from.y) FillPixels(dc, x, y + 1, 1, from.y - y, color);
    return true;
  }
  int dx = std::abs(x - from.x), sx = from.x < x ? 1 : -1;
  int dy = -std::abs(y - from.y), sy = from.y < y ? 1 : -1;
  int error = dx + dy;
  int px = from.x, py = from.y;
  while (px != x || py != y) {
    FillPixels(dc, px, py, 1, 1, color);
    int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      px += sx;
    }
    if (twice <= dx) {
      error += dx;
      py += sy;
    }
  }
  return true;
}

}  // namespace platform
