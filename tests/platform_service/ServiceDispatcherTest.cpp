#include "platform/service/ServiceDispatcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Process.h"
#include "platform/service/ManualResetEvent.h"
#include "tests/TestSandbox.h"
#include "tests/platform_service/NotifyListener.h"
#include "tests/platform_service/ServiceStatusOf.h"

namespace {

using namespace platform;
using Datagrams = std::vector<std::string>;

// What the service's main function does in a test, and what its handler saw.
std::function<void()> g_serviceBody;
std::atomic<int> g_stopControls{0};
std::atomic<long> g_handlerThread{0};
ManualResetEvent* g_stopSeen = nullptr;

void TestServiceMain(std::uint32_t argumentCount, wchar_t** arguments) {
  EXPECT_EQ(argumentCount, 1u);
  EXPECT_STREQ(arguments[0], L"Test Service");
  g_serviceBody();
}

std::uint32_t TestHandler(std::uint32_t control, std::uint32_t, void*, void*) {
  g_handlerThread = CurrentThreadId();
  if (control == kServiceControlStop) {
    ++g_stopControls;
    g_stopSeen->Set();
  }
  return 0;
}

const ServiceTableEntry kTable[] = {{L"Test Service", TestServiceMain}, {nullptr, nullptr}};

using corvane_test::StatusOf;

class ServiceDispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(listener.IsOpen());
    g_stopControls = 0;
    g_handlerThread = 0;
    g_stopSeen = &stopSeen;
  }
  void TearDown() override { g_serviceBody = nullptr; }

  corvane_test::TempFolder folder;
  corvane_test::NotifyListener listener{folder.str() + "/notify"};
  corvane_test::ScopedEnv notifySocket{"NOTIFY_SOCKET", listener.Path()};
  ManualResetEvent stopSeen;
};

TEST_F(ServiceDispatcherTest, WithoutAReachableManagerNothingRuns) {
  bool ran = false;
  g_serviceBody = [&] { ran = true; };
  const std::string missing = folder.str() + "/nobody-listens";
  for (const char* address : {"", "relative/path", "@", missing.c_str()}) {
    SCOPED_TRACE(address);
    corvane_test::ScopedEnv variable("NOTIFY_SOCKET", address);
    EXPECT_FALSE(RunServiceDispatcher(kTable));
  }
  unsetenv("NOTIFY_SOCKET");
  EXPECT_FALSE(RunServiceDispatcher(kTable));
  EXPECT_FALSE(ran);
  EXPECT_EQ(RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr), nullptr);
  EXPECT_FALSE(ReportServiceStatus(nullptr, StatusOf(kServiceRunning)));
}

TEST_F(ServiceDispatcherTest, ALifeFromStartToStopInDatagrams) {
  g_serviceBody = [&] {
    ServiceStatusHandle handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(ReportServiceStatus(handle, StatusOf(kServiceStartPending, 30000)));
    EXPECT_TRUE(ReportServiceStatus(handle, StatusOf(kServiceRunning)));
    kill(getpid(), SIGTERM);
    ASSERT_EQ(stopSeen.Wait(30000), kWaitObject0);
    EXPECT_TRUE(ReportServiceStatus(handle, StatusOf(kServiceStopPending, 30000)));
    EXPECT_TRUE(ReportServiceStatus(handle, StatusOf(kServiceStopped)));
  };
  const long dispatcherThread = CurrentThreadId();
  ASSERT_TRUE(RunServiceDispatcher(kTable));
  EXPECT_EQ(ServiceProcessExitStatus(), 0);
  EXPECT_EQ(g_stopControls, 1);
  EXPECT_EQ(g_handlerThread, dispatcherThread) << "controls come on the dispatcher's thread";
  EXPECT_EQ(listener.Drain(), (Datagrams{"STATUS=Starting\nEXTEND_TIMEOUT_USEC=30000000", "READY=1\nSTATUS=Running",
                                         "STOPPING=1\nSTATUS=Stopping\nEXTEND_TIMEOUT_USEC=30000000",
                                         "STATUS=Stopped"}));
}

