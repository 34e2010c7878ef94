// The service host inside this test process: the real dispatcher and Run thread, a plain
// socket in the manager's place, and SIGTERM as the stop.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "collector/ServiceContext.h"
#include "collector/ServiceMain.h"
#include "collector/RunThread.h"
#include "collector/ServiceMutex.h"
#include "collector/Win32Error.h"
#include "platform/service/NamedMutex.h"
#include "tests/DebugOutputCapture.h"
#include "tests/TestSandbox.h"
#include "tests/collector_service/OwnNetwork.h"
#include "tests/platform_service/NotifyListener.h"

namespace {

using namespace Velunor::Quillon;
using Datagrams = std::vector<std::string>;

const std::string kStarting = "STATUS=Starting\nEXTEND_TIMEOUT_USEC=30000000";
const std::string kRunning = "READY=1\nSTATUS=Running";
const std::string kStopping = "STOPPING=1\nSTATUS=Stopping\nEXTEND_TIMEOUT_USEC=30000000";

std::function<void()> g_serviceBody;
void TestServiceMain(std::uint32_t, wchar_t**) { g_serviceBody(); }

class ServiceHostTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(listener.IsOpen()); }

  corvane_test::Sandbox sandbox;
  corvane_test::NotifyListener listener{(sandbox.Root() / "notify").string()};
  corvane_test::ScopedEnv notifySocket{"NOTIFY_SOCKET", listener.Path()};
};

