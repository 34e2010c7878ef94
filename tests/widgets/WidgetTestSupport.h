#pragma once
// What the widget and graph tests share: the toolkit started off screen, a module of plain-coloured test pictures and a window that hosts buttons the
// way the programs' windows do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/drawing/Resources.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/MemoryCanvas.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"
#include "widgets/DrawButton.h"

namespace widget_test {

inline const platform::ColorRef kWhite = platform::Rgb(255, 255, 255);
inline const platform::ColorRef kRed = platform::Rgb(255, 0, 0);
inline const platform::ColorRef kGreen = platform::Rgb(0, 255, 0);
inline const platform::ColorRef kBlue = platform::Rgb(0, 0, 255);
inline const platform::ColorRef kYellow = platform::Rgb(255, 255, 0);
inline const platform::ColorRef kMagenta = platform::Rgb(255, 0, 255);

// Test pictures: 40 x 20 in one colour each, and a 60 x 30 one whose left half is
// yellow and right half magenta (to see that nothing is stretched).
inline constexpr int kRedPicture = 1;
inline constexpr int kGreenPicture = 2;
inline constexpr int kBluePicture = 3;
inline constexpr int kHalvesPicture = 4;
inline constexpr int kHostDialogId = 300;

// Started before any test touches a drawing object.
inline void StartToolkit() {
  static bool started = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "viewer_widgets_test";
    static char* argv[] = {name, nullptr};
    platform::StartUi(argc, argv);
    return true;
  }();
  (void)started;
}

inline std::vector<unsigned char> EncodePng(const platform::PixelImage& image) {
  boost::filesystem::path file =
      boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("widget-picture-%%%%-%%%%.png");
  EXPECT_TRUE(image.SavePng(file.string()));
  std::ifstream in(file.string(), std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  boost::system::error_code error;
  boost::filesystem::remove(file, error);
  return bytes;
}

inline platform::PixelImage SolidPicture(int width, int height, platform::ColorRef color) {
  platform::PixelImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * height, color);
  return image;
}

inline platform::ModuleHandle TestModule() {
  StartToolkit();
  static std::vector<std::vector<unsigned char>> pictures;
  static const platform::ResourceModule module = [] {
    platform::PixelImage halves = SolidPicture(60, 30, kYellow);
    for (int y = 0; y < 30; ++y) {
      for (int x = 30; x < 60; ++x) halves.pixels[static_cast<std::size_t>(y) * 60 + x] = kMagenta;
    }
    pictures = {EncodePng(SolidPicture(40, 20, kRed)), EncodePng(SolidPicture(40, 20, kGreen)),
                EncodePng(SolidPicture(40, 20, kBlue)), EncodePng(halves)};
    platform::ResourceModule built;
    built.name = L"WidgetTest";
    const int ids[] = {kRedPicture, kGreenPicture, kBluePicture, kHalvesPicture};
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      built.bitmaps.push_back(platform::ImageResource{ids[i], pictures[i].data(), pictures[i].size()});
    }
    platform::DialogTemplate host;
    host.id = kHostDialogId;
    host.caption = L"ボタン";
    host.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::WS_VISIBLE;
    host.width = 200;
    host.height = 120;
    host.fontFace = L"ＭＳ Ｐゴシック";
    built.dialogs.push_back(host);
    return built;
  }();
  return &module;
}

// A window with picture buttons: mouse moves and left-button presses go to every
// button in order, and each paint draws the buttons double-buffered and notes the
// painted rectangle.
class ButtonHost : public platform::Dialog {
 public:
  std::vector<Velunor::Quillon::Ui::CDrawButton> buttons;
  std::vector<platform::Rect> painted;

  bool Open() { return Create(TestModule(), kHostDialogId); }

 protected:
  bool ProcessWindowMessage(platform::UiWindow window, unsigned int message, platform::WParam wParam,
                            platform::LParam lParam, platform::LResult& result) override {
    if (message == platform::WM_MOUSEMOVE || message == platform::WM_LBUTTONDOWN) {
      for (auto& button : buttons) {
        button.OnMouse(window, platform::XFromLParam(lParam), platform::YFromLParam(lParam),
                       static_cast<unsigned int>(wParam));
      }
      result = 0;
      return true;
    }
    if (message == platform::WM_PAINT) {
      Paint(window);
      result = 0;
      return true;
    }
    return false;
  }

 private:
  void Paint(platform::UiWindow window) {
    platform::PaintStruct paint;
    platform::DcHandle dc = platform::BeginPaint(window, paint);
    platform::Rect client;
    platform::GetClientRect(window, client);
    platform::DcHandle memory = platform::CreateCompatibleDC(dc);
    platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(dc, client.Width(), client.Height());
    platform::GdiObjectHandle previous = platform::SelectObject(memory, bitmap);
    platform::FillRect(memory, client, platform::GetStockObject(platform::WHITE_BRUSH));
    for (auto& button : buttons) button.Draw(TestModule(), window, memory);
    platform::BitBlt(dc, 0, 0, client.Width(), client.Height(), memory, 0, 0, platform::SRCCOPY);
    platform::SelectObject(memory, previous);
    platform::DeleteObject(bitmap);
    platform::DeleteDC(memory);
    painted.push_back(paint.paint);
    platform::EndPaint(window, paint);
  }
};

}  // namespace widget_test
