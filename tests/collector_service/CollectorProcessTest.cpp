// CorvaneCollector as a process: a copy of the program with its own config.ini in a
// temporary root, started through the service runner or from a shell.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <chrono>
#include <string>
#include <thread>

#include "platform/service/NamedMutex.h"
#include "tests/TestSandbox.h"
#include "tests/platform_service/ProgramRun.h"

namespace {

namespace fs = boost::filesystem;
using corvane_test::ProgramResult;
using corvane_test::RunProgram;

const std::string kRunner = CORVANE_RUNNER_PATH;
const std::wstring kServiceMutex = L"Global\\CorvanServiceMutex";

class CollectorProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(sandbox.InstallFolder());
    program = (sandbox.InstallFolder() / "CorvaneCollector").string();
    fs::copy_file(CORVANE_COLLECTOR_PATH, program);
    SetLogLevel(4);
    unsetenv("NOTIFY_SOCKET");
  }
  void TearDown() override {
    if (started) Runner({"stop", "corvan-service"});
  }
  void SetLogLevel(int level) {
    corvane_test::WriteFile(fs::path(program).parent_path() / "config.ini",
                            "[Config]\r\nLogLevel=" + std::to_string(level) + "\r\n");
  }
  ProgramResult Runner(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kRunner);
    return RunProgram(arguments);
  }
  ProgramResult Start() {
    ProgramResult result = Runner({"start", "--timeout", "30", "corvan-service", "--", program});
    started = result.exitStatus == 0;
    return result;
  }
  std::string Messages() {
    return corvane_test::ReadFile(sandbox.Root() / "run/corvane-service-runner/corvan-service.messages");
  }
  // Every log line written so far, as ASCII text (other characters become '?').
  std::string Log() { return corvane_test::ReadLogText(sandbox.DataFolder() / "Log"); }

  corvane_test::Sandbox sandbox;
  std::string program;
  bool started = false;
};

TEST_F(CollectorProcessTest, RunsAsAServiceUntilSigtermAndEndsWithZero) {
  const ProgramResult start = Start();
  ASSERT_EQ(start.exitStatus, 0) << start.output;
  EXPECT_NE(Messages().find("READY=1\n"), std::string::npos);
  EXPECT_NE(Log().find("[ ServiceMain, "), std::string::npos);
  EXPECT_NE(Log().find("] Main Start\r\n"), std::string::npos);
  // It reports running before it takes the mutex, so give it a moment.
  bool mutexHeld = false;
  for (int attempt = 0; attempt < 500 && !mutexHeld; ++attempt) {
    auto probe = platform::NamedMutex::Create(kServiceMutex, false);
    mutexHeld = probe && probe->AlreadyExisted();
    if (!mutexHeld) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(mutexHeld) << "a running collector holds its mutex";

  const ProgramResult stop = Runner({"stop", "corvan-service"});
  started = false;
  EXPECT_EQ(stop.exitStatus, 0) << stop.output;
  EXPECT_NE(stop.output.find("exit status 0"), std::string::npos) << stop.output;
  const std::string messages = Messages();
  EXPECT_NE(messages.find("STOPPING=1\n"), std::string::npos);
  EXPECT_NE(messages.find("STATUS=Stopped\n"), std::string::npos);
  EXPECT_EQ(messages.find("ERRNO="), std::string::npos);
  const std::string log = Log();
  ASSERT_NE(log.find("] Main END\r\n"), std::string::npos) << log;
  EXPECT_LT(log.find("Main Start"), log.find("Main END"));
  EXPECT_FALSE(platform::NamedMutex::Create(kServiceMutex, false)->AlreadyExisted());
}

TEST_F(CollectorProcessTest, AMutexHeldByAnotherProcessDoesNotStopIt) {
  auto held = platform::NamedMutex::Create(kServiceMutex, true);
  ASSERT_TRUE(held && held->IsOwned());
  const ProgramResult start = Start();
  ASSERT_EQ(start.exitStatus, 0) << start.output;
  const ProgramResult stop = Runner({"stop", "corvan-service"});
  started = false;
  EXPECT_EQ(stop.exitStatus, 0) << stop.output;
  EXPECT_TRUE(held->IsOwned());
}

TEST_F(CollectorProcessTest, StartedFromAShellItExitsWithOne) {
  struct Case {
    int logLevel;
    bool logged;
  } cases[] = {{4, true}, {3, false}, {0, false}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.logLevel);
    SetLogLevel(test.logLevel);
    fs::remove_all(sandbox.DataFolder() / "Log");
    EXPECT_EQ(RunProgram({program}).exitStatus, 1);
    const std::string log = Log();
    EXPECT_EQ(log.find("[ wWinMain, ") != std::string::npos, test.logged) << log;
    EXPECT_EQ(log.find("] StartServiceCtrlDispatcher failed!\r\n") != std::string::npos, test.logged) << log;
  }
}

}  // namespace
