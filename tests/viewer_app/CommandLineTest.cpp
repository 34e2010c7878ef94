// CorvaneViewer started as a program with its command line, on an X server of the test's
// own, the clock set by faketime: only exactly "-PreviousMonth" shows the month before the
// last-data month. What the program's window shows is read back from the X server and
// compared, pixel for pixel, with the window this process draws for either month.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

#include "common/ProductName.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/testing/ExternalWindowClose.h"
#include "platform/ui/testing/WindowInspection.h"
#include "tests/viewer_app/ViewerSandbox.h"
#include "tests/viewer_app/ViewerWindow.h"

namespace Velunor::Quillon::Ui {
namespace {

using platform::PixelImage;
using platform::Rect;
namespace fs = boost::filesystem;

// The panel's texts and the title plate: what the month changes, drawn by the program
// itself (the push buttons are the toolkit's and may show focus).
const Rect kCompared[] = {Rect{175, 35, 325, 65}, Rect{15, 242, 485, 395}};

// The window's pixels as the X server holds them, or nothing.
std::optional<PixelImage> GrabWindow(const std::string& display, std::uint32_t window) {
  std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> connection(xcb_connect(display.c_str(), nullptr),
                                                                           xcb_disconnect);
  if (xcb_connection_has_error(connection.get())) return std::nullopt;
  std::unique_ptr<xcb_get_geometry_reply_t, void (*)(void*)> geometry(
      xcb_get_geometry_reply(connection.get(), xcb_get_geometry(connection.get(), window), nullptr), std::free);
  if (!geometry || geometry->depth != 24) return std::nullopt;
  std::unique_ptr<xcb_get_image_reply_t, void (*)(void*)> reply(
      xcb_get_image_reply(connection.get(),
                          xcb_get_image(connection.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, geometry->width,
                                        geometry->height, ~0u),
                          nullptr),
      std::free);
  if (!reply) return std::nullopt;
  PixelImage image;
  image.width = geometry->width;
  image.height = geometry->height;
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  if (static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) != count * 4) return std::nullopt;
  const std::uint8_t* data = xcb_get_image_data(reply.get());
  image.pixels.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    image.pixels[i] = platform::Rgb(data[4 * i + 2], data[4 * i + 1], data[4 * i]);  // B, G, R, unused
  }
  return image;
}

// The compared areas of a client area that lies at offset in the picture are equal.
bool SameMonthShown(const PixelImage& picture, platform::Point offset, const PixelImage& client) {
  for (const Rect& area : kCompared) {
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const int px = x + offset.x;
        const int py = y + offset.y;
        if (px >= picture.width || py >= picture.height || picture.At(px, py) != client.At(x, y)) return false;
      }
    }
  }
  return true;
}

TEST(ViewerCommandLine, OnlyExactlyPreviousMonthShowsTheMonthBefore) {
  viewer_test::VirtualDisplay display;
  if (!display.Start()) GTEST_SKIP() << viewer_test::kNoXvfb;
  const std::string faketime = corvane_test::FindOnPath("faketime");
  if (faketime.empty()) GTEST_SKIP() << "faketime is not installed (package faketime)";
  setenv("DISPLAY", display.Name().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  viewer_test::Sandbox sandbox;
  sandbox.CopyFixture("summary_in_progress.xml", "summarydata.xml");
  sandbox.InstallDefaultPriceFiles();

  // This process's own window for March 2016 and for February, on the same server; it
  // must be gone before a program starts, which would otherwise find its title.
  sandbox.PinClock(2016, 3, 20);
  PixelImage expected[2];
  platform::Point clientOffset;
  for (int flag : {0, 1}) {
    viewer_test::ViewerWindow window(flag);
    ASSERT_TRUE(window.Created());
    ASSERT_EQ(window.DisplayedMonth(), flag == 1 ? 2 : 3);
    expected[flag] = window.Capture();
    Rect frame;
    platform::GetWindowRect(window.Handle(), frame);
    platform::Point origin{0, 0};
    platform::ClientToScreen(window.Handle(), origin);
    clientOffset = platform::Point{origin.x - frame.left, origin.y - frame.top};
  }
  platform::Clock::Unpin();
  ASSERT_FALSE(SameMonthShown(expected[1], platform::Point{0, 0}, expected[0])) << "the months look alike";

  fs::create_directories(sandbox.InstallFolder());
  const fs::path viewer = sandbox.InstallFolder() / "CorvaneViewer";
  fs::copy_file(CORVANE_VIEWER_PATH, viewer, fs::copy_options::overwrite_existing);
  viewer_test::WriteScript(sandbox.InstallFolder() / "CorvaneReckoner", "exit 0\n");
  viewer_test::ScopedEnv realMonotonic("FAKETIME_DONT_FAKE_MONOTONIC", "1");
  // In a sanitizer build faketime's library is loaded before the sanitizer's runtime.
  const char* sanitizer = std::getenv("ASAN_OPTIONS");
  viewer_test::ScopedEnv loadOrder(
      "ASAN_OPTIONS", std::string(sanitizer != nullptr ? sanitizer : "") + ":verify_asan_link_order=0");

  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    int shownFlag;
  };
  const Case cases[] = {
      {"exactly -PreviousMonth", {"-PreviousMonth"}, 1},
      {"no argument", {}, 0},
      {"a trailing blank", {"-PreviousMonth", ""}, 0},
      {"a blank inside the argument", {"-PreviousMonth "}, 0},
      {"another case", {"-previousmonth"}, 0},
      {"a further word", {"-PreviousMonth", "now"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments{"-f", "@2016-03-20 10:00:00", viewer.string()};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    std::optional<platform::ChildProcess> child = platform::ChildProcess::Start(faketime, arguments);
    ASSERT_TRUE(child);
    std::optional<platform::TopLevelWindow> window;
    ASSERT_TRUE(viewer_test::WaitFor([&] {
      window = platform::FindTopLevelWindow(Common::kProductName);
      return window.has_value() || child->HasEnded();
    }, 20000) && window) << "no viewer window";
    bool shown = false;
    bool other = false;
    viewer_test::WaitFor([&] {
      std::optional<PixelImage> picture = GrabWindow(display.Name(), window->x11Window);
      shown = picture && SameMonthShown(*picture, clientOffset, expected[c.shownFlag]);
      other = picture && SameMonthShown(*picture, clientOffset, expected[1 - c.shownFlag]);
      return shown || other;
    }, 20000);
    EXPECT_TRUE(shown) << (other ? "the other month is shown" : "the window never showed a month as drawn here");
    ASSERT_TRUE(platform::RequestWindowClose(*window));
    ASSERT_TRUE(child->Wait(10000));
    EXPECT_EQ(child->ExitCode(), 0u);
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
