// The UI thread's loop: filters, idle handlers, quit codes, activation. What it shares
// with the service queue is the contract of MessageQueueContractTest.cpp.
#include <gtest/gtest.h>

#include <thread>

#include "platform/core/Process.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/WindowInspection.h"
#include "platform/ui/windows/MessageLoop.h"
#include "tests/platform_ui/UiTestSupport.h"

namespace {

using namespace platform;
using ui_test::RecordingDialog;

struct CountingFilter : MessageFilter {
  unsigned int eat = WM_NULL;
  std::vector<unsigned int> seen;
  bool PreTranslateMessage(UiMessage& message) override {
    seen.push_back(message.message);
    return message.message == eat;
  }
};

struct CountingIdle : IdleHandler {
  int calls = 0;
  int wantMore = 0;
  bool OnIdle() override {
    ++calls;
    return calls <= wantMore;
  }
};

TEST(MessageLoop, PostedMessagesPassFiltersAndQuitEndsWithItsCode) {
  RecordingDialog dialog;
  ASSERT_TRUE(dialog.Create(ui_test::TestModule(), ui_test::kDialogId));
  UiWindow window = dialog.Handle();
  MessageLoop loop;
  CountingFilter filter;
  filter.eat = WM_APP + 1;
  CountingIdle idle;
  idle.wantMore = 2;
  loop.AddMessageFilter(&filter);
  loop.AddIdleHandler(&idle);

  PostMessage(window, WM_APP + 1, 11, 12);
  PostMessage(window, WM_APP + 2, 21, 22);
  PostMessage(window, WM_QUIT, 7);
  EXPECT_EQ(loop.Run(), 7);
  EXPECT_NE(std::find(filter.seen.begin(), filter.seen.end(), WM_APP + 1), filter.seen.end());
  EXPECT_TRUE(dialog.Of(WM_APP + 1).empty()) << "the filter used it up";
  ASSERT_EQ(dialog.Of(WM_APP + 2).size(), 1u);
  EXPECT_EQ(dialog.Of(WM_APP + 2)[0].wParam, 21u);
  EXPECT_EQ(dialog.Of(WM_APP + 2)[0].lParam, 22);

  // Idle handlers run once the queue is empty, again while they ask for more.
  idle.calls = 0;
  UiWindow handle = window;
  std::thread later([handle]() {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    PostMessage(handle, WM_QUIT, 0);
  });
  EXPECT_EQ(loop.Run(), 0);
  later.join();
  EXPECT_EQ(idle.calls, 3) << "two calls asked for more, the third did not";
  EXPECT_TRUE(loop.RemoveIdleHandler(&idle));
  EXPECT_TRUE(loop.RemoveMessageFilter(&filter));
  EXPECT_FALSE(loop.RemoveMessageFilter(&filter));
}

// A press on an inactive window asks it first; an "and eat" answer swallows the press.
TEST(MessageLoop, MouseActivateComesBeforeThePressOfAnInactiveWindow) {
  RecordingDialog first, second;
  ASSERT_TRUE(first.Create(ui_test::TestModule(), ui_test::kDialogId));
  ASSERT_TRUE(second.Create(ui_test::TestModule(), ui_test::kDialogId));
  ShowWindow(first.Handle(), SW_SHOW);
  ShowWindow(second.Handle(), SW_SHOW);
  SetForegroundWindow(second.Handle());
  ProcessPendingMessages();
  if (GetActiveWindow() != second.Handle()) GTEST_SKIP() << "this display does not activate windows";
  ASSERT_FALSE(second.Of(WM_ACTIVATE).empty());
  EXPECT_EQ(LowWord(second.Of(WM_ACTIVATE).back().wParam), WA_ACTIVE);

  first.answer = [](unsigned int message, WParam, LParam, LResult& result) {
    if (message != WM_MOUSEACTIVATE) return false;
    result = MA_NOACTIVATEANDEAT;
    return true;
  };
  SimulateMouse(first.Handle(), WM_LBUTTONDOWN, 150, 200, MK_LBUTTON);
  ASSERT_EQ(first.Of(WM_MOUSEACTIVATE).size(), 1u);
  EXPECT_EQ(YFromLParam(first.Of(WM_MOUSEACTIVATE)[0].lParam), static_cast<int>(WM_LBUTTONDOWN));
  EXPECT_TRUE(first.Of(WM_LBUTTONDOWN).empty());

  first.answer = nullptr;
  SimulateMouse(first.Handle(), WM_LBUTTONDOWN, 150, 200, MK_LBUTTON);
  EXPECT_EQ(first.Of(WM_LBUTTONDOWN).size(), 1u);
}

}  // namespace
