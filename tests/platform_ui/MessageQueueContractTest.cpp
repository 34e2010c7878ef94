// What both message queues promise, run against each: the service's queue with its
// hidden windows (platform/service) and the UI thread's windows (platform/ui, off
// screen). The windows belong to this thread, the owner, whose loop runs here. Timers
// are the service queue's alone (the UI layer has none); they are tested with it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

#include "platform/core/Process.h"
#include "platform/service/HiddenWindow.h"
#include "platform/service/MessageQueue.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"
#include "tests/platform_ui/UiTestSupport.h"

namespace {

using platform::LParam;
using platform::LResult;
using platform::WParam;

using Procedure = std::function<LResult(unsigned int message, WParam wParam, LParam lParam)>;

// One backend as the contract sees it; window handles travel as their values.
class MessageQueue {
 public:
  virtual ~MessageQueue() = default;
  // A window of the calling thread. The procedure sees every message; its result
  // counts for messages from WM_APP on, the others get the backend's default handling.
  virtual std::uint64_t Create(Procedure procedure) = 0;
  virtual bool Post(std::uint64_t window, unsigned int message, WParam wParam = 0, LParam lParam = 0) = 0;
  virtual LResult Send(std::uint64_t window, unsigned int message, WParam wParam = 0, LParam lParam = 0) = 0;
  virtual bool Destroy(std::uint64_t window) = 0;
  virtual bool IsWindow(std::uint64_t window) = 0;
  // Ends the calling thread's loop with the code once the messages posted before it
  // are served.
  virtual void PostQuit(int code) = 0;
  // Serves the calling thread's messages until the loop ends; the quit code.
  virtual int Run() = 0;
};

// A window of either kind whose messages go to a procedure.
template <class Base, class Handle>
class ProcedureWindow : public Base {
 public:
  explicit ProcedureWindow(Procedure procedure) : procedure_(std::move(procedure)) {}

 protected:
  bool ProcessWindowMessage(Handle, unsigned int message, WParam wParam, LParam lParam, LResult& result) override {
    const LResult answer = procedure_(message, wParam, lParam);
    if (message < platform::WM_APP) return false;
    result = answer;
    return true;
  }

 private:
  Procedure procedure_;
};

class ServiceQueue : public MessageQueue {
 public:
  ~ServiceQueue() override {
    windows_.clear();
    platform::Message message;
    while (platform::PeekMessage(message, platform::WindowHandle(), 0, 0, platform::PM_REMOVE)) {
    }
  }
  std::uint64_t Create(Procedure procedure) override {
    windows_.push_back(std::make_unique<Window>(std::move(procedure)));
    return windows_.back()->Create().Value();
  }
  bool Post(std::uint64_t window, unsigned int message, WParam wParam, LParam lParam) override {
    return platform::PostMessage(platform::WindowHandle(window), message, wParam, lParam);
  }
  LResult Send(std::uint64_t window, unsigned int message, WParam wParam, LParam lParam) override {
    return platform::SendMessage(platform::WindowHandle(window), message, wParam, lParam);
  }
  bool Destroy(std::uint64_t window) override { return platform::DestroyWindow(platform::WindowHandle(window)); }
  bool IsWindow(std::uint64_t window) override { return platform::IsWindow(platform::WindowHandle(window)); }
  void PostQuit(int code) override { platform::PostQuitMessage(code); }
  int Run() override {
    platform::Message message;
    while (platform::GetMessage(message) > 0) platform::DispatchMessage(message);
    return static_cast<int>(message.wParam);
  }

 private:
  using Window = ProcedureWindow<platform::HiddenWindow, platform::WindowHandle>;
  std::vector<std::unique_ptr<Window>> windows_;
};

class UiQueue : public MessageQueue {
 public:
  ~UiQueue() override {
    windows_.clear();
    platform::ProcessPendingMessages();
  }
  std::uint64_t Create(Procedure procedure) override {
    windows_.push_back(std::make_unique<Window>(std::move(procedure)));
    if (!windows_.back()->Create(ui_test::TestModule(), ui_test::kDialogId)) return 0;
    return windows_.back()->Handle().Value();
  }
  bool Post(std::uint64_t window, unsigned int message, WParam wParam, LParam lParam) override {
    return platform::PostMessage(platform::UiWindow(window), message, wParam, lParam);
  }
  LResult Send(std::uint64_t window, unsigned int message, WParam wParam, LParam lParam) override {
    return platform::SendMessage(platform::UiWindow(window), message, wParam, lParam);
  }
  bool Destroy(std::uint64_t window) override { return platform::DestroyWindow(platform::UiWindow(window)); }
  bool IsWindow(std::uint64_t window) override { return platform::IsWindow(platform::UiWindow(window)); }
  void PostQuit(int code) override { platform::MessageLoop::PostQuit(code); }
  int Run() override {
    platform::MessageLoop loop;
    return loop.Run();
  }

 private:
  using Window = ProcedureWindow<platform::Dialog, platform::UiWindow>;
  std::vector<std::unique_ptr<Window>> windows_;
};

struct Backend {
  const char* name;
  std::unique_ptr<MessageQueue> (*make)();
};

void PrintTo(const Backend& backend, std::ostream* out) { *out << backend.name; }

const Backend kBackends[] = {
    {"Service", [] { return std::unique_ptr<MessageQueue>(new ServiceQueue); }},
    {"Ui", [] { return std::unique_ptr<MessageQueue>(new UiQueue); }},
};

constexpr unsigned int kFirst = platform::WM_APP + 1;
constexpr unsigned int kSecond = platform::WM_APP + 2;
constexpr unsigned int kThird = platform::WM_APP + 3;

struct Received {
  unsigned int message;
  WParam wParam;
  long threadId;
  friend bool operator==(const Received& a, const Received& b) {
    return a.message == b.message && a.wParam == b.wParam && a.threadId == b.threadId;
  }
};

class MessageQueueContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override { queue = GetParam().make(); }

