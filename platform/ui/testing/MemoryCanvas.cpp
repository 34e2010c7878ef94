#include "platform/ui/testing/MemoryCanvas.h"

#include <algorithm>

#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/testing/DrawingInspection.h"

namespace platform {

namespace {

constexpr ColorRef kWhite = Rgb(255, 255, 255);

}  // namespace

MemoryCanvas::MemoryCanvas(int width, int height) : width_(width), height_(height) {
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateCompatibleBitmap(dc_, width, height);
  previous_ = SelectObject(dc_, bitmap_);
  Fill(kWhite);
}

MemoryCanvas::~MemoryCanvas() {
  SelectObject(dc_, previous_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void MemoryCanvas::Fill(ColorRef color) {
  GdiObjectHandle brush = CreateSolidBrush(color);
  FillRect(dc_, Rect{0, 0, width_, height_}, brush);
  DeleteObject(brush);
}

ColorRef MemoryCanvas::At(int x, int y) const { return GetPixel(dc_, x, y); }

PixelImage MemoryCanvas::Pixels() const { return GetBitmapPixels(bitmap_).value_or(PixelImage()); }

Rect MemoryCanvas::Ink(const Rect& area) const {
  Rect ink{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (At(x, y) == kWhite) continue;
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
    }
  }
  return ink.left < ink.right ? ink : Rect{};
}

bool MemoryCanvas::HasPixel(const Rect& area, ColorRef color) const {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (At(x, y) == color) return true;
    }
  }
  return false;
}

MemoryCanvas::ColorRows MemoryCanvas::RowsOf(ColorRef color, const Rect& area) const {
  ColorRows found;
  for (int y = area.top; y < area.bottom && y < height_; ++y) {
    bool any = false;
    for (int x = area.left; x < area.right; ++x) {
      if (At(x, y) != color) continue;
      any = true;
      found.left = std::min(found.left, x);
      found.right = std::max(found.right, x + 1);
    }
    if (any) found.rows.push_back(y);
  }
  return found;
}

bool MemoryCanvas::Shows(GdiObjectHandle picture, int left, int top) const {
  int width = 0;
  int height = 0;
  if (picture == nullptr || !GetBitmapSize(picture, width, height)) return false;
  DcHandle source = CreateCompatibleDC(nullptr);
  GdiObjectHandle old = SelectObject(source, picture);
  bool same = true;
  for (int y = 0; y < height && same; ++y) {
    for (int x = 0; x < width && same; ++x) {
      if (left + x < width_ && top + y < height_) same = At(left + x, top + y) == GetPixel(source, x, y);
    }
  }
  SelectObject(source, old);
  DeleteDC(source);
  return same;
}

}  // namespace platform
