#include "platform/service/runner/ServiceRunner.h"
#include "platform/service/runner/StateFile.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/TestSandbox.h"
#include "tests/TestUser.h"
#include "tests/platform_service/ProgramRun.h"

namespace {

using corvane_test::ProgramResult;
using corvane_test::RunProgram;
using platform::ServiceRunner;

const std::string kRunner = CORVANE_RUNNER_PATH;
const std::string kService = CORVANE_NOTIFYING_SERVICE_PATH;

class ServiceRunnerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Never leave a service behind, whatever the test did.
    for (const char* name : {"svc", "other"}) {
      auto state = Runner().ReadState(name);
      if (!state.empty() && state["state"] != "stopped" && state["state"] != "failed") Run({"stop", name});
    }
  }
  ProgramResult Run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kRunner);
    return RunProgram(arguments);
  }
  ProgramResult Start(const std::vector<std::string>& options, const std::vector<std::string>& command,
                      const std::string& name = "svc") {
    std::vector<std::string> arguments{"start"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(name);
    arguments.push_back("--");
    arguments.insert(arguments.end(), command.begin(), command.end());
    return Run(arguments);
  }
  ServiceRunner Runner() const { return ServiceRunner(root.str() + "/run/corvane-service-runner"); }
  std::string StateFile(const char* suffix) const {
    return corvane_test::ReadFile(root.path() / "run/corvane-service-runner" / (std::string("svc") + suffix));
  }
  using State = std::map<std::string, std::string>;
  // Waits until the recorded state is the one wanted (or gives up); the state last read.
  State WaitForState(const std::function<bool(State&)>& wanted) {
    State state = Runner().ReadState("svc");
    for (int i = 0; i < 1000 && !wanted(state); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      state = Runner().ReadState("svc");
    }
    return state;
  }
  static bool Ended(State& state) { return state["state"] == "stopped" || state["state"] == "failed"; }
  // Waits for the supervisor to record the end.
  State FinalState() { return WaitForState(Ended); }
  // The end once the supervisor has gone too, so that nothing can follow it.
  State EndForGood() {
    return WaitForState([](State& state) { return Ended(state) && !platform::SupervisorAlive(state); });
  }

  corvane_test::TempFolder root;
  corvane_test::ScopedEnv rootVariable{"CORVANE_ROOT", root.str()};
};

TEST_F(ServiceRunnerTest, StartsWhenReadyAndStopsWithSigterm) {
  const ProgramResult started = Start({}, {kService, "ready", "0"});
  ASSERT_EQ(started.exitStatus, 0) << started.output;
  EXPECT_NE(started.output.find("svc: started (pid "), std::string::npos);
  auto state = Runner().ReadState("svc");
  EXPECT_EQ(state["state"], "running");
  EXPECT_EQ(state["status"], "Running");
  EXPECT_EQ(kill(std::stoi(state["pid"]), 0), 0);

  const ProgramResult status = Run({"status", "svc"});
  EXPECT_EQ(status.exitStatus, ServiceRunner::kSuccess);
  EXPECT_NE(status.output.find("svc: running (pid " + state["pid"] + ")"), std::string::npos);

  const ProgramResult again = Start({}, {kService, "ready", "0"});
  EXPECT_EQ(again.exitStatus, 0);
  EXPECT_NE(again.output.find("already running (pid " + state["pid"] + ")"), std::string::npos);

  const ProgramResult stopped = Run({"stop", "svc"});
  EXPECT_EQ(stopped.exitStatus, 0) << stopped.output;
  EXPECT_NE(stopped.output.find("svc: stopped, exit status 0"), std::string::npos);
  EXPECT_EQ(Run({"status", "svc"}).exitStatus, ServiceRunner::kNotRunning);
  EXPECT_EQ(Run({"stop", "svc"}).exitStatus, 0) << "stopping a stopped service is no error";

  const std::string messages = StateFile(".messages");
  EXPECT_NE(messages.find("READY=1\n"), std::string::npos);
  EXPECT_NE(messages.find("STOPPING=1\n"), std::string::npos) << messages << "|" << StateFile(".state");
  EXPECT_LT(messages.find("READY=1\n"), messages.find("STOPPING=1\n"));
  EXPECT_EQ(StateFile(".output"), "service output\n");
  EXPECT_FALSE(boost::filesystem::exists(root.path() / "run/corvane-service-runner/svc.notify"));
}

