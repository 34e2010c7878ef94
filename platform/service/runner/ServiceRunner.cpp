#include "platform/service/runner/ServiceRunner.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "platform/core/AtomicFile.h"
#include "platform/core/ChildProcess.h"
#include "platform/core/SpecialFolders.h"
#include "platform/core/TextCodec.h"
#include "platform/service/runner/NotifySocket.h"
#include "platform/service/runner/StateFile.h"

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kLongestName = 64;
constexpr auto kStopPollInterval = std::chrono::milliseconds(20);
// The stopper waits this much longer than the supervisor's own stop timeout.
constexpr int kStopWaitMarginSeconds = 30;

bool MakeDirectories(const std::string& path) {
  std::size_t position = 0;
  while (position != std::string::npos) {
    position = path.find('/', position + 1);
    const std::string partial = path.substr(0, position);
    if (partial.empty()) continue;
    struct stat status {};
    if (stat(partial.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// The highest capability number the running kernel knows.
int LastCapability() {
  std::ifstream file("/proc/sys/kernel/cap_last_cap");
  int last = CAP_LAST_CAP;
  file >> last;
  return last;
}

struct ServiceUser {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
};

// In the service's process, between fork and exec, as root: becomes the service user
// and keeps only the capabilities given, in every set including the ambient one, so
// that they survive the exec of a program without file capabilities. Plain system calls
// (no library): the bounding set goes first, while the capability to change it is still
// there; PR_SET_KEEPCAPS carries the permitted set across setuid; capset and
// PR_CAP_AMBIENT_RAISE then keep exactly the listed ones. Returns 0, or errno with step
// naming what failed.
int BecomeServiceUser(const ServiceUser& user, const std::vector<int>& capabilities, int lastCapability,
                      const char*& step) {
  const auto kept = [&](int capability) {
    return std::find(capabilities.begin(), capabilities.end(), capability) != capabilities.end();
  };
  step = "drop the other capabilities";
  for (int capability = 0; capability <= lastCapability; ++capability) {
    if (!kept(capability) && prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0) return errno;
  }
  step = "set the user";
  if (prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0 || initgroups(user.name.c_str(), user.gid) != 0 ||
      setresgid(user.gid, user.gid, user.gid) != 0 || setresuid(user.uid, user.uid, user.uid) != 0) {
    return errno;
  }
  step = "set the capabilities";
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
  for (int capability : capabilities) {
    const std::uint32_t bit = 1u << (capability % 32);
    sets[capability / 32].effective |= bit;
    sets[capability / 32].permitted |= bit;
    sets[capability / 32].inheritable |= bit;
  }
  if (syscall(SYS_capset, &header, sets) != 0) return errno;
  for (int capability : capabilities) {
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, capability, 0, 0) != 0) return errno;
  }
  step = "refuse new privileges";
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return errno;
  step = "enter /";
  if (chdir("/") != 0) return errno;
  return 0;
}

// <root>/run/<name> for the service: a real folder, 0755, its user's.
bool MakeRuntimeDirectory(const std::string& path, uid_t uid, gid_t gid) {
  if (!MakeDirectories(path.substr(0, path.rfind('/')))) return false;
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return false;
  if (!S_ISDIR(status.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return lchown(path.c_str(), uid, gid) == 0 && chmod(path.c_str(), 0755) == 0;
}

}  // namespace

ServiceRunner::ServiceRunner() : m_stateFolder(WideToLocale(MachineRoot()) + "/run/corvane-service-runner") {}

int ServiceRunner::CapabilityNumber(const std::string& name) {
  // The ones a packet counter may be given.
  if (name == "CAP_NET_ADMIN") return CAP_NET_ADMIN;
  if (name == "CAP_NET_RAW") return CAP_NET_RAW;
  return -1;
}

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
  if (!MakeDirectories(m_stateFolder)) {
    std::cerr << name << ": cannot create " << m_stateFolder << ": " << std::strerror(errno) << std::endl;
    return kFailed;
  }
  const auto previous = ReadState(name);
  if (previous.count("state") && !HasEnded(previous) && SupervisorAlive(previous)) {
    std::cout << name << ": already running (pid " << previous.at("pid") << ")" << std::endl;
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
    Supervise(name, command, options, report[1]);
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

void ServiceRunner::Supervise(const std::string& name, const std::vector<std::string>& command,
                              const StartOptions& options, int reportDescriptor) {
  signal(SIGPIPE, SIG_IGN);
  StateFile record(PathOf(name, ".state"));
  record.SetState(ServiceState::kStarting);
  record.SetSupervisor();
  record.Set("stop_timeout", std::to_string(options.stopTimeoutSeconds));
  bool reported = false;
  auto reportToStarter = [&](const std::string& text) {
    if (reported) return;
    reported = true;
    WriteAll(reportDescriptor, text);
    close(reportDescriptor);
  };
  auto fail = [&](const std::string& result, const std::string& reason) {
    record.Set("state", "failed");
    record.Set("result", result);
    record.Save();
    reportToStarter("failed " + reason + "\n");
    _exit(1);
  };

  sigset_t handled;
  sigemptyset(&handled);
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&handled, signalNumber);
  sigprocmask(SIG_BLOCK, &handled, nullptr);
  const int signals = signalfd(-1, &handled, SFD_CLOEXEC | SFD_NONBLOCK);

  const std::string socketPath = PathOf(name, ".notify");
  NotifySocket socket;
  if (signals < 0 || !socket.Open(socketPath)) {
    fail("resources", std::string("cannot make the notify socket: ") + std::strerror(errno));
  }
  const int messages = open(PathOf(name, ".messages").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

  ServiceUser user;
  if (!options.user.empty()) {
    const passwd* entry = getpwnam(options.user.c_str());
    if (entry == nullptr) fail("spawn-failed", "no user " + options.user);
    user.name = options.user;
    user.uid = entry->pw_uid;
    user.gid = entry->pw_gid;
  }
  if (!options.runtimeDirectory.empty()) {
    const std::string folder = WideToLocale(MachineRoot()) + "/run/" + options.runtimeDirectory;
    if (!MakeRuntimeDirectory(folder, user.uid, user.gid)) {
      fail("resources", "cannot make " + folder + ": " + std::strerror(errno));
    }
  }
  const int lastCapability = LastCapability();

  ChildProcess::StartOptions start;
  start.searchPath = true;
  start.environment = {"NOTIFY_SOCKET=" + socketPath};
  start.outputFile = PathOf(name, ".output");
  start.setUp = [&](std::string& failure) {
    // The signals this supervisor blocks or ignores are its own, not the service's.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (options.limitNice) {
      // Priorities are a wish, not a need: where even root may not raise the hard limit
      // (a container without CAP_SYS_RESOURCE), the soft one goes as far as it allows.
      const rlim_t wanted = static_cast<rlim_t>(20 - options.niceLimit);
      rlimit limit{wanted, wanted};
      if (setrlimit(RLIMIT_NICE, &limit) != 0 && getrlimit(RLIMIT_NICE, &limit) == 0) {
        limit.rlim_cur = std::min(wanted, limit.rlim_max);
        setrlimit(RLIMIT_NICE, &limit);
      }
    }
    if (!options.user.empty()) {
      const char* step = "";
      const int error = BecomeServiceUser(user, options.capabilities, lastCapability, step);
      if (error != 0) {
        failure = std::string("cannot ") + step + " for " + options.user;
        return error;
      }
    }
    return 0;
  };
  ChildProcess::StartFailure startFailure;
  std::optional<ChildProcess> service =
      ChildProcess::Start(command.front(), std::vector<std::string>(command.begin() + 1, command.end()), start, startFailure);
  if (!service) fail(startFailure.childMade ? "spawn-failed" : "resources", startFailure.reason);
  const pid_t child = static_cast<pid_t>(service->ProcessId());

  record.Set("pid", std::to_string(child));
  record.Save();

  std::string state = "starting";
  bool deadlineSet = true;
  bool killSent = false;
  auto deadline = SteadyClock::now() + std::chrono::seconds(options.startTimeoutSeconds);
  auto beginStop = [&](const char* reason) {
    if (state == "stopping" || killSent) return;
    state = "stopping";
    record.Set("state", state);
    if (reason) record.Set("result", reason);
    record.Save();
    kill(child, SIGTERM);
    deadline = SteadyClock::now() + std::chrono::seconds(options.stopTimeoutSeconds);
    deadlineSet = true;
  };

  // Every notification waiting on the socket. Called before the service is reaped too, so
  // that what it sent just before it ended is read while its pid still names it.
  auto readNotifications = [&] {
    while (const std::optional<NotifySocket::Message> message = socket.Receive()) {
      if (!options.acceptNotifyFromAnyProcess && message->sender != child) continue;
      bool becameReady = false;
      for (const auto& [key, value] : message->assignments) {
        if (messages >= 0) WriteAll(messages, key + "=" + value + "\n");
        if (key == "READY" && value == "1" && state == "starting") {
          state = "running";
          record.Set("state", state);
          deadlineSet = false;
          becameReady = true;
        } else if (key == "STOPPING" && value == "1" && state != "stopping") {
          state = "stopping";
          record.Set("state", state);
          deadline = SteadyClock::now() + std::chrono::seconds(options.stopTimeoutSeconds);
          deadlineSet = true;
        } else if (key == "STATUS") {
          record.Set("status", value);
        } else if (key == "ERRNO") {
          record.Set("errno", value);
        } else if (key == "EXTEND_TIMEOUT_USEC" && deadlineSet && !killSent) {
          const long long microseconds = std::strtoll(value.c_str(), nullptr, 10);
          const auto extended = SteadyClock::now() + std::chrono::microseconds(microseconds > 0 ? microseconds : 0);
          if (extended > deadline) deadline = extended;
        }
      }
      record.Save();
      // Only once the whole datagram is on record, so the starter sees all of it.
      if (becameReady) reportToStarter("ready " + std::to_string(child) + "\n");
    }
  };

  for (;;) {
    int timeoutMs = -1;
    if (deadlineSet) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
      timeoutMs = left > 0 ? static_cast<int>(std::min<long long>(left, 60000)) : 0;
    }
    pollfd waits[2] = {{signals, POLLIN, 0}, {socket.Descriptor(), POLLIN, 0}};
    if (poll(waits, 2, timeoutMs) < 0 && errno != EINTR) break;

    if (waits[1].revents & POLLIN) readNotifications();

    bool ended = false;
    if (waits[0].revents & POLLIN) {
      signalfd_siginfo information{};
      while (read(signals, &information, sizeof(information)) == static_cast<ssize_t>(sizeof(information))) {
        if (information.ssi_signo == SIGCHLD) continue;
        beginStop(nullptr);
      }
      siginfo_t exited{};
      if (waitid(P_PID, child, &exited, WEXITED | WNOHANG | WNOWAIT) == 0 && exited.si_pid == child) {
        readNotifications();
        service->Wait();
        const int status = service->WaitStatus();
        if (WIFEXITED(status)) {
          if (record.Get("result").empty()) record.Set("result", "exited");
          record.Set("exit_status", std::to_string(WEXITSTATUS(status)));
        } else if (WIFSIGNALED(status)) {
          if (record.Get("result") != "timeout") record.Set("result", "killed");
          record.Set("signal", std::to_string(WTERMSIG(status)));
        }
        const bool clean = record.Get("result") == "exited" && record.Get("exit_status") == "0";
        record.Set("state", clean ? "stopped" : "failed");
        if (state == "starting") {
          reportToStarter("failed the service ended before it was ready (" + DescribeEnd(record.Recorded()) + ")\n");
        }
        ended = true;
      }
    }
    if (ended) break;

    if (deadlineSet && SteadyClock::now() >= deadline) {
      if (state == "starting") {
        reportToStarter("failed not ready within " + std::to_string(options.startTimeoutSeconds) + " s\n");
        beginStop("timeout");
      } else if (!killSent) {
        record.Set("result", "timeout");
        record.Save();
        kill(child, SIGKILL);
        killSent = true;
        deadlineSet = false;
      }
    }
  }
  socket.Remove();
  record.Save();
  reportToStarter("failed the supervisor stopped\n");
  _exit(0);
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
  kill(static_cast<pid_t>(NumberOf(state, "supervisor", 0)), SIGTERM);
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
  std::cout << name << ": " << (ended || alive ? state["state"] : "unknown (supervisor gone)");
  if (!ended && alive) std::cout << " (pid " << state["pid"] << ")";
  std::cout << std::endl;
  if (!state["status"].empty()) std::cout << "status: " << state["status"] << std::endl;
  if (ended) std::cout << "ended: " << DescribeEnd(state) << std::endl;
  return alive && !ended ? kSuccess : kNotRunning;
}

}  // namespace platform
