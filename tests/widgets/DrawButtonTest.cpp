// Picture buttons: the mouse state machine on a real window (capture, cursor, repaint
// of the button's rectangle) and the picture each state draws.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/WindowInspection.h"
#include "tests/widgets/WidgetTestSupport.h"

namespace {

using namespace widget_test;
using Velunor::Quillon::Ui::CDrawButton;
using platform::MK_CONTROL;
using platform::MK_LBUTTON;
using platform::MK_SHIFT;
using platform::Rect;
using platform::WM_LBUTTONDOWN;
using platform::WM_MOUSEMOVE;

const Rect kFirst{10, 10, 50, 30};
const Rect kSecond{50, 10, 90, 30};  // shares the first one's right edge

std::set<std::tuple<int, int, int, int>> Distinct(const std::vector<Rect>& rects) {
  std::set<std::tuple<int, int, int, int>> result;
  for (const Rect& r : rects) result.insert({r.left, r.top, r.right, r.bottom});
  return result;
}

class DrawButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartToolkit();
    host_.buttons.resize(2);
    host_.buttons[0].SetButton(kFirst, kRedPicture, kGreenPicture, kBluePicture);
    host_.buttons[1].SetButton(kSecond, kRedPicture, kGreenPicture, 0);
    ASSERT_TRUE(host_.Open());
    platform::ShowWindow(host_.Handle(), platform::SW_SHOW);
    platform::ProcessPendingMessages();
    host_.painted.clear();
  }
  void TearDown() override {
    platform::ReleaseCapture();
    platform::DestroyWindow(host_.Handle());
    platform::ProcessPendingMessages();
  }

  ButtonHost host_;
};

// Every row is one mouse message on the real road (capture, then the window) and what
// must hold afterwards. cursor 0: not looked at.
TEST_F(DrawButtonTest, MouseStateMachineFollowsThePointer) {
  struct Step {
    const char* what;
    unsigned int message;
    int x, y;
    unsigned int keys;
    int first, second;
    bool captured;
    int cursor;
    std::vector<Rect> repainted;
  };
  const int hand = platform::IDC_HAND, arrow = platform::IDC_ARROW;
  const Step steps[] = {
      {"outside both", WM_MOUSEMOVE, 5, 5, 0, 0, 0, false, 0, {}},
      {"a press from normal only hovers", WM_LBUTTONDOWN, 20, 20, MK_LBUTTON, 1, 0, true, hand, {kFirst}},
      {"moving within", WM_MOUSEMOVE, 25, 20, 0, 1, 0, true, hand, {}},
      {"press", WM_LBUTTONDOWN, 25, 20, MK_LBUTTON, 2, 0, true, hand, {kFirst}},
      {"dragging within", WM_MOUSEMOVE, 26, 21, MK_LBUTTON, 2, 0, true, hand, {}},
      {"released", WM_MOUSEMOVE, 27, 21, 0, 1, 0, true, hand, {kFirst}},
      {"press with Shift", WM_LBUTTONDOWN, 27, 21, MK_LBUTTON | MK_SHIFT, 2, 0, true, hand, {kFirst}},
      {"straight onto the neighbour", WM_MOUSEMOVE, 50, 20, 0, 0, 1, true, hand, {kFirst, kSecond}},
      {"press with Ctrl", WM_LBUTTONDOWN, 60, 20, MK_LBUTTON | MK_CONTROL, 0, 2, true, hand, {kSecond}},
      {"pressed and leaving the window", WM_MOUSEMOVE, -20, -7, MK_LBUTTON, 0, 0, false, arrow, {kSecond}},
      {"back in from outside", WM_MOUSEMOVE, 89, 29, 0, 0, 1, true, hand, {kSecond}},
      {"hovered and leaving the window", WM_MOUSEMOVE, 300, 300, 0, 0, 0, false, arrow, {kSecond}},
  };
  for (const Step& step : steps) {
    ASSERT_TRUE(platform::SimulateMouse(host_.Handle(), step.message, step.x, step.y, step.keys)) << step.what;
    platform::ProcessPendingMessages();
    EXPECT_EQ(host_.buttons[0].GetMouseState(), step.first) << step.what;
    EXPECT_EQ(host_.buttons[1].GetMouseState(), step.second) << step.what;
    EXPECT_EQ(platform::GetCapture() == host_.Handle(), step.captured) << step.what;
    if (step.cursor != 0) {
      EXPECT_EQ(platform::GetCursor(), step.cursor) << step.what;
    }
    EXPECT_EQ(Distinct(host_.painted), Distinct(step.repainted)) << step.what;
    host_.painted.clear();
  }
}