TEST_F(ServiceRunnerTest, RecordsHowAServiceEnded) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::vector<std::string> command;
    int startStatus;
    const char* startOutput;
    bool stop;
    const char* result;
    const char* detailKey;
    const char* detail;
  } cases[] = {
      {"stopped with an exit code", {}, {kService, "ready", "5"}, 0, "started", true, "exited", "exit_status", "5"},
      {"ended before it was ready", {}, {kService, "exit", "3"}, 1, "ended before it was ready (exit status 3)",
       false, "exited", "exit_status", "3"},
      {"cannot be started", {}, {"/nonexistent/program"}, 1, "cannot start /nonexistent/program", false,
       "spawn-failed", "state", "failed"},
      {"never ready", {"--timeout", "1", "--stop-timeout", "1"}, {kService, "never-ready"}, 1,
       "not ready within 1 s", false, "timeout", "signal", "9"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const ProgramResult started = Start(test.options, test.command);
    EXPECT_EQ(started.exitStatus, test.startStatus) << started.output;
    EXPECT_NE(started.output.find(test.startOutput), std::string::npos) << started.output;
    if (test.stop) {
      EXPECT_EQ(Run({"stop", "svc"}).exitStatus, ServiceRunner::kFailed);
    }
    auto state = FinalState();
    EXPECT_EQ(state["state"], "failed");
    EXPECT_EQ(state["result"], test.result);
    EXPECT_EQ(state[test.detailKey], test.detail);
  }
  EXPECT_EQ(Runner().ReadState("svc")["state"], "failed");
}

TEST_F(ServiceRunnerTest, AnExtendedStartTimeoutIsHonoured) {
  const ProgramResult started = Start({"--timeout", "1"}, {kService, "slow-start", "1500", "4000"});
  EXPECT_EQ(started.exitStatus, 0) << started.output;
  EXPECT_EQ(Run({"stop", "svc"}).exitStatus, 0);
}

TEST_F(ServiceRunnerTest, NotificationsFromOtherProcessesDoNotCount) {
  const ProgramResult started = Start({}, {kService, "stray-ready"});
  ASSERT_EQ(started.exitStatus, 0) << started.output;
  EXPECT_EQ(Runner().ReadState("svc")["status"], "Running");
  EXPECT_EQ(StateFile(".messages").find("from-child"), std::string::npos);
  EXPECT_EQ(Run({"stop", "svc"}).exitStatus, 0);
}

TEST_F(ServiceRunnerTest, RefusesBadNamesAndUsage) {
  for (const char* name : {"../escape", "a/b", ".hidden", "", "with space"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Start({}, {kService, "ready", "0"}, name).exitStatus, ServiceRunner::kUsage);
    EXPECT_EQ(Run({"status", name}).exitStatus, ServiceRunner::kUsage);
  }
  EXPECT_EQ(Run({"start", "svc", kService}).exitStatus, ServiceRunner::kUsage) << "no -- before the command";
  EXPECT_EQ(Run({"start", "svc", "--"}).exitStatus, ServiceRunner::kUsage);
  EXPECT_EQ(Run({"start", "--timeout", "soon", "svc", "--", kService}).exitStatus, ServiceRunner::kUsage);
  EXPECT_EQ(Run({"restart", "svc"}).exitStatus, ServiceRunner::kUsage);
  EXPECT_EQ(Run({"status", "other"}).exitStatus, ServiceRunner::kUnknownService);
  EXPECT_EQ(Run({"stop", "other"}).exitStatus, ServiceRunner::kUnknownService);
  EXPECT_FALSE(boost::filesystem::exists(root.path() / "run/escape.state"));
  EXPECT_EQ(Run({"start", "--ambient-capabilities", "CAP_NET_RAW", "svc", "--", kService}).exitStatus,
            ServiceRunner::kUsage)
      << "capabilities are what a service user keeps";
  EXPECT_EQ(Run({"start", "--user", "x", "--ambient-capabilities", "CAP_SYS_ADMIN", "svc", "--", kService}).exitStatus,
            ServiceRunner::kUsage);
  EXPECT_EQ(Run({"start", "--limit-nice", "-21", "svc", "--", kService}).exitStatus, ServiceRunner::kUsage);
}

