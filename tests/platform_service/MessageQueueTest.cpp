// The service queue's own promises; what it shares with the UI windows is the contract
// of tests/platform_ui/MessageQueueContractTest.cpp.
#include "platform/service/MessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/core/Process.h"

namespace {

using namespace platform;

// A window of the calling thread that records what its procedure gets.
struct RecordingWindow {
  struct Call {
    unsigned int message;
    WParam wParam;
    long threadId;
  };
  RecordingWindow() {
    handle = CreateMessageWindow([this](WindowHandle, unsigned int message, WParam wParam, LParam lParam) {
      calls.push_back(Call{message, wParam, CurrentThreadId()});
      return static_cast<LResult>(wParam) + lParam;
    });
  }
  ~RecordingWindow() { DiscardWindow(handle); }
  std::vector<unsigned int> Messages() const {
    std::vector<unsigned int> messages;
    for (const auto& call : calls) messages.push_back(call.message);
    return messages;
  }
  WindowHandle handle;
  std::vector<Call> calls;
};

// Fetches and dispatches until nothing is waiting; returns the fetched messages.
std::vector<Message> PumpWaiting() {
  std::vector<Message> fetched;
  Message message;
  while (PeekMessage(message, WindowHandle(), 0, 0, PM_REMOVE)) {
    fetched.push_back(message);
    DispatchMessage(message);
  }
  return fetched;
}

constexpr unsigned int kFirst = WM_APP + 1;
constexpr unsigned int kSecond = WM_APP + 2;
constexpr unsigned int kThird = WM_USER + 7;

// Tests share the thread's queue when run in one process; each leaves it empty.
class MessageQueueTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::Message message;
    while (platform::PeekMessage(message, platform::WindowHandle(), 0, 0, platform::PM_REMOVE)) {
    }
  }
};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndTheQuitRequestAfterThem) {
  RecordingWindow window;
  ASSERT_TRUE(PostMessage(window.handle, kFirst, 1, 0));
  ASSERT_TRUE(PostMessage(window.handle, kSecond, 2, 0));
  PostQuitMessage(7);
  ASSERT_TRUE(PostMessage(window.handle, kThird, 3, 0));

  std::vector<unsigned int> fetched;
  Message message;
  int result;
  while ((result = GetMessage(message)) > 0) {
    fetched.push_back(message.message);
    DispatchMessage(message);
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_EQ(fetched, (std::vector<unsigned int>{kFirst, kSecond, kThird}));
  EXPECT_EQ(window.Messages(), fetched);
}

TEST_F(MessageQueueTest, APostedQuitMessageEndsTheLoopLikeAQuitRequest) {
  RecordingWindow window;
  PostMessage(window.handle, kFirst);
  PostMessage(window.handle, WM_QUIT);
  Message message;
  EXPECT_EQ(GetMessage(message), 1);
  EXPECT_EQ(GetMessage(message), 0);
  EXPECT_EQ(message.window, window.handle);
}

TEST_F(MessageQueueTest, FiltersPeekWithoutRemovingAndRejectForeignFilterWindows) {
  RecordingWindow first, second;
  PostMessage(first.handle, kFirst);
  PostMessage(second.handle, kSecond);
  PostMessage(WindowHandle(), kThird);  // to the thread itself

  Message message;
  ASSERT_TRUE(PeekMessage(message, second.handle, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, kSecond);
  ASSERT_TRUE(PeekMessage(message, WindowHandle(), kThird, kThird, PM_REMOVE));
  EXPECT_FALSE(message.window);
  EXPECT_FALSE(PeekMessage(message, WindowHandle(), kThird, kThird, PM_REMOVE));
  EXPECT_EQ(GetMessage(message, second.handle), 1);
  EXPECT_EQ(message.message, kSecond);
  EXPECT_EQ(GetMessage(message), 1);
  EXPECT_EQ(message.message, kFirst);

  EXPECT_EQ(GetMessage(message, WindowHandle(0xDEADBEEF)), -1);
  WindowHandle foreign;
  std::thread([&] { foreign = CreateMessageWindow([](WindowHandle, unsigned int, WParam, LParam) { return 0; }); })
      .join();
  EXPECT_EQ(GetMessage(message, foreign), -1) << "a window of another thread is no filter for this queue";
}

TEST_F(MessageQueueTest, TwoThreadsSendingToEachOtherDoNotWaitForEver) {
  RecordingWindow mine;
  std::atomic<WindowHandle> theirs{WindowHandle()};
  std::atomic<bool> done{false};
  std::thread other([&] {
    const WindowHandle window =
        CreateMessageWindow([&](WindowHandle, unsigned int, WParam wParam, LParam) {
          // Handling our send, it sends back to us while we wait.
          return SendMessage(mine.handle, kSecond, wParam + 1) + 1;
        });
    theirs = window;
    Message message;
    while (!done) {
      if (PeekMessage(message, WindowHandle(), 0, 0, PM_REMOVE)) DispatchMessage(message);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    DiscardWindow(window);
  });
  while (!theirs.load()) std::this_thread::yield();
  EXPECT_EQ(SendMessage(theirs.load(), kFirst, 10), 12);
  ASSERT_EQ(mine.calls.size(), 1u);
  EXPECT_EQ(mine.calls[0].message, kSecond);
  EXPECT_EQ(mine.calls[0].threadId, CurrentThreadId());
  done = true;
  other.join();
}

TEST_F(MessageQueueTest, ASendToAThreadThatEndsWithoutServingItGivesZero) {
  std::atomic<WindowHandle> target{WindowHandle()};
  std::atomic<bool> release{false};
  std::thread owner([&] {
    target = CreateMessageWindow([](WindowHandle, unsigned int, WParam, LParam) { return LResult(99); });
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (!target.load()) std::this_thread::yield();
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    release = true;
  });
  EXPECT_EQ(SendMessage(target.load(), kFirst), 0);
  owner.join();
  releaser.join();
  EXPECT_FALSE(IsWindow(target.load())) << "a thread's windows end with it";
  EXPECT_FALSE(PostMessage(target.load(), kFirst));
}

TEST_F(MessageQueueTest, ThreadMessagesNeedAQueue) {
  Message message;
  EXPECT_FALSE(PeekMessage(message, WindowHandle(), 0, 0, PM_REMOVE));  // gives this thread its queue
  EXPECT_TRUE(PostThreadMessage(CurrentThreadId(), kThird, 4));
  ASSERT_TRUE(PeekMessage(message, WindowHandle(), 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, kThird);
  EXPECT_FALSE(message.window);
  EXPECT_EQ(DispatchMessage(message), 0);

  long endedThread = 0;
  std::thread([&] {
    endedThread = CurrentThreadId();
    PostMessage(WindowHandle(), kFirst);  // gives the thread a queue
  }).join();
  EXPECT_FALSE(PostThreadMessage(endedThread, kFirst));
}

TEST_F(MessageQueueTest, DestroyWindowSendsDestroyThenFinalMessage) {
  RecordingWindow window;
  EXPECT_TRUE(DestroyWindow(window.handle));
  EXPECT_EQ(window.Messages(), (std::vector<unsigned int>{WM_DESTROY, WM_NCDESTROY}));
}

// The timer ids due after each step of a clock that moves only when told.
class TimerTest : public MessageQueueTest {
 protected:
  std::vector<WParam> StepAndFetch(int milliseconds) {
    EXPECT_TRUE(clock.Advance(std::chrono::milliseconds(milliseconds)));
    std::vector<WParam> ids;
    for (const Message& message : PumpWaiting()) {
      EXPECT_EQ(message.message, static_cast<unsigned int>(WM_TIMER));
      ids.push_back(message.wParam);
    }
    return ids;
  }
  ManualTimerClock clock;
};
using Ids = std::vector<WParam>;

TEST_F(TimerTest, TimersDeliverTheirIdsOnTheirPeriodsAndStopWhenKilled) {
  RecordingWindow window;
  ASSERT_NE(SetTimer(window.handle, 1000, 10), 0u);
  ASSERT_NE(SetTimer(window.handle, 1100, 30), 0u);
  EXPECT_EQ(StepAndFetch(9), Ids{});
  EXPECT_EQ(StepAndFetch(1), Ids{1000});
  EXPECT_EQ(StepAndFetch(10), Ids{1000});
  EXPECT_EQ(StepAndFetch(10), (Ids{1000, 1100}));
  EXPECT_TRUE(KillTimer(window.handle, 1000));
  EXPECT_FALSE(KillTimer(window.handle, 1000));
  EXPECT_EQ(StepAndFetch(29), Ids{});
  EXPECT_EQ(StepAndFetch(1), Ids{1100});
}

TEST_F(TimerTest, ASlowLoopSeesOneTimerMessageAfterThePostedOnes) {
  RecordingWindow window;
  SetTimer(window.handle, 7, 10);
  ASSERT_TRUE(clock.Advance(std::chrono::milliseconds(200)));  // twenty periods missed
  PostMessage(window.handle, kFirst);
  const std::vector<Message> fetched = PumpWaiting();
  ASSERT_EQ(fetched.size(), 2u);
  EXPECT_EQ(fetched[0].message, kFirst);
  EXPECT_EQ(fetched[1].message, static_cast<unsigned int>(WM_TIMER));
  EXPECT_EQ(fetched[1].wParam, 7u);
  // The next period counts from the fetch.
  EXPECT_EQ(StepAndFetch(9), Ids{});
  EXPECT_EQ(StepAndFetch(1), Ids{7});
}

TEST_F(TimerTest, SettingATimerAgainRestartsItsPeriod) {
  RecordingWindow window;
  SetTimer(window.handle, 3, 600000);
  SetTimer(window.handle, 3, 10);
  EXPECT_EQ(StepAndFetch(10), Ids{3});
  EXPECT_EQ(StepAndFetch(5), Ids{});
  SetTimer(window.handle, 3, 10);
  EXPECT_EQ(StepAndFetch(5), Ids{});
  EXPECT_EQ(StepAndFetch(5), Ids{3});
}

TEST_F(TimerTest, PeriodsBelowTenAreTenAndNoneIsLongerThanTheLargest) {
  struct Case {
    unsigned int elapseMs;
    int firesAfterMs;
  };
  const Case cases[] = {{0, 10}, {1, 10}, {9, 10}, {10, 10}, {11, 11},
                        {0x7FFFFFFF, 0x7FFFFFFF}, {0x80000000u, 0x7FFFFFFF}, {0xFFFFFFFFu, 0x7FFFFFFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.elapseMs);
    RecordingWindow window;
    SetTimer(window.handle, 1, c.elapseMs);
    EXPECT_EQ(StepAndFetch(c.firesAfterMs - 1), Ids{});
    EXPECT_EQ(StepAndFetch(1), Ids{1});
  }
}

// Advance returns once a looping thread has served its due timers and what their
// handlers posted.
TEST_F(TimerTest, AdvanceWaitsForOtherThreadsToServeTheirTimers) {
  std::atomic<int> ticks{0};
  std::atomic<int> followUps{0};
  std::atomic<long> loopThread{0};
  std::thread loop([&] {
    WindowHandle window = CreateMessageWindow([&](WindowHandle self, unsigned int message, WParam, LParam) {
      if (message == WM_TIMER) {
        ++ticks;
        PostMessage(self, kFirst);
      } else if (message == kFirst) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++followUps;
      }
      return LResult(0);
    });
    SetTimer(window, 1, 1000);
    loopThread = CurrentThreadId();
    Message message;
    while (GetMessage(message) > 0) DispatchMessage(message);
    DestroyWindow(window);
  });
  while (loopThread == 0) std::this_thread::yield();
  ASSERT_TRUE(clock.Settle());
  ASSERT_TRUE(clock.Advance(std::chrono::milliseconds(999)));
  EXPECT_EQ(ticks, 0);
  ASSERT_TRUE(clock.Advance(std::chrono::milliseconds(1)));
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(followUps, 1);
  ASSERT_TRUE(clock.Advance(std::chrono::milliseconds(5000)));
  EXPECT_EQ(ticks, 2) << "one message for five missed periods";
  EXPECT_EQ(followUps, 2);
  PostThreadMessage(loopThread, WM_QUIT);
  loop.join();
}

// The steady clock, as programs run.
TEST_F(MessageQueueTest, RealTimersWakeAWaitingLoop) {
  RecordingWindow window;
  SetTimer(window.handle, 3, 600000);
  SetTimer(window.handle, 3, 10);
  Message message;
  ASSERT_EQ(GetMessage(message), 1);  // would wait ten minutes with two timers
  EXPECT_EQ(message.message, WM_TIMER);
  EXPECT_EQ(message.wParam, 3u);
}

TEST_F(MessageQueueTest, TimersNeedAWindowOfThisThreadAndEndWithIt) {
  WindowHandle foreign;
  std::thread([&] { foreign = CreateMessageWindow([](WindowHandle, unsigned int, WParam, LParam) { return 0; }); })
      .join();
  EXPECT_EQ(SetTimer(foreign, 1, 10), 0u);
  EXPECT_EQ(SetTimer(WindowHandle(), 1, 10), 0u);

  ManualTimerClock clock;
  WindowHandle window = CreateMessageWindow([](WindowHandle, unsigned int, WParam, LParam) { return 0; });
  SetTimer(window, 1, 10);
  DestroyWindow(window);
  ASSERT_TRUE(clock.Advance(std::chrono::milliseconds(10)));
  Message message;
  EXPECT_FALSE(PeekMessage(message, WindowHandle(), 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, RegisteredNamesGetOneNumberEach) {
  const unsigned int taskbar = RegisterWindowMessage(L"TaskbarCreated");
  EXPECT_GE(taskbar, kFirstRegisteredMessage);
  EXPECT_LE(taskbar, kLastRegisteredMessage);
  EXPECT_EQ(RegisterWindowMessage(L"taskbarcreated"), taskbar);
  unsigned int fromOtherThread = 0;
  std::thread([&] { fromOtherThread = RegisterWindowMessage(L"TASKBARCREATED"); }).join();
  EXPECT_EQ(fromOtherThread, taskbar);
  EXPECT_NE(RegisterWindowMessage(L"SomethingElse"), taskbar);
  EXPECT_EQ(RegisterWindowMessage(L""), 0u);
}

}  // namespace
