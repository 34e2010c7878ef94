// Where the main window opens: centred on the work area's size, with the work area's own
// left and top not added, each half truncated. The screen here is 1000 x 700 at (100, 40),
// so a rule that adds the origin, or one that forgets the frame, shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/viewer_app/ViewerSandbox.h"
#include "tests/viewer_app/ViewerWindow.h"

namespace Velunor::Quillon::Ui {
namespace {

const bool kScreen = [] {
  setenv("QT_QPA_PLATFORM", (std::string("offscreen:configfile=") + VIEWER_PLACEMENT_SCREEN).c_str(), 1);
  return true;
}();

TEST(MainWndPlacement, CentredOnTheWorkAreaSizeWithoutItsOrigin) {
  viewer_test::Sandbox sandbox;
  viewer_test::ViewerWindow window;
  ASSERT_TRUE(window.Created());
  ASSERT_EQ(platform::GetWorkArea(), (platform::Rect{100, 40, 1100, 740})) << "the screen of this test";
  platform::Rect frame;
  platform::Rect client;
  ASSERT_TRUE(platform::GetWindowRect(window.Handle(), frame));
  ASSERT_TRUE(platform::GetClientRect(window.Handle(), client));
  EXPECT_EQ(client, (platform::Rect{0, 0, 500, 520}));
  // No frames here, but the menu bar lies outside the client area.
  const int frameHeight = frame.Height() - 520;
  ASSERT_GT(frameHeight, 0);
  EXPECT_EQ(frame.left, 1000 / 2 - 500 / 2);
  EXPECT_EQ(frame.right, 250 + 500);
  EXPECT_EQ(frame.top, 700 / 2 - (frameHeight + 520) / 2);
  EXPECT_EQ(frame.bottom, frame.top + frameHeight + 520);
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