// The lines of /proc/<pid>/<file> that begin with key.
std::string ProcLine(const std::string& pid, const char* file, const std::string& key) {
  std::ifstream in("/proc/" + pid + "/" + file);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key, 0) == 0) return line;
  }
  return std::string();
}

TEST_F(ServiceRunnerTest, RunsAServiceAsItsUserWithOnlyTheCapabilitiesGiven) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a user and hand a service to it";
  corvane_test::TemporaryUser user("corvrun");
  ASSERT_TRUE(user.Exists());
  // A copy the user can run, wherever the build tree is.
  const std::string service = (root.path() / "NotifyingService").string();
  boost::filesystem::copy_file(kService, service);

  // Started from a shell that keeps its files to itself.
  const mode_t shellMask = umask(077);
  const ProgramResult started = Start({"--user", user.Name(), "--ambient-capabilities", "CAP_NET_RAW",
                                       "--runtime-directory", "corvtest", "--limit-nice", "-10"},
                                      {service, "ready", "0"});
  umask(shellMask);
  ASSERT_EQ(started.exitStatus, 0) << started.output;
  const std::string pid = Runner().ReadState("svc")["pid"];
  const std::string id = std::to_string(user.Uid());
  const std::string group = std::to_string(user.Gid());
  EXPECT_EQ(ProcLine(pid, "status", "Uid:"), "Uid:\t" + id + "\t" + id + "\t" + id + "\t" + id);
  EXPECT_EQ(ProcLine(pid, "status", "Gid:"), "Gid:\t" + group + "\t" + group + "\t" + group + "\t" + group);
  EXPECT_EQ(ProcLine(pid, "status", "Groups:"), "Groups:\t" + group + " ");
  // CAP_NET_RAW is capability 13, bit 0x2000.
  for (const char* set : {"CapInh:", "CapPrm:", "CapEff:", "CapBnd:", "CapAmb:"}) {
    EXPECT_EQ(ProcLine(pid, "status", set), std::string(set) + "\t0000000000002000");
  }
  EXPECT_EQ(ProcLine(pid, "status", "NoNewPrivs:"), "NoNewPrivs:\t1");
  EXPECT_EQ(ProcLine(pid, "status", "Umask:"), "Umask:\t0022");
  // The nice limit, where this machine lets root raise it (not in every container).
  rlimit own{};
  getrlimit(RLIMIT_NICE, &own);
  rlimit raised{30, 30};
  if (setrlimit(RLIMIT_NICE, &raised) == 0) {
    setrlimit(RLIMIT_NICE, &own);
    EXPECT_EQ(ProcLine(pid, "limits", "Max nice priority").substr(0, 46),
              "Max nice priority         30                   ");
  }
  struct stat folder {};
  ASSERT_EQ(stat((root.path() / "run/corvtest").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_uid, user.Uid());
  EXPECT_EQ(folder.st_mode & 07777, 0755u);
  EXPECT_EQ(Run({"stop", "svc"}).exitStatus, 0);

  const ProgramResult unknown = Start({"--user", "nosuchuser-corvane"}, {service, "ready", "0"});
  EXPECT_EQ(unknown.exitStatus, ServiceRunner::kFailed);
  EXPECT_NE(unknown.output.find("no user nosuchuser-corvane"), std::string::npos) << unknown.output;
}

