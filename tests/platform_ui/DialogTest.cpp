// Dialogs made from a template: controls, commands, menu, geometry, mouse, capture,
// painting.
#include <gtest/gtest.h>

#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/WindowInspection.h"
#include "platform/ui/windows/UiWindow.h"
#include "tests/platform_ui/UiTestSupport.h"

namespace {

using namespace platform;
using ui_test::RecordingDialog;

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog.Create(ui_test::TestModule(), ui_test::kDialogId));
    window = dialog.Handle();
    ShowWindow(window, SW_SHOW);
    ProcessPendingMessages();
    dialog.received.clear();
  }
  void TearDown() override { DestroyWindow(window); }

  // Client coordinates of a control's centre.
  Point CentreOf(int id) {
    Rect rect;
    GetWindowRect(GetDlgItem(window, id), rect);
    Point point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(window, point);
    return point;
  }

  RecordingDialog dialog;
  UiWindow window;
};

TEST_F(DialogTest, TemplateGivesCaptionControlsAndInitDialog) {
  RecordingDialog fresh;
  ASSERT_TRUE(fresh.Create(ui_test::TestModule(), ui_test::kDialogId));
  ASSERT_EQ(fresh.Of(WM_INITDIALOG).size(), 1u);
  EXPECT_EQ(GetWindowText(fresh.Handle()), L"テスト ダイアログ");
  EXPECT_EQ(GetWindowText(GetDlgItem(fresh.Handle(), ui_test::kFirstButton)), L"前へ");
  EXPECT_TRUE(GetDlgItem(fresh.Handle(), ui_test::kFrame));
  EXPECT_FALSE(GetDlgItem(fresh.Handle(), 4242));
  EXPECT_EQ(GetDlgCtrlID(GetDlgItem(fresh.Handle(), ui_test::kSecondButton)), ui_test::kSecondButton);
  EXPECT_EQ(GetParent(GetDlgItem(fresh.Handle(), ui_test::kSecondButton)), fresh.Handle());

  RecordingDialog missing;
  EXPECT_FALSE(missing.Create(ui_test::TestModule(), 999));
  EXPECT_FALSE(missing.Handle());
}

