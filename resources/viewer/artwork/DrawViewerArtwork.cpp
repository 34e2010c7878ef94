// Draws the viewer's pictures (title plate, picture buttons, window icon) and writes
// them as PNG files into the folder given on the command line.
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/drawing/GdiText.h"
#include "platform/ui/windows/MessageLoop.h"

namespace {

using platform::ColorRef;
using platform::DcHandle;
using platform::Rgb;

ColorRef Blend(ColorRef from, ColorRef to, double share) {
  auto mix = [share](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * share)); };
  return Rgb(mix(platform::RedOf(from), platform::RedOf(to)), mix(platform::GreenOf(from), platform::GreenOf(to)),
             mix(platform::BlueOf(from), platform::BlueOf(to)));
}

// A rounded plate with a vertical gradient on a white ground.
void DrawPlate(DcHandle dc, int width, int height, int radius, ColorRef top, ColorRef bottom, ColorRef edge) {
  platform::GdiObjectHandle white = platform::CreateSolidBrush(Rgb(255, 255, 255));
  platform::FillRect(dc, platform::Rect{0, 0, width, height}, white);
  platform::DeleteObject(white);
  for (int y = 0; y < height; ++y) {
    double inset = 0;
    double fromCorner = -1;
    if (y < radius) fromCorner = radius - y - 0.5;
    if (y >= height - radius) fromCorner = y - (height - radius) + 0.5;
    if (fromCorner >= 0) inset = radius - std::sqrt(std::max(0.0, radius * radius - fromCorner * fromCorner));
    int left = static_cast<int>(std::lround(inset));
    ColorRef color = Blend(top, bottom, height > 1 ? static_cast<double>(y) / (height - 1) : 0);
    if (y == 0 || y == height - 1) color = edge;
    platform::GdiObjectHandle row = platform::CreateSolidBrush(color);
    platform::FillRect(dc, platform::Rect{left, y, width - left, y + 1}, row);
    platform::DeleteObject(row);
    platform::GdiObjectHandle side = platform::CreateSolidBrush(edge);
    platform::FillRect(dc, platform::Rect{left, y, left + 1, y + 1}, side);
    platform::FillRect(dc, platform::Rect{width - left - 1, y, width - left, y + 1}, side);
    platform::DeleteObject(side);
  }
}

void DrawLabel(DcHandle dc, int width, int height, const std::wstring& text, int fontHeight, ColorRef color) {
  platform::LogFont description;
  description.height = fontHeight;
  description.weight = 900;
  description.faceName = L"ＭＳ Ｐゴシック";
  platform::GdiObjectHandle font = platform::CreateFontIndirect(description);
  platform::GdiObjectHandle previous = platform::SelectObject(dc, font);
  platform::SetBkMode(dc, platform::TRANSPARENT);
  platform::SetTextColor(dc, color);
  platform::Rect area{0, 0, width, height};
  platform::DrawTextEx(dc, text, area, platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
  platform::SelectObject(dc, previous);
  platform::DeleteObject(font);
}

bool Save(DcHandle dc, platform::GdiObjectHandle bitmap, platform::GdiObjectHandle previous, const std::string& path) {
  platform::SelectObject(dc, previous);
  std::optional<platform::PixelImage> image = platform::GetBitmapPixels(bitmap);
  platform::DeleteObject(bitmap);
  platform::DeleteDC(dc);
  bool saved = image && image->SavePng(path);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", path.c_str());
  return saved;
}

struct ButtonPicture {
  const char* file;
  const wchar_t* label;
  ColorRef top;
  ColorRef bottom;
  ColorRef edge;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  platform::StartUi(argc, argv);
  std::string folder = argv[1];
  bool ok = true;

  {
    DcHandle dc = platform::CreateCompatibleDC(nullptr);
    platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(dc, 150, 30);
    platform::GdiObjectHandle previous = platform::SelectObject(dc, bitmap);
    DrawPlate(dc, 150, 30, 8, Rgb(79, 129, 189), Rgb(31, 73, 125), Rgb(23, 55, 94));
    ok = Save(dc, bitmap, previous, folder + "/bitmap_131.png") && ok;
  }

  const ButtonPicture buttons[] = {
      {"bitmap_137.png", L"ダウンロードはこちら", Rgb(250, 170, 90), Rgb(228, 108, 10), Rgb(182, 86, 8)},
      {"bitmap_138.png", L"ダウンロードはこちら", Rgb(255, 200, 130), Rgb(247, 150, 70), Rgb(182, 86, 8)},
      {"bitmap_139.png", L"料金を比較する", Rgb(75, 172, 198), Rgb(31, 118, 140), Rgb(23, 88, 105)},
      {"bitmap_140.png", L"料金を比較する", Rgb(120, 200, 220), Rgb(60, 150, 175), Rgb(23, 88, 105)},
  };
  for (const ButtonPicture& button : buttons) {
    DcHandle dc = platform::CreateCompatibleDC(nullptr);
    platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(dc, 170, 30);
    platform::GdiObjectHandle previous = platform::SelectObject(dc, bitmap);
    DrawPlate(dc, 170, 30, 14, button.top, button.bottom, button.edge);
    DrawLabel(dc, 170, 30, button.label, 15, Rgb(255, 255, 255));
    ok = Save(dc, bitmap, previous, folder + "/" + button.file) && ok;
  }

  {
    // The window icon: three rising bars on a blue tile.
    DcHandle dc = platform::CreateCompatibleDC(nullptr);
    platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(dc, 32, 32);
    platform::GdiObjectHandle previous = platform::SelectObject(dc, bitmap);
    DrawPlate(dc, 32, 32, 6, Rgb(79, 129, 189), Rgb(31, 73, 125), Rgb(23, 55, 94));
    const int heights[] = {9, 15, 21};
    for (int i = 0; i < 3; ++i) {
      platform::GdiObjectHandle bar = platform::CreateSolidBrush(i == 2 ? Rgb(247, 150, 70) : Rgb(255, 255, 255));
      platform::FillRect(dc, platform::Rect{6 + i * 7, 26 - heights[i], 11 + i * 7, 26}, bar);
      platform::DeleteObject(bar);
    }
    ok = Save(dc, bitmap, previous, folder + "/icon_109.png") && ok;
  }
  return ok ? 0 : 1;
}
