#include "platform/service/HiddenWindow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace platform;

class TestWindow : public HiddenWindow {
 public:
  explicit TestWindow(LResult createResult = 0, bool handleClose = false)
      : createResult_(createResult), handleClose_(handleClose) {}
  std::vector<unsigned int> seen;
  std::vector<WindowHandle> finalMessages;
  bool handleDuringCreate = false;

 protected:
  bool ProcessWindowMessage(WindowHandle window, unsigned int message, WParam, LParam, LResult& result) override {
    seen.push_back(message);
    if (message == WM_CREATE) {
      handleDuringCreate = Handle() == window && IsWindow(window);
      result = createResult_;
      return true;
    }
    if (message == WM_CLOSE) return handleClose_;
    return false;
  }
  void OnFinalMessage(WindowHandle window) override { finalMessages.push_back(window); }

 private:
  LResult createResult_;
  bool handleClose_;
};

// Tests share the thread's queue when run in one process; each leaves it empty.
class HiddenWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::Message message;
    while (platform::PeekMessage(message, platform::WindowHandle(), 0, 0, platform::PM_REMOVE)) {
    }
  }
};

TEST_F(HiddenWindowTest, CreateHandlesCreationBeforeItReturns) {
  TestWindow window;
  const WindowHandle handle = window.Create();
  ASSERT_TRUE(handle);
  EXPECT_EQ(window.seen, std::vector<unsigned int>{WM_CREATE});
  EXPECT_TRUE(window.handleDuringCreate);
  EXPECT_FALSE(window.Create()) << "one window per object";
}

TEST_F(HiddenWindowTest, ACreateResultOfMinusOneDestroysTheWindowAgain) {
  TestWindow window(-1);
  EXPECT_FALSE(window.Create());
  EXPECT_FALSE(window.Handle());
  EXPECT_EQ(window.seen, (std::vector<unsigned int>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(window.finalMessages.size(), 1u);
}

TEST_F(HiddenWindowTest, AnUnhandledCloseDestroysTheWindowAndAHandledOneDoesNot) {
  TestWindow closing;
  const WindowHandle handle = closing.Create();
  closing.SendMessage(WM_CLOSE);
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_FALSE(closing.Handle());
  EXPECT_EQ(closing.seen, (std::vector<unsigned int>{WM_CREATE, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(closing.finalMessages, std::vector<WindowHandle>{handle});

  TestWindow keeping(0, true);
  keeping.Create();
  keeping.SendMessage(WM_CLOSE);
  EXPECT_TRUE(IsWindow(keeping.Handle()));
}

TEST_F(HiddenWindowTest, DetachLeavesTheWindowAndTheObjectsEndRemovesIt) {
  WindowHandle handle;
  {
    TestWindow window;
    window.Create();
    window.SetTimer(1, 10);
    handle = window.Detach();
    EXPECT_FALSE(window.Handle());
    EXPECT_FALSE(window.PostMessage(WM_APP)) << "a detached object has no window to post to";
    EXPECT_TRUE(PostMessage(handle, WM_APP));
    Message message;
    ASSERT_EQ(GetMessage(message), 1);
    DispatchMessage(message);
    EXPECT_EQ(window.seen.back(), WM_APP);
  }
  // The object is gone: its window with it, and nothing can reach the object any more.
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_FALSE(PostMessage(handle, WM_APP));
  Message message;
  EXPECT_FALSE(PeekMessage(message, WindowHandle(), WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(HiddenWindowTest, MessagesLeftForAGoneWindowAreFetchedButGoNowhere) {
  WindowHandle handle;
  {
    TestWindow window;
    handle = window.Create();
    window.PostMessage(WM_APP);
    window.PostMessage(WM_QUIT);
  }
  Message message;
  ASSERT_EQ(GetMessage(message), 1);
  EXPECT_EQ(DispatchMessage(message), 0);
  EXPECT_EQ(GetMessage(message), 0) << "a quit posted before the window went still ends the loop";
}

}  // namespace