TEST_F(ServiceHostTest, ServiceMainRunsFromReadyToAStopWithExitZeroAndHoldsTheMutexMeanwhile) {
  collector_test::OwnNetwork network;
  if (!network.Problem().empty()) GTEST_SKIP() << network.Problem();
  // The Run thread's log lines (LogLevel 4 beside this program) tell when its window is up.
  corvane_test::DebugOutputCapture capture;
  auto windowUp = [&capture] {
    const std::vector<std::wstring> messages = capture.Messages();
    return std::find(messages.begin(), messages.end(), L"XML出力タイマ設定") != messages.end();
  };
  bool mutexExistedWhileRunning = false;
  std::string readyDatagrams;
  // The stopping side plays the manager: it waits for READY=1, looks at the mutex and
  // sends SIGTERM. It blocks SIGTERM itself, as every thread of a service does.
  std::thread manager([&] {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::string datagram;
    while (listener.Receive(datagram, 30000)) {
      readyDatagrams += datagram + "|";
      if (datagram == kRunning) break;
    }
    // The service reports running before it takes the mutex, so give it a moment.
    for (int attempt = 0; attempt < 500 && !mutexExistedWhileRunning; ++attempt) {
      auto probe = platform::NamedMutex::Create(kServiceMutexName, false);
      mutexExistedWhileRunning = probe && probe->AlreadyExisted();
      if (!mutexExistedWhileRunning) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // A stop that comes before the window exists leaves the Run thread to the process's end.
    for (int attempt = 0; attempt < 1000 && !windowUp(); ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(getpid(), SIGTERM);
  });
  EXPECT_EQ(wWinMain(), 0);
  manager.join();
  EXPECT_EQ(platform::ServiceProcessExitStatus(), 0);
  EXPECT_EQ(readyDatagrams, kStarting + "|" + kRunning + "|");
  EXPECT_EQ(listener.Drain(), (Datagrams{kStopping, "STATUS=Stopped"}));
  EXPECT_TRUE(mutexExistedWhileRunning);
  EXPECT_FALSE(platform::NamedMutex::Create(kServiceMutexName, false)->AlreadyExisted())
      << "released and closed at stop";
  EXPECT_TRUE(windowUp());
  EXPECT_FALSE(s_runThread) << "the Run thread was stopped and joined";
}

TEST_F(ServiceHostTest, WithoutAServiceManagerTheEntryGivesOne) {
  unsetenv("NOTIFY_SOCKET");
  EXPECT_EQ(wWinMain(), 1);
}

TEST_F(ServiceHostTest, ControlsAnswerZeroAndOnlyInterrogateAndSessionChangeReportAgain) {
  g_serviceBody = [&] {
    ServiceContext context;
    context.Initialize();
    context.SetStatus(platform::kServiceStartPending, 30000, 1);
    context.SetStatus(platform::kServiceRunning, 0, 0);
    EXPECT_EQ(listener.Drain(), (Datagrams{kStarting, kRunning}));

    struct Case {
      std::uint32_t control;
      std::uint32_t eventType;
      bool reportsAgain;
    } cases[] = {
        {platform::kServiceControlInterrogate, 0, true},
        {platform::kServiceControlSessionChange, 1, true},  // console connect
        {platform::kServiceControlSessionChange, 5, true},  // logon
        {platform::kServiceControlSessionChange, 7, true},  // lock
        {platform::kServiceControlShutdown, 0, false},
        {platform::kServiceControlPause, 0, false},
        {platform::kServiceControlContinue, 0, false},
        {200, 0, false},
    };
    for (const auto& test : cases) {
      SCOPED_TRACE(test.control);
      int eventData = 0;
      EXPECT_EQ(HandlerEx(test.control, test.eventType, &eventData, &context), 0u);
      EXPECT_EQ(listener.Drain(), test.reportsAgain ? Datagrams{kRunning} : Datagrams{});
    }

    EXPECT_EQ(HandlerEx(platform::kServiceControlStop, 0, nullptr, &context), 0u);
    EXPECT_EQ(listener.Drain(), Datagrams{kStopping});
    EXPECT_TRUE(context.StopEvent()->IsSet());

    EXPECT_TRUE(context.SendErrorStatus(5, 0));
    EXPECT_EQ(listener.Drain(), Datagrams{"STATUS=Stopped with exit code 5\nERRNO=5"});
    const platform::ServiceStatus& status = context.Status();
    EXPECT_EQ(status.serviceType, 0x10u);
    EXPECT_EQ(status.controlsAccepted, 0x81u);
    EXPECT_EQ(status.currentState, platform::kServiceStopped);
    EXPECT_EQ(status.win32ExitCode, 5u);
    EXPECT_EQ(status.serviceSpecificExitCode, 0u);
    EXPECT_EQ(status.waitHint, 0u);
    EXPECT_EQ(status.checkPoint, 0u);
  };
  const platform::ServiceTableEntry table[] = {{kServiceName, TestServiceMain}, {nullptr, nullptr}};
  ASSERT_TRUE(platform::RunServiceDispatcher(table));
  EXPECT_EQ(platform::ServiceProcessExitStatus(), 5) << "the error stop's code is the exit status";
}

TEST_F(ServiceHostTest, OutsideTheDispatcherRegistrationFailsWithAWin32Error) {
  ServiceContext context;
  try {
    context.Initialize();
    FAIL() << "no Win32Error";
  } catch (const Win32Error& error) {
    EXPECT_STREQ(error.m_context, L"In ServiceContext::Initialize, RegisterServiceCtrlHandlerEx");
    EXPECT_NE(error.m_code, 0u);
  }
  EXPECT_FALSE(context.SetStatus(platform::kServiceRunning, 0, 0));
  EXPECT_FALSE(context.SendErrorStatus(1, 0));
}

TEST_F(ServiceHostTest, TheServiceMutexIsOwnedWhileHeldAndFreeAfterRelease) {
  {
    CServiceMutex mutex;
    mutex.Acquire();
    auto probe = platform::NamedMutex::Create(kServiceMutexName, true);
    EXPECT_TRUE(probe->AlreadyExisted());
    EXPECT_FALSE(probe->IsOwned());
    probe.reset();
    mutex.Release();
    mutex.Release();  // twice is harmless
    EXPECT_FALSE(platform::NamedMutex::Create(kServiceMutexName, false)->AlreadyExisted());
    mutex.Acquire();
  }
  EXPECT_FALSE(platform::NamedMutex::Create(kServiceMutexName, false)->AlreadyExisted())
      << "the destructor releases a mutex still held";
}

}  // namespace