// The capture the window already holds is kept, not taken again, and a window without
// the capture does not release someone else's.
TEST_F(DrawButtonTest, CaptureIsTakenAndReleasedOnlyForItsOwnWindow) {
  ButtonHost other;
  ASSERT_TRUE(other.Open());
  CDrawButton& button = host_.buttons[0];

  platform::SetCapture(host_.Handle());
  button.OnMouse(host_.Handle(), 20, 20, 0);
  EXPECT_EQ(button.GetMouseState(), CDrawButton::kHover);
  EXPECT_EQ(platform::GetCapture(), host_.Handle());

  platform::SetCapture(other.Handle());
  button.OnMouse(host_.Handle(), 200, 20, 0);
  EXPECT_EQ(button.GetMouseState(), CDrawButton::kNormal);
  EXPECT_EQ(platform::GetCapture(), other.Handle()) << "another window's capture stays";
  platform::ReleaseCapture();
  platform::DestroyWindow(other.Handle());
}

// Which picture each state draws, for each way of leaving pictures out.
TEST_F(DrawButtonTest, EachStateDrawsItsPicture) {
  struct Case {
    int normal, hover, pressed;
    platform::ColorRef inNormal, inHover, inPressed;
  };
  const Case cases[] = {
      {kRedPicture, kGreenPicture, kBluePicture, kRed, kGreen, kBlue},
      {kRedPicture, kGreenPicture, 0, kRed, kGreen, kGreen},
      {kRedPicture, 0, kBluePicture, kRed, kRed, kBlue},
      {kRedPicture, 0, 0, kRed, kRed, kRed},
      {0, 0, 0, kWhite, kWhite, kWhite},
  };
  for (const Case& c : cases) {
    CDrawButton button;
    button.SetButton(kFirst, c.normal, c.hover, c.pressed);
    const platform::ColorRef expected[] = {c.inNormal, c.inHover, c.inPressed};
    // Normal as made, then hover, then pressed.
    const unsigned int keys[] = {0, 0, MK_LBUTTON};
    for (int state = 0; state < 3; ++state) {
      if (state > 0) button.OnMouse(host_.Handle(), 20, 20, keys[state]);
      ASSERT_EQ(button.GetMouseState(), state);
      platform::MemoryCanvas canvas(100, 40);
      button.Draw(TestModule(), host_.Handle(), canvas.dc());
      EXPECT_EQ(canvas.At(10, 10), expected[state]) << "normal " << c.normal << " state " << state;
      EXPECT_EQ(canvas.At(49, 29), expected[state]) << "normal " << c.normal << " state " << state;
      EXPECT_EQ(canvas.At(50, 30), kWhite) << "nothing beyond the rectangle";
      EXPECT_EQ(canvas.At(9, 9), kWhite);
    }
    // The state still changes and the cursor is set without any picture.
    button.OnMouse(host_.Handle(), 0, 0, 0);
    EXPECT_EQ(button.GetMouseState(), CDrawButton::kNormal);
    EXPECT_EQ(platform::GetCursor(), platform::IDC_ARROW);
  }
}

// What a state change shows on the window itself, painted through its own WM_PAINT.
TEST_F(DrawButtonTest, HoverShowsOnTheWindow) {
  std::optional<platform::PixelImage> before = platform::CaptureClientArea(host_.Handle());
  ASSERT_TRUE(before);
  EXPECT_EQ(before->At(20, 20), kRed);
  ASSERT_TRUE(platform::SimulateMouse(host_.Handle(), WM_MOUSEMOVE, 20, 20, 0));
  platform::ProcessPendingMessages();
  std::optional<platform::PixelImage> after = platform::CaptureClientArea(host_.Handle());
  ASSERT_TRUE(after);
  EXPECT_EQ(after->At(20, 20), kGreen);
  EXPECT_EQ(after->At(60, 20), kRed) << "the neighbour stays normal";
}

}  // namespace
