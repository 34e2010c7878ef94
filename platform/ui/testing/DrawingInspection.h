#pragma once
// For tests: what was drawn, read back as pixels and measures: a context's pixel, a
// bitmap's size, the selected font's measures, a window's client area as it appears on
// the screen, and PNG files.
#include <optional>
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/windows/UiWindow.h"

namespace platform {

struct TextMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int averageCharWidth = 0;
};

ColorRef GetPixel(DcHandle dc, int x, int y);  // kInvalidColor outside the bitmap
bool GetBitmapSize(GdiObjectHandle bitmap, int& width, int& height);
bool GetTextMetrics(DcHandle dc, TextMetrics& metrics);
bool GetTextExtentPoint(DcHandle dc, const std::wstring& text, int& width, int& height);
// Paints the window's client area (children included) as it would appear on screen.
std::optional<PixelImage> CaptureClientArea(UiWindow window);
std::optional<PixelImage> LoadPixelImage(const std::string& pngPath);

}  // namespace platform
