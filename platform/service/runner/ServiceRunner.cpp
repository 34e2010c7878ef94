#include "platform/service/runner/ServiceRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <thread>

#include "platform/core/AtomicFile.h"
#include "platform/core/Folders.h"
#include "platform/core/SpecialFolders.h"
#include "platform/core/TextCodec.h"
#include "platform/service/runner/Directories.h"
#include "platform/service/runner/NotifySocket.h"
#include "platform/service/runner/ServiceSupervisor.h"
#include "platform/service/runner/StateFile.h"

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kLongestName = 64;
constexpr auto kStopPollInterval = std::chrono::milliseconds(20);
// The stopper waits this much longer than the supervisor's own stop timeout.
constexpr int kStopWaitMarginSeconds = 30;

}  // namespace

ServiceRunner::ServiceRunner() : m_stateFolder(WideToLocale(MachineRoot()) + "/run/corvane-service-runner") {}

ServiceRunner::ServiceRunner(std::string stateFolder) : m_stateFolder(std::move(stateFolder)) {}

bool ServiceRunner::IsValidName(const std::string& name) {
  if (name.empty() || name.size() > kLongestName || name[0] == '.') return false;
  for (char ch : name) {
    const bool allowed = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                         ch == '.' || ch == '_' || ch == '-' || ch == '@';
    if (!allowed) return false;
  }
  return true;
}

std::string ServiceRunner::PathOf(const std::string& name, const char* suffix) const {
  return m_stateFolder + "/" + name + suffix;
}

std::map<std::string, std::string> ServiceRunner::ReadState(const std::string& name) const {
  if (!IsValidName(name)) return {};
  return ReadStateFile(PathOf(name, ".state"));
}

int ServiceRunner::Start(const std::string& name, const std::vector<std::string>& command,
                         const StartOptions& options) {
  if (!IsValidName(name) || command.empty()) {
    std::cerr << "usage: a service name of letters, digits, '.', '_', '-', '@' and a command" << std::endl;
    return kUsage;
  }
  if (!MakeDirectories(m_stateFolder, 0755)) {
    std::cerr << name << ": cannot create " << m_stateFolder << ": " << std::strerror(errno) << std::endl;
    return kFailed;
  }
  // The supervisor could record nothing; better said now than by a start that goes wrong.
  if (faccessat(AT_FDCWD, m_stateFolder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    std::cerr << name << ": cannot start: " << m_stateFolder << ": " << std::strerror(errno) << std::endl;
    return kFailed;
  }
  const auto previous = ReadState(name);
  if (previous.count("state") && !HasEnded(previous) && SupervisorAlive(previous)) {
    if (StateOf(previous) == ServiceState::kAutoRestart) {
      std::cout << name << ": already started, waiting to restart" << std::endl;
    } else {
      std::cout << name << ": already running (pid " << previous.at("pid") << ")" << std::endl;
    }
    return kSuccess;
  }
  RemoveLeftoverTemporaryFiles(PathOf(name, ".state"));
  if (!NotifySocket::FitsPath(PathOf(name, ".notify"))) {
    std::cerr << name << ": the state folder path is too long for a notify socket" << std::endl;
    return kFailed;
  }

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return kFailed;
  std::cout.flush();
  std::cerr.flush();
  const pid_t supervisor = fork();
  if (supervisor < 0) {
    std::cerr << name << ": cannot fork: " << std::strerror(errno) << std::endl;
    return kFailed;
  }
  if (supervisor == 0) {
    close(report[0]);
    setsid();
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      if (null > STDERR_FILENO) close(null);
    }
    ServiceSupervisor(
        {PathOf(name, ".state"), PathOf(name, ".notify"), PathOf(name, ".messages"), PathOf(name, ".output")}, command,
        options, report[1])
        .Run();
  }
  close(report[1]);
  const std::string answer = ReadToEnd(report[0]);
  close(report[0]);
  if (answer.rfind("ready", 0) == 0) {
    std::cout << name << ": started (pid " << answer.substr(6, answer.find('\n') - 6) << ")" << std::endl;
    return kSuccess;
  }
  const std::string reason = answer.rfind("failed ", 0) == 0 ? answer.substr(7) : "the supervisor ended\n";
  std::cerr << name << ": failed: " << reason << std::flush;
  return kFailed;
}

int ServiceRunner::Stop(const std::string& name) {
  if (!IsValidName(name)) {
    std::cerr << "usage: stop <name>" << std::endl;
    return kUsage;
  }
  auto state = ReadState(name);
  if (state.empty()) {
    std::cerr << name << ": no such service" << std::endl;
    return kUnknownService;
  }
  if (HasEnded(state)) {
    std::cout << name << ": not running (" << state["state"] << ", " << DescribeEnd(state) << ")" << std::endl;
    return kSuccess;
  }
  if (!SupervisorAlive(state)) {
    std::cerr << name << ": its supervisor is gone; the service state is unknown" << std::endl;
    return kFailed;
  }
  // A supervisor that has just ended is no error; the wait below sees its record.
  if (kill(static_cast<pid_t>(NumberOf(state, "supervisor", 0)), SIGTERM) != 0 && errno != ESRCH) {
    std::cerr << name << ": cannot stop: " << std::strerror(errno) << std::endl;
    return kFailed;
  }
  const auto limit =
      SteadyClock::now() + std::chrono::seconds(NumberOf(state, "stop_timeout", 90) + kStopWaitMarginSeconds);
  while (SteadyClock::now() < limit) {
    state = ReadState(name);
    if (HasEnded(state)) break;
    if (!SupervisorAlive(state)) {
      state = ReadState(name);
      break;
    }
    std::this_thread::sleep_for(kStopPollInterval);
  }
  if (!HasEnded(state)) {
    std::cerr << name << ": did not stop" << std::endl;
    return kFailed;
  }
  std::cout << name << ": stopped, " << DescribeEnd(state) << std::endl;
  return StateOf(state) == ServiceState::kStopped ? kSuccess : kFailed;
}

int ServiceRunner::Status(const std::string& name) {
  if (!IsValidName(name)) {
    std::cerr << "usage: status <name>" << std::endl;
    return kUsage;
  }
  auto state = ReadState(name);
  if (state.empty()) {
    std::cout << name << ": no such service" << std::endl;
    return kUnknownService;
  }
  const bool alive = SupervisorAlive(state);
  const bool ended = HasEnded(state);
  const bool running = alive && !ended && StateOf(state) != ServiceState::kAutoRestart;
  std::cout << name << ": " << (ended || alive ? state["state"] : "unknown (supervisor gone)");
  if (running) std::cout << " (pid " << state["pid"] << ")";
  std::cout << std::endl;
  if (!state["status"].empty()) std::cout << "status: " << state["status"] << std::endl;
  if (!state["last_failure"].empty()) {
    std::cout << "restarts: " << NumberOf(state, "restarts", 0) << " (last failure: " << state["last_failure"] << ")"
              << std::endl;
  }
  if (ended) std::cout << "ended: " << DescribeEnd(state) << std::endl;
  return running ? kSuccess : kNotRunning;
}

}  // namespace platform
