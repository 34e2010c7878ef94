// The runner's state file as its supervisor writes it and stop and status read it.
#include "platform/service/runner/StateFile.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/TestSandbox.h"

namespace {

using platform::RecordedState;
using platform::ServiceState;
using platform::StateFile;

TEST(StateFile, KeepsItsLinesInTheOrderFirstSetAcrossSaves) {
  corvane_test::TempFolder folder;
  const std::string path = (folder.path() / "svc.state").string();
  StateFile record(path);
  record.SetState(ServiceState::kStarting);
  record.Set("pid", "42");
  record.Save();
  record.Set("status", "Running");
  record.SetState(ServiceState::kRunning);
  record.Save();
  EXPECT_EQ(corvane_test::ReadFile(path), "state=running\npid=42\nstatus=Running\n");
  const RecordedState read = platform::ReadStateFile(path);
  EXPECT_EQ(platform::StateOf(read), ServiceState::kRunning);
  EXPECT_EQ(platform::NumberOf(read, "pid", 0), 42);
  EXPECT_EQ(platform::NumberOf(read, "status", 7), 7) << "not a number";
  EXPECT_EQ(platform::NumberOf(read, "stop_timeout", 90), 90) << "not recorded";
  std::size_t files = 0;
  for (const auto& entry : boost::filesystem::directory_iterator(folder.path())) files += entry.path() != path;
  EXPECT_EQ(files, 0u) << "a temporary file is left beside the record";
  EXPECT_TRUE(platform::ReadStateFile((folder.path() / "none.state").string()).empty());
}

TEST(StateFile, OnlyStoppedAndFailedHaveEnded) {
  const struct {
    const char* word;
    bool ended;
  } cases[] = {{"starting", false}, {"running", false},      {"stopping", false}, {"stopped", true},
               {"failed", true},    {"auto-restart", false}, {"", false},         {"Stopped", false}};
  for (const auto& c : cases) EXPECT_EQ(platform::HasEnded({{"state", c.word}}), c.ended) << c.word;
  for (ServiceState state : {ServiceState::kStarting, ServiceState::kRunning, ServiceState::kStopping,
                             ServiceState::kStopped, ServiceState::kFailed, ServiceState::kAutoRestart}) {
    EXPECT_EQ(platform::ParseState(platform::StateText(state)), state) << platform::StateText(state);
  }
}

TEST(StateFile, TheSupervisorRecordedIsAliveOnlyAsTheSameProcess) {
  corvane_test::TempFolder folder;
  const std::string path = (folder.path() / "svc.state").string();
  StateFile record(path);
  record.SetSupervisor();
  record.Save();
  RecordedState read = platform::ReadStateFile(path);
  EXPECT_EQ(read["supervisor"], std::to_string(getpid()));
  EXPECT_TRUE(platform::SupervisorAlive(read));
  read["supervisor_start"] = "1";  // a later process that got the same pid
  EXPECT_FALSE(platform::SupervisorAlive(read));
  read.erase("supervisor_start");
  EXPECT_FALSE(platform::SupervisorAlive(read));

  // A supervisor that has ended but is not reaped yet is gone all the same.
  const pid_t ended = fork();
  if (ended == 0) {
    record.SetSupervisor();
    record.Save();
    _exit(0);
  }
  siginfo_t information{};
  ASSERT_EQ(waitid(P_PID, ended, &information, WEXITED | WNOWAIT), 0);
  read = platform::ReadStateFile(path);
  EXPECT_EQ(read["supervisor"], std::to_string(ended));
  EXPECT_FALSE(platform::SupervisorAlive(read));
  waitpid(ended, nullptr, 0);
}

TEST(StateFile, DescribesHowTheServiceEnded) {
  const struct {
    RecordedState recorded;
    const char* description;
  } cases[] = {
      {{{"result", "exited"}, {"exit_status", "3"}}, "exit status 3"},
      {{{"result", "killed"}, {"signal", "9"}}, "killed by signal 9"},
      {{{"result", "spawn-failed"}}, "could not be started"},
      {{{"result", "timeout"}, {"signal", "9"}}, "timeout"},
      {{{"result", "start-limit-hit"}, {"exit_status", "1"}}, "start limit hit"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::DescribeEnd(c.recorded), c.description);
}

}  // namespace
