#pragma once
// For tests: a memory context that draws into a bitmap of its own, white until drawn
// on, and what was drawn there read back.
#include <vector>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/Geometry.h"

namespace platform {

class MemoryCanvas {
 public:
  MemoryCanvas(int width, int height);
  ~MemoryCanvas();
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;

  DcHandle dc() const { return dc_; }
  GdiObjectHandle bitmap() const { return bitmap_; }
  void Fill(ColorRef color);

  ColorRef At(int x, int y) const;  // kInvalidColor outside the bitmap
  PixelImage Pixels() const;
  // Bounds of the pixels in the area that are not white; empty when there are none.
  Rect Ink(const Rect& area) const;
  bool HasPixel(const Rect& area, ColorRef color) const;
  // The rows of the area that hold the colour, and the columns they span.
  struct ColorRows {
    std::vector<int> rows;
    int left = 1 << 30;
    int right = -1;
  };
  ColorRows RowsOf(ColorRef color, const Rect& area) const;
  // Whether the picture's pixels lie at (left, top), as far as the canvas reaches.
  bool Shows(GdiObjectHandle picture, int left, int top) const;

 private:
  int width_;
  int height_;
  DcHandle dc_ = nullptr;
  GdiObjectHandle bitmap_ = nullptr;
  GdiObjectHandle previous_ = nullptr;
};

}  // namespace platform
