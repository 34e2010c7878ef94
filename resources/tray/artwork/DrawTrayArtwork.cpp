// Draws the tray program's pictures (tray icon, information sign, the popups' picture
// buttons and link bar) and writes them as PNG files into the folder given on the
// command line.
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
using platform::GdiObjectHandle;
using platform::Rgb;

// A drawing surface of its own size on a white ground.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    dc_ = platform::CreateCompatibleDC(nullptr);
    bitmap_ = platform::CreateCompatibleBitmap(dc_, width, height);
    previous_ = platform::SelectObject(dc_, bitmap_);
    GdiObjectHandle white = platform::CreateSolidBrush(Rgb(255, 255, 255));
    platform::FillRect(dc_, platform::Rect{0, 0, width, height}, white);
    platform::DeleteObject(white);
  }
  ~Canvas() {
    platform::SelectObject(dc_, previous_);
    platform::DeleteObject(bitmap_);
    platform::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  DcHandle Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // A filled shape: round corners of the given diameter (the height makes a pill), or an
  // ellipse when diameter is negative.
  void Shape(int left, int top, int right, int bottom, int diameter, ColorRef fill, ColorRef edge) {
    GdiObjectHandle pen = platform::CreatePen(platform::PS_SOLID, 1, edge);
    GdiObjectHandle brush = platform::CreateSolidBrush(fill);
    GdiObjectHandle oldPen = platform::SelectObject(dc_, pen);
    GdiObjectHandle oldBrush = platform::SelectObject(dc_, brush);
    if (diameter < 0) {
      platform::Ellipse(dc_, left, top, right, bottom);
    } else {
      platform::RoundRect(dc_, left, top, right, bottom, diameter, diameter);
    }
    platform::SelectObject(dc_, oldBrush);
    platform::SelectObject(dc_, oldPen);
    platform::DeleteObject(brush);
    platform::DeleteObject(pen);
  }

  void Label(const std::wstring& text, int fontHeight, ColorRef color, platform::Rect area) {
    platform::LogFont description;
    description.height = fontHeight;
    description.weight = 900;
    description.faceName = L"ＭＳ Ｐゴシック";
    GdiObjectHandle font = platform::CreateFontIndirect(description);
    GdiObjectHandle previous = platform::SelectObject(dc_, font);
    platform::SetBkMode(dc_, platform::TRANSPARENT);
    platform::SetTextColor(dc_, color);
    platform::DrawTextEx(dc_, text, area, platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
    platform::SelectObject(dc_, previous);
    platform::DeleteObject(font);
  }

  bool Save(const std::string& path) const {
    std::optional<platform::PixelImage> image = platform::GetBitmapPixels(bitmap_);
    bool saved = image && image->SavePng(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.c_str());
    return saved;
  }

 private:
  int width_;
  int height_;
  DcHandle dc_;
  GdiObjectHandle bitmap_;
  GdiObjectHandle previous_;
};

// A pill with a lighter upper half, the label centred on it.
bool DrawPill(const std::string& path, int width, int height, ColorRef fill, ColorRef shine, ColorRef edge,
              const std::wstring& label, int fontHeight, ColorRef labelColor) {
  Canvas canvas(width, height);
  canvas.Shape(0, 0, width, height, height, fill, edge);
  canvas.Shape(3, 2, width - 3, height / 2 + 1, height / 2, shine, shine);
  canvas.Label(label, fontHeight, labelColor, platform::Rect{0, 0, width, height});
  return canvas.Save(path);
}

struct PillPicture {
  const char* file;
  const wchar_t* label;
  ColorRef fill;
  ColorRef shine;
  ColorRef edge;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  platform::StartUi(argc, argv);
  std::string folder = argv[1] + std::string("/");
  bool ok = true;

  const PillPicture buttons[] = {
      {"bitmap_132.png", L"表示する", Rgb(0, 150, 136), Rgb(38, 176, 163), Rgb(0, 105, 95)},
      {"bitmap_138.png", L"表示する", Rgb(38, 190, 175), Rgb(90, 210, 198), Rgb(0, 125, 113)},
      {"bitmap_139.png", L"表示する", Rgb(0, 105, 95), Rgb(0, 125, 113), Rgb(0, 70, 63)},
      {"bitmap_133.png", L"表示しない", Rgb(140, 140, 140), Rgb(165, 165, 165), Rgb(100, 100, 100)},
      {"bitmap_140.png", L"表示しない", Rgb(175, 175, 175), Rgb(200, 200, 200), Rgb(120, 120, 120)},
      {"bitmap_141.png", L"表示しない", Rgb(100, 100, 100), Rgb(120, 120, 120), Rgb(70, 70, 70)},
  };
  for (const PillPicture& button : buttons) {
    ok = DrawPill(folder + button.file, 113, 42, button.fill, button.shine, button.edge, button.label, 16,
                  Rgb(255, 255, 255)) && ok;
  }

  // The update popup's link: an orange bar with blue lettering.
  ok = DrawPill(folder + "bitmap_136.png", 350, 15, Rgb(250, 170, 70), Rgb(252, 196, 120), Rgb(215, 120, 20),
                L"こちらをクリック", 12, Rgb(0, 60, 200)) && ok;

  {
    // The information sign: a grey circle with a white i.
    Canvas canvas(32, 33);
    canvas.Shape(0, 0, 32, 32, -1, Rgb(128, 128, 128), Rgb(110, 110, 110));
    canvas.Shape(14, 6, 19, 11, -1, Rgb(255, 255, 255), Rgb(255, 255, 255));
    canvas.Shape(14, 13, 19, 27, 2, Rgb(255, 255, 255), Rgb(255, 255, 255));
    ok = canvas.Save(folder + "bitmap_137.png") && ok;
  }

  {
    // The tray icon: a teal tile with a rising line of three dots, the traffic of a month.
    Canvas canvas(32, 32);
    canvas.Shape(0, 0, 32, 32, 10, Rgb(0, 128, 128), Rgb(0, 90, 90));
    const int rows[] = {21, 15, 8};
    for (int i = 0; i < 3; ++i) {
      ColorRef color = i == 2 ? Rgb(250, 170, 70) : Rgb(255, 255, 255);
      canvas.Shape(5 + i * 8, rows[i], 12 + i * 8, rows[i] + 7, -1, color, color);
    }
    GdiObjectHandle bar = platform::CreateSolidBrush(Rgb(255, 255, 255));
    platform::FillRect(canvas.Dc(), platform::Rect{5, 27, 28, 29}, bar);
    platform::DeleteObject(bar);
    ok = canvas.Save(folder + "icon_107.png") && ok;
  }
  return ok ? 0 : 1;
}