TEST_F(DialogTest, PushButtonsSendCommandWithIdAndClickedNotification) {
  Point first = CentreOf(ui_test::kFirstButton);
  SimulateMouse(window, WM_LBUTTONDOWN, first.x, first.y, MK_LBUTTON);
  SimulateMouse(window, WM_LBUTTONUP, first.x, first.y, 0);
  ASSERT_EQ(dialog.Of(WM_COMMAND).size(), 1u);
  ui_test::Received command = dialog.Of(WM_COMMAND)[0];
  EXPECT_EQ(LowWord(command.wParam), static_cast<unsigned int>(ui_test::kFirstButton));
  EXPECT_EQ(HighWord(command.wParam), BN_CLICKED);
  EXPECT_EQ(static_cast<std::uint64_t>(command.lParam), GetDlgItem(window, ui_test::kFirstButton).Value());
  // The press on a child control is the control's, not the dialog's.
  EXPECT_TRUE(dialog.Of(WM_LBUTTONDOWN).empty());

  // A disabled button stays silent, also for BM_CLICK.
  UiWindow second = GetDlgItem(window, ui_test::kSecondButton);
  EXPECT_FALSE(EnableWindow(second, false));
  EXPECT_FALSE(IsWindowEnabled(second));
  dialog.received.clear();
  Point point = CentreOf(ui_test::kSecondButton);
  SimulateMouse(window, WM_LBUTTONDOWN, point.x, point.y, MK_LBUTTON);
  SimulateMouse(window, WM_LBUTTONUP, point.x, point.y, 0);
  SendMessage(second, BM_CLICK);
  EXPECT_TRUE(dialog.Of(WM_COMMAND).empty());
  EXPECT_TRUE(EnableWindow(second, true));
  SendMessage(second, BM_CLICK);
  ASSERT_EQ(dialog.Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(LowWord(dialog.Of(WM_COMMAND)[0].wParam), static_cast<unsigned int>(ui_test::kSecondButton));
}

TEST_F(DialogTest, MenuItemSendsItsCommand) {
  EXPECT_EQ(GetMenuPopupText(window, 0), L"設定");
  EXPECT_EQ(GetMenuItemText(window, ui_test::kMenuCommand), L"回線品目の設定");
  ASSERT_TRUE(TriggerMenuCommand(window, ui_test::kMenuCommand));
  ASSERT_EQ(dialog.Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(dialog.Of(WM_COMMAND)[0].wParam, MakeWParam(ui_test::kMenuCommand, 0));
  EXPECT_EQ(dialog.Of(WM_COMMAND)[0].lParam, 0);
  EXPECT_FALSE(TriggerMenuCommand(window, 1));
}

TEST_F(DialogTest, ClientSizeFollowsFrameAndControlsMoveInClientCoordinates) {
  Rect outer, client;
  ASSERT_TRUE(GetWindowRect(window, outer));
  ASSERT_TRUE(GetClientRect(window, client));
  int frameWidth = outer.Width() - client.Width();
  int frameHeight = outer.Height() - client.Height();
  EXPECT_GT(frameHeight, 0) << "the menu bar lies outside the client area";
  ASSERT_TRUE(MoveWindow(window, 20, 30, frameWidth + 500, frameHeight + 520, false));
  ASSERT_TRUE(GetClientRect(window, client));
  EXPECT_EQ(client, (Rect{0, 0, 500, 520}));

  UiWindow frame = GetDlgItem(window, ui_test::kFrame);
  ASSERT_TRUE(MoveWindow(frame, 5, 65, 490, 180, false));
  Rect frameRect;
  ASSERT_TRUE(GetWindowRect(frame, frameRect));
  Point corner{frameRect.left, frameRect.top};
  ASSERT_TRUE(ScreenToClient(window, corner));
  EXPECT_EQ(corner.x, 5);
  EXPECT_EQ(corner.y, 65);
  ASSERT_TRUE(GetClientRect(frame, frameRect));
  EXPECT_EQ(frameRect, (Rect{0, 0, 490, 180}));

  EXPECT_FALSE(IsTopMost(window));
  ASSERT_TRUE(SetWindowPos(window, ZOrder::TopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_TRUE(IsTopMost(window));
  EXPECT_TRUE(IsWindowVisible(window));
  ASSERT_TRUE(GetClientRect(window, client));
  EXPECT_EQ(client, (Rect{0, 0, 500, 520}));

  Rect work = GetWorkArea();
  EXPECT_GT(work.Width(), 0);
  EXPECT_GT(work.Height(), 0);
}

TEST_F(DialogTest, MouseMessagesCarryKeyFlagsAndSignedCoordinates) {
  struct Case {
    unsigned int message;
    int x, y;
    unsigned int flags;
  };
  const Case cases[] = {
      {WM_MOUSEMOVE, 200, 150, 0},
      {WM_LBUTTONDOWN, 201, 151, MK_LBUTTON},
      {WM_LBUTTONDOWN, 202, 152, MK_LBUTTON | MK_SHIFT},
      {WM_LBUTTONDOWN, 203, 153, MK_LBUTTON | MK_CONTROL},
      {WM_MOUSEMOVE, 204, 154, MK_LBUTTON | MK_SHIFT | MK_CONTROL},
      {WM_LBUTTONUP, 205, 155, 0},
      {WM_RBUTTONDOWN, 206, 156, MK_RBUTTON},
      {WM_RBUTTONUP, 207, 157, 0},
  };
  for (const Case& c : cases) {
    dialog.received.clear();
    ASSERT_TRUE(SimulateMouse(window, c.message, c.x, c.y, c.flags));
    std::vector<ui_test::Received> got = dialog.Of(c.message);
    ASSERT_EQ(got.size(), 1u) << "message " << c.message;
    EXPECT_EQ(got[0].wParam, c.flags) << "message " << c.message;
    EXPECT_EQ(XFromLParam(got[0].lParam), c.x);
    EXPECT_EQ(YFromLParam(got[0].lParam), c.y);
  }

  // With the capture held, moves outside the window (and over a child control) are the
  // window's, at negative coordinates.
  EXPECT_FALSE(SetCapture(window));
  EXPECT_EQ(GetCapture(), window);
  Point button = CentreOf(ui_test::kFirstButton);
  const Point outside[] = {{-5, -7}, {button.x, button.y}, {3000, 10}};
  for (Point point : outside) {
    dialog.received.clear();
    SimulateMouse(window, WM_MOUSEMOVE, point.x, point.y, 0);
    ASSERT_EQ(dialog.Of(WM_MOUSEMOVE).size(), 1u);
    EXPECT_EQ(XFromLParam(dialog.Of(WM_MOUSEMOVE)[0].lParam), point.x);
    EXPECT_EQ(YFromLParam(dialog.Of(WM_MOUSEMOVE)[0].lParam), point.y);
  }
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_FALSE(GetCapture());
  dialog.received.clear();
  SimulateMouse(window, WM_MOUSEMOVE, button.x, button.y, 0);
  EXPECT_TRUE(dialog.Of(WM_MOUSEMOVE).empty()) << "without capture the control under the mouse gets it";
}

TEST(MouseLParam, SignedHalvesRoundTrip) {
  const Point points[] = {{0, 0}, {-1, -1}, {32767, -32768}, {-300, 520}};
  for (Point point : points) {
    LParam value = MakeLParam(point.x, point.y);
    EXPECT_EQ(XFromLParam(value), point.x);
    EXPECT_EQ(YFromLParam(value), point.y);
  }
}

TEST_F(DialogTest, CursorsSwapAndReportThePreviousOne) {
  CursorHandle hand = LoadCursor(IDC_HAND);
  CursorHandle arrow = LoadCursor(IDC_ARROW);
  ASSERT_NE(hand, 0);
  ASSERT_NE(arrow, 0);
  EXPECT_EQ(LoadCursor(12345), 0);
  SetCursor(arrow);
  EXPECT_EQ(SetCursor(hand), arrow);
  EXPECT_EQ(GetCursor(), hand);
  EXPECT_EQ(SetCursor(arrow), hand);
}

TEST_F(DialogTest, CloseBecomesCancelUnlessHandled) {
  SendMessage(window, WM_CLOSE);
  ProcessPendingMessages();
  ASSERT_EQ(dialog.Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(LowWord(dialog.Of(WM_COMMAND)[0].wParam), static_cast<unsigned int>(IDCANCEL));

  dialog.received.clear();
  dialog.answer = [](unsigned int message, WParam, LParam, LResult& result) {
    result = 0;
    return message == WM_CLOSE;
  };
  SendMessage(window, WM_CLOSE);
  ProcessPendingMessages();
  EXPECT_EQ(dialog.Of(WM_CLOSE).size(), 1u);
  EXPECT_TRUE(dialog.Of(WM_COMMAND).empty());
  EXPECT_TRUE(IsWindow(window)) << "closing never destroys by itself";
}

// The window paints red through a memory bitmap; erasing happens only when asked.
TEST_F(DialogTest, PaintIsDoubleBufferedAndEraseOnlyOnRequest) {
  int paints = 0;
  bool lastErase = true;
  dialog.answer = [&](unsigned int message, WParam, LParam, LResult& result) {
    if (message != WM_PAINT) return false;
    ++paints;
    PaintStruct paint;
    DcHandle dc = BeginPaint(window, paint);
    lastErase = paint.erase;
    Rect client;
    GetClientRect(window, client);
    DcHandle memory = CreateCompatibleDC(dc);
    GdiObjectHandle bitmap = CreateCompatibleBitmap(dc, client.Width(), client.Height());
    GdiObjectHandle old = SelectObject(memory, bitmap);
    GdiObjectHandle red = CreateSolidBrush(Rgb(255, 0, 0));
    FillRect(memory, client, red);
    BitBlt(dc, 0, 0, client.Width(), client.Height(), memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(red));
    DeleteDC(memory);
    EndPaint(window, paint);
    result = 0;
    return true;
  };
  ASSERT_TRUE(InvalidateRect(window, nullptr, false));
  ASSERT_TRUE(UpdateWindow(window));
  EXPECT_GE(paints, 1);
  EXPECT_TRUE(dialog.Of(WM_ERASEBKGND).empty());

  int before = paints;
  Rect part{0, 0, 10, 10};
  ASSERT_TRUE(RedrawWindow(window, &part, RDW_INVALIDATE | RDW_UPDATENOW));
  EXPECT_GT(paints, before) << "RDW_UPDATENOW paints before returning";

  dialog.received.clear();
  InvalidateRect(window, nullptr, true);
  UpdateWindow(window);
  EXPECT_EQ(dialog.Of(WM_ERASEBKGND).size(), 1u);
  EXPECT_FALSE(lastErase) << "the default WM_ERASEBKGND erased";

  std::optional<PixelImage> picture = CaptureClientArea(window);
  ASSERT_TRUE(picture);
  Rect client;
  GetClientRect(window, client);
  EXPECT_EQ(picture->width, client.Width());
  // A corner far from the buttons shows the window's own painting.
  EXPECT_EQ(picture->At(picture->width - 2, picture->height - 2), Rgb(255, 0, 0));
}

TEST_F(DialogTest, EscapeThroughDialogKeyboardHandlingIsCancel) {
  struct KeyboardFilter : MessageFilter {
    UiWindow dialog;
    bool PreTranslateMessage(UiMessage& message) override { return IsDialogMessage(dialog, message); }
  };
  MessageLoop loop;
  KeyboardFilter filter;
  filter.dialog = window;
  loop.AddMessageFilter(&filter);
  ASSERT_TRUE(SimulateKey(window, VK_ESCAPE));
  ASSERT_EQ(dialog.Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(LowWord(dialog.Of(WM_COMMAND)[0].wParam), static_cast<unsigned int>(IDCANCEL));
  EXPECT_TRUE(dialog.Of(WM_KEYDOWN).empty()) << "used up by the filter";
}

TEST_F(DialogTest, DestroyWindowSendsDestroyAndInvalidatesHandles) {
  UiWindow button = GetDlgItem(window, ui_test::kFirstButton);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(dialog.Of(WM_DESTROY).size(), 1u);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(button));
  EXPECT_FALSE(dialog.Handle());
  EXPECT_FALSE(PostMessage(window, WM_APP + 1));
  EXPECT_EQ(SendMessage(window, WM_APP + 1), 0);
  EXPECT_FALSE(SetWindowText(window, L"x"));
}

}  // namespace
