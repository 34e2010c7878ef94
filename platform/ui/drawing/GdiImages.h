#pragma once
// Pictures: the module's bitmaps and icons (PNG), a bitmap's pixels, and PNG files.
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Resources.h"

namespace platform {

// The bitmap resource id of the module (a PNG), or null.
GdiObjectHandle LoadBitmap(ModuleHandle module, int bitmapId);

IconHandle LoadIcon(ModuleHandle module, int iconId);
bool DestroyIcon(IconHandle icon);

// A picture in memory: for tests, screenshots and artwork.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<ColorRef> pixels;  // row by row
  ColorRef At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool SavePng(const std::string& path) const;
};

std::optional<PixelImage> GetBitmapPixels(GdiObjectHandle bitmap);

}  // namespace platform