  // A window that records the messages of the application's range and WM_DESTROY, with
  // the thread they ran on, and answers with answer (0 without one).
  std::uint64_t RecordingWindow(Procedure answer = nullptr) {
    const std::uint64_t window = queue->Create([this, answer](unsigned int message, WParam wParam, LParam lParam) {
      if (message >= platform::WM_APP || message == platform::WM_DESTROY) {
        received.push_back(Received{message, wParam, platform::CurrentThreadId()});
      }
      return answer ? answer(message, wParam, lParam) : LResult(0);
    });
    EXPECT_NE(window, 0u);
    return window;
  }
  std::vector<unsigned int> Messages() const {
    std::vector<unsigned int> messages;
    for (const Received& entry : received) messages.push_back(entry.message);
    return messages;
  }

  // Before the queue, whose windows may still get messages as it goes.
  std::vector<Received> received;
  std::unique_ptr<MessageQueue> queue;
  const long owner = platform::CurrentThreadId();
};

TEST_P(MessageQueueContract, PostedMessagesComeInOrderAndTheQuitEndsTheLoopWithItsCode) {
  const std::uint64_t window = RecordingWindow();
  ASSERT_TRUE(queue->Post(window, kFirst, 1));
  ASSERT_TRUE(queue->Post(window, kSecond, 2));
  ASSERT_TRUE(queue->Post(window, kThird, 3));
  queue->PostQuit(7);
  EXPECT_EQ(queue->Run(), 7);
  EXPECT_EQ(received, (std::vector<Received>{{kFirst, 1, owner}, {kSecond, 2, owner}, {kThird, 3, owner}}));
}

TEST_P(MessageQueueContract, AQuitPostedToAWindowEndsTheLoopWithItsWParam) {
  const std::uint64_t window = RecordingWindow();
  ASSERT_TRUE(queue->Post(window, kFirst));
  ASSERT_TRUE(queue->Post(window, platform::WM_QUIT, 5));
  EXPECT_EQ(queue->Run(), 5);
  EXPECT_EQ(Messages(), std::vector<unsigned int>{kFirst});
}

TEST_P(MessageQueueContract, ASendOnTheOwnersThreadRunsAtOnceAheadOfWhatWasPosted) {
  const std::uint64_t window = RecordingWindow([](unsigned int, WParam wParam, LParam lParam) {
    return static_cast<LResult>(wParam) + lParam;
  });
  ASSERT_TRUE(queue->Post(window, kFirst));
  EXPECT_EQ(queue->Send(window, kSecond, 40, 2), 42);
  EXPECT_EQ(Messages(), std::vector<unsigned int>{kSecond});
  queue->PostQuit(0);
  queue->Run();
  EXPECT_EQ(Messages(), (std::vector<unsigned int>{kSecond, kFirst}));
}

TEST_P(MessageQueueContract, PostsFromAnotherThreadAreServedOnTheOwnersThread) {
  const std::uint64_t window = RecordingWindow([this](unsigned int message, WParam, LParam) {
    if (message == kSecond) queue->PostQuit(3);
    return LResult(0);
  });
  bool posted = false;
  long poster = 0;
  std::thread worker([&] {
    poster = platform::CurrentThreadId();
    posted = queue->Post(window, kFirst, 11) && queue->Post(window, kSecond, 12);
  });
  EXPECT_EQ(queue->Run(), 3);
  worker.join();
  EXPECT_TRUE(posted);
  EXPECT_NE(poster, owner);
  EXPECT_EQ(received, (std::vector<Received>{{kFirst, 11, owner}, {kSecond, 12, owner}}));
}

TEST_P(MessageQueueContract, ASendFromAnotherThreadRunsOnTheOwnersThreadAndReturnsItsResult) {
  const std::uint64_t window = RecordingWindow([this](unsigned int message, WParam wParam, LParam) {
    if (message == kSecond) queue->PostQuit(0);
    return static_cast<LResult>(wParam * 2);
  });
  LResult answer = 0;
  std::thread worker([&] {
    answer = queue->Send(window, kFirst, 21);
    queue->Post(window, kSecond);
  });
  queue->Run();
  worker.join();
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(received, (std::vector<Received>{{kFirst, 21, owner}, {kSecond, 0, owner}}));
}

TEST_P(MessageQueueContract, ADestroyedWindowsHandleIsRefusedAndWhatWasPostedToItGoesNowhere) {
  const std::uint64_t window = RecordingWindow([](unsigned int, WParam, LParam) { return LResult(5); });
  ASSERT_TRUE(queue->Post(window, kFirst));
  ASSERT_TRUE(queue->Destroy(window));
  EXPECT_EQ(Messages(), std::vector<unsigned int>{platform::WM_DESTROY});
  EXPECT_FALSE(queue->IsWindow(window));
  EXPECT_FALSE(queue->Post(window, kSecond));
  EXPECT_EQ(queue->Send(window, kSecond), 0);
  EXPECT_FALSE(queue->Destroy(window));
  LResult fromAnotherThread = -1;
  std::thread([&] { fromAnotherThread = queue->Send(window, kSecond); }).join();
  EXPECT_EQ(fromAnotherThread, 0);
  queue->PostQuit(0);
  queue->Run();
  EXPECT_EQ(Messages(), std::vector<unsigned int>{platform::WM_DESTROY});
}

INSTANTIATE_TEST_SUITE_P(Backends, MessageQueueContract, ::testing::ValuesIn(kBackends),
                         [](const ::testing::TestParamInfo<Backend>& info) { return std::string(info.param.name); });

}  // namespace