// The steady-clock times the test service noted for its runs: "start" and "end" each.
std::vector<std::pair<std::string, long long>> RunsNoted(const boost::filesystem::path& file) {
  std::vector<std::pair<std::string, long long>> runs;
  for (const std::string& line : corvane_test::ReadLines(file)) {
    const std::size_t blank = line.find(' ');
    if (blank != std::string::npos) runs.emplace_back(line.substr(0, blank), std::stoll(line.substr(blank + 1)));
  }
  return runs;
}

TEST_F(ServiceRunnerTest, AServiceThatFailsIsStartedAgainAfterTheRestartDelay) {
  struct Case {
    const char* name;
    const char* how;
    const char* failure;
  } cases[] = {
      {"killed by SIGSEGV", "segv", "killed by signal 11"},
      {"exit status 1", "1", "exit status 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const boost::filesystem::path runs = root.path() / (std::string("runs-") + c.how);
    const ProgramResult started = Start({"--restart-sec", "0.5"}, {kService, "ends", c.how, runs.string(), "1"});
    ASSERT_EQ(started.exitStatus, 0) << started.output;
    const std::size_t pidAt = started.output.find("(pid ") + 5;
    const std::string firstPid = started.output.substr(pidAt, started.output.find(')', pidAt) - pidAt);
    State state = WaitForState([](State& now) { return now["state"] == "running" && now["restarts"] == "1"; });
    ASSERT_EQ(state["state"], "running") << StateFile(".state");
    EXPECT_EQ(state["restarts"], "1");
    EXPECT_EQ(state["last_failure"], c.failure);
    EXPECT_EQ(state.count("result"), 0u) << "the run that failed is over";
    EXPECT_NE(state["pid"], firstPid);
    EXPECT_EQ(state["status"], "Running") << "the new run's report";

    const auto noted = RunsNoted(runs);
    ASSERT_EQ(noted.size(), 3u);
    EXPECT_EQ(noted[1].first, "end");
    EXPECT_GE(noted[2].second - noted[1].second, 500) << "started again before the restart delay";

    const ProgramResult status = Run({"status", "svc"});
    EXPECT_EQ(status.exitStatus, ServiceRunner::kSuccess);
    EXPECT_NE(status.output.find("svc: running (pid " + state["pid"] + ")"), std::string::npos) << status.output;
    EXPECT_NE(status.output.find(std::string("restarts: 1 (last failure: ") + c.failure + ")"), std::string::npos)
        << status.output;
    const ProgramResult stopped = Run({"stop", "svc"});
    EXPECT_EQ(stopped.exitStatus, 0) << stopped.output;
    EXPECT_NE(stopped.output.find("svc: stopped, exit status 0"), std::string::npos) << stopped.output;
  }
}

TEST_F(ServiceRunnerTest, AServiceThatFailsAtOnceEveryTimeHitsTheStartLimitAndStaysFailed) {
  const boost::filesystem::path runs = root.path() / "runs";
  const ProgramResult started = Start({"--restart-sec", "0"}, {kService, "ends", "1", runs.string(), "1000"});
  ASSERT_EQ(started.exitStatus, 0) << started.output;
  State state = EndForGood();
  EXPECT_FALSE(platform::SupervisorAlive(state)) << "it would start the service again";
  EXPECT_EQ(state["state"], "failed");
  EXPECT_EQ(state["result"], "start-limit-hit");
  // Five starts within ten seconds, the first one included.
  EXPECT_EQ(state["restarts"], "4");
  EXPECT_EQ(state["last_failure"], "exit status 1");
  std::size_t starts = 0;
  for (const auto& run : RunsNoted(runs)) starts += run.first == "start";
  EXPECT_EQ(starts, 5u);

  const ProgramResult status = Run({"status", "svc"});
  EXPECT_EQ(status.exitStatus, ServiceRunner::kNotRunning);
  EXPECT_EQ(status.output,
            "svc: failed\nstatus: Running\nrestarts: 4 (last failure: exit status 1)\nended: start limit hit\n");
}

TEST_F(ServiceRunnerTest, ACleanEndOrAStopAskedForIsNotFollowedByARestart) {
  struct Case {
    const char* name;
    std::vector<std::string> command;
    bool stop;  // ends when stopped; else by itself after it was ready
    const char* state;
    const char* end;
  } cases[] = {
      {"ends with 0 by itself", {kService, "ends", "0", (root.path() / "runs").string(), "1"}, false, "stopped",
       "exit status 0"},
      {"stopped, ending with 5", {kService, "ready", "5"}, true, "failed", "exit status 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramResult started = Start({"--restart-sec", "0"}, c.command);
    ASSERT_EQ(started.exitStatus, 0) << started.output;
    if (c.stop) {
      EXPECT_EQ(Run({"stop", "svc"}).exitStatus, ServiceRunner::kFailed);
    }
    State state = EndForGood();
    EXPECT_FALSE(platform::SupervisorAlive(state)) << "the supervisor waits to restart it";
    EXPECT_EQ(state["state"], c.state);
    EXPECT_EQ(platform::DescribeEnd(state), c.end);
    EXPECT_EQ(state.count("restarts") + state.count("last_failure"), 0u);
  }
}

TEST_F(ServiceRunnerTest, AStopWhileARestartIsDueCallsItOff) {
  const boost::filesystem::path runs = root.path() / "runs";
  const ProgramResult started = Start({"--restart-sec", "600"}, {kService, "ends", "1", runs.string(), "1000"});
  ASSERT_EQ(started.exitStatus, 0) << started.output;
  State state = WaitForState([](State& now) { return now["state"] == "auto-restart"; });
  ASSERT_EQ(state["state"], "auto-restart");
  const ProgramResult status = Run({"status", "svc"});
  EXPECT_EQ(status.exitStatus, ServiceRunner::kNotRunning);
  EXPECT_EQ(status.output, "svc: auto-restart\nstatus: Running\nrestarts: 0 (last failure: exit status 1)\n");
  const ProgramResult again = Start({}, {kService, "ready", "0"});
  EXPECT_EQ(again.exitStatus, 0);
  EXPECT_EQ(again.output, "svc: already started, waiting to restart\n") << "no second supervisor";

  const ProgramResult stopped = Run({"stop", "svc"});
  EXPECT_EQ(stopped.exitStatus, ServiceRunner::kFailed) << "its last run failed";
  EXPECT_NE(stopped.output.find("svc: stopped, exit status 1"), std::string::npos) << stopped.output;
  state = Runner().ReadState("svc");
  EXPECT_EQ(state["state"], "failed");
  EXPECT_EQ(RunsNoted(runs).size(), 2u) << "started once, ended once";
}

TEST_F(ServiceRunnerTest, AStopOrStartWithoutTheRightFailsAtOnceWithTheError) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a user without the right";
  corvane_test::TemporaryUser user("corvnr", corvane_test::TemporaryUser::Kind::Desktop);
  ASSERT_TRUE(user.Exists());
  const ProgramResult started = Start({}, {kService, "ready", "0"});
  ASSERT_EQ(started.exitStatus, 0) << started.output;
  const std::string folder = root.str() + "/run/corvane-service-runner";
  struct Case {
    std::vector<std::string> words;
    std::string said;
  } cases[] = {
      {{"stop", "svc"}, "svc: cannot stop: Operation not permitted\n"},
      {{"start", "other", "--", kService, "ready", "0"}, "other: cannot start: " + folder + ": Permission denied\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words[0]);
    std::vector<std::string> words{"/usr/bin/setpriv", "--reuid=" + user.Name(), "--regid=" + std::to_string(user.Gid()),
                                   "--clear-groups", kRunner};
    words.insert(words.end(), c.words.begin(), c.words.end());
    const ProgramResult refused = RunProgram(words);
    EXPECT_EQ(refused.exitStatus, ServiceRunner::kFailed);
    EXPECT_EQ(refused.output, c.said);
  }
  EXPECT_EQ(Runner().ReadState("svc")["state"], "running");
  EXPECT_TRUE(Runner().ReadState("other").empty());
  EXPECT_EQ(Run({"stop", "svc"}).exitStatus, 0);
}

}  // namespace