TEST_F(ServiceDispatcherTest, AStopThatComesTooEarlyWaitsUntilTheServiceCanTakeIt) {
  struct Case {
    const char* name;
    bool registerFirst;
    std::uint32_t stateWhenSignalled;
    std::uint32_t controlsAccepted;
  } cases[] = {
      {"before the handler is registered", false, 0, kServiceAcceptStop},
      {"while starting", true, kServiceStartPending, kServiceAcceptStop},
      {"while running without accepting stop", true, kServiceRunning, 0},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    stopSeen.Reset();
    g_stopControls = 0;
    g_serviceBody = [&] {
      ServiceStatusHandle handle = nullptr;
      if (test.registerFirst) handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
      ServiceStatus early = StatusOf(test.stateWhenSignalled);
      early.controlsAccepted = test.controlsAccepted;
      if (handle) ReportServiceStatus(handle, early);
      kill(getpid(), SIGTERM);
      EXPECT_EQ(stopSeen.Wait(200), kWaitTimeout);
      if (!handle) handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
      ReportServiceStatus(handle, StatusOf(kServiceRunning));
      EXPECT_EQ(stopSeen.Wait(30000), kWaitObject0);
      ReportServiceStatus(handle, StatusOf(kServiceStopped));
    };
    ASSERT_TRUE(RunServiceDispatcher(kTable));
    EXPECT_EQ(g_stopControls, 1);
    listener.Drain();
  }
}

TEST_F(ServiceDispatcherTest, TheStoppedReportsExitCodeBecomesTheExitStatus) {
  struct Case {
    std::uint32_t exitCode;
    std::uint32_t specificCode;
    std::string datagram;
    int exitStatus;
  } cases[] = {
      {0, 0, "STOPPING=1\nSTATUS=Stopped", 0},
      {5, 0, "STOPPING=1\nSTATUS=Stopped with exit code 5\nERRNO=5", 5},
      {kServiceSpecificErrorExitCode, 7, "STOPPING=1\nSTATUS=Stopped with exit code 7\nERRNO=7", 7},
      {1067, 0, "STOPPING=1\nSTATUS=Stopped with exit code 1067\nERRNO=1067", 1},
      {256, 0, "STOPPING=1\nSTATUS=Stopped with exit code 256\nERRNO=256", 1},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.exitCode);
    g_serviceBody = [&] {
      ServiceStatusHandle handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
      ReportServiceStatus(handle, StatusOf(kServiceStopped, 0, test.exitCode, test.specificCode));
    };
    ASSERT_TRUE(RunServiceDispatcher(kTable));
    EXPECT_EQ(ServiceProcessExitStatus(), test.exitStatus);
    EXPECT_EQ(listener.Drain(), Datagrams{test.datagram});
  }
}

TEST_F(ServiceDispatcherTest, AMainFunctionThatReturnsWithoutAFinalReportEndsAsAFailure) {
  g_serviceBody = [&] {
    ServiceStatusHandle handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
    ReportServiceStatus(handle, StatusOf(kServiceRunning));
  };
  ASSERT_TRUE(RunServiceDispatcher(kTable));
  EXPECT_EQ(ServiceProcessExitStatus(), 1);
  const Datagrams datagrams = listener.Drain();
  ASSERT_EQ(datagrams.size(), 2u);
  EXPECT_EQ(datagrams[1].rfind("STOPPING=1\n", 0), 0u);
  EXPECT_NE(datagrams[1].find("ERRNO="), std::string::npos);
}

TEST_F(ServiceDispatcherTest, AManagerThatWentAwayDoesNotKeepTheServiceFromEnding) {
  g_serviceBody = [&] {
    ServiceStatusHandle handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
    EXPECT_TRUE(ReportServiceStatus(handle, StatusOf(kServiceRunning)));
    listener.Close();
    EXPECT_FALSE(ReportServiceStatus(handle, StatusOf(kServiceStopped)));
  };
  ASSERT_TRUE(RunServiceDispatcher(kTable));
  EXPECT_EQ(ServiceProcessExitStatus(), 0);
}

TEST_F(ServiceDispatcherTest, NoControlReachesAnUnregisteredHandler) {
  g_serviceBody = [&] {
    ServiceStatusHandle handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
    ReportServiceStatus(handle, StatusOf(kServiceRunning));
    UnregisterServiceControlHandler(handle);
    kill(getpid(), SIGTERM);
    EXPECT_EQ(stopSeen.Wait(200), kWaitTimeout);
    ReportServiceStatus(handle, StatusOf(kServiceStopped));
  };
  ASSERT_TRUE(RunServiceDispatcher(kTable));
  EXPECT_EQ(g_stopControls, 0);
}

TEST_F(ServiceDispatcherTest, UnknownStatesAreRefusedAndChangeNothing) {
  g_serviceBody = [&] {
    ServiceStatusHandle handle = RegisterServiceControlHandler(L"Test Service", TestHandler, nullptr);
    EXPECT_FALSE(ReportServiceStatus(handle, StatusOf(99)));
    EXPECT_FALSE(ReportServiceStatus(handle, StatusOf(0)));
    ReportServiceStatus(handle, StatusOf(kServiceStopped));
  };
  ASSERT_TRUE(RunServiceDispatcher(kTable));
  EXPECT_EQ(listener.Drain(), Datagrams{"STOPPING=1\nSTATUS=Stopped"});
}

}  // namespace
