#include "platform/service/runner/ServiceSupervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/core/AtomicFile.h"
#include "platform/core/SpecialFolders.h"
#include "platform/core/TextCodec.h"
#include "platform/service/runner/Directories.h"

namespace platform {
namespace {

constexpr long long kLongestPollMs = 60000;
// systemd's defaults for StartLimitIntervalSec= and StartLimitBurst=.
constexpr auto kStartLimitInterval = std::chrono::seconds(10);
constexpr unsigned kStartLimitBurst = 5;
// What one run of the service recorded; a restart begins without it.
const char* const kRunKeys[] = {"result", "exit_status", "signal", "status", "errno"};

// Priorities are a wish, not a need: where even root may not raise the hard limit (a
// container without CAP_SYS_RESOURCE), the soft one goes as far as it allows.
void LimitNice(int niceLimit) {
  const rlim_t wanted = static_cast<rlim_t>(20 - niceLimit);
  rlimit limit{wanted, wanted};
  if (setrlimit(RLIMIT_NICE, &limit) != 0 && getrlimit(RLIMIT_NICE, &limit) == 0) {
    limit.rlim_cur = std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NICE, &limit);
  }
}

// In the service's process before the exec.
int SetUpService(const ServiceStartOptions& options, const ServiceUser& user, int lastCapability,
                 std::string& failure) {
  // The signals the supervisor blocks or ignores are its own, not the service's.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  if (options.limitNice) LimitNice(options.niceLimit);
  if (options.user.empty()) return 0;
  const char* step = "";
  const int error = BecomeServiceUser(user, options.capabilities, lastCapability, step);
  if (error != 0) failure = std::string("cannot ") + step + " for " + options.user;
  return error;
}

}  // namespace

ServiceSupervisor::ServiceSupervisor(Files files, std::vector<std::string> command,
                                     ServiceStartOptions options, int report)
    : m_files(std::move(files)),
      m_command(std::move(command)),
      m_options(std::move(options)),
      m_report(report),
      m_record(m_files.state),
      m_startLimit(kStartLimitInterval, kStartLimitBurst) {}

void ServiceSupervisor::Run() {
  signal(SIGPIPE, SIG_IGN);
  SetState(ServiceState::kStarting);
  m_record.SetSupervisor();
  m_record.Set("stop_timeout", std::to_string(m_options.stopTimeoutSeconds));
  Prepare();
  m_startLimit.Allow(Clock::now());
  StartService();

  while (!m_finished) {
    pollfd waits[2] = {{m_signals, POLLIN, 0}, {m_socket.Descriptor(), POLLIN, 0}};
    if (poll(waits, 2, PollTimeoutMs()) < 0 && errno != EINTR) break;
    if (waits[1].revents & POLLIN) ReadNotifications();
    if (waits[0].revents & POLLIN) HandleSignals();
    if (!m_finished && m_deadline && Clock::now() >= *m_deadline) OnDeadline();
  }
  m_socket.Remove();
  m_record.Save();
  ReportToStarter("failed the supervisor stopped\n");
  _exit(0);
}

void ServiceSupervisor::Prepare() {
  sigset_t handled;
  sigemptyset(&handled);
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&handled, signalNumber);
  sigprocmask(SIG_BLOCK, &handled, nullptr);
  m_signals = signalfd(-1, &handled, SFD_CLOEXEC | SFD_NONBLOCK);
  if (m_signals < 0 || !m_socket.Open(m_files.notifySocket)) {
    Fail("resources", std::string("cannot make the notify socket: ") + std::strerror(errno));
  }
  m_messages = open(m_files.messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (!m_options.user.empty()) {
    const std::optional<ServiceUser> user = FindServiceUser(m_options.user);
    if (!user) Fail("spawn-failed", "no user " + m_options.user);
    m_user = *user;
  }
  if (!m_options.runtimeDirectory.empty()) {
    const std::string folder = WideToLocale(MachineRoot()) + "/run/" + m_options.runtimeDirectory;
    if (!MakeRuntimeDirectory(folder, m_user.uid, m_user.gid)) {
      Fail("resources", "cannot make " + folder + ": " + std::strerror(errno));
    }
  }
}

void ServiceSupervisor::StartService() {
  const int lastCapability = LastCapability();
  ChildProcess::StartOptions start;
  start.searchPath = true;
  start.environment = {"NOTIFY_SOCKET=" + m_files.notifySocket};
  start.outputFile = m_files.output;
  start.setUp = [this, lastCapability](std::string& failure) {
    return SetUpService(m_options, m_user, lastCapability, failure);
  };
  ChildProcess::StartFailure failure;
  m_service = ChildProcess::Start(m_command.front(), std::vector<std::string>(m_command.begin() + 1, m_command.end()),
                                  start, failure);
  if (!m_service) Fail(failure.childMade ? "spawn-failed" : "resources", failure.reason);
  m_record.Set("pid", std::to_string(ServicePid()));
  m_record.Save();
  SetDeadline(m_options.startTimeoutSeconds);
}

void ServiceSupervisor::Fail(const std::string& result, const std::string& reason) {
  m_socket.Remove();
  SetState(ServiceState::kFailed);
  m_record.Set("result", result);
  m_record.Save();
  ReportToStarter("failed " + reason + "\n");
  _exit(1);
}

void ServiceSupervisor::ReportToStarter(const std::string& text) {
  if (m_reported) return;
  m_reported = true;
  WriteAll(m_report, text);
  close(m_report);
}

void ServiceSupervisor::SetState(ServiceState state) {
  m_state = state;
  m_record.SetState(state);
}

void ServiceSupervisor::SetDeadline(int seconds) { m_deadline = Clock::now() + std::chrono::seconds(seconds); }

int ServiceSupervisor::PollTimeoutMs() const {
  if (!m_deadline) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*m_deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(std::min<long long>(left, kLongestPollMs)) : 0;
}

pid_t ServiceSupervisor::ServicePid() const { return static_cast<pid_t>(m_service->ProcessId()); }

void ServiceSupervisor::ReadNotifications() {
  while (const std::optional<NotifySocket::Message> message = m_socket.Receive()) {
    if (!m_options.acceptNotifyFromAnyProcess && message->sender != ServicePid()) continue;
    bool becameReady = false;
    for (const auto& [key, value] : message->assignments) {
      if (m_messages >= 0) WriteAll(m_messages, key + "=" + value + "\n");
      if (Apply(key, value)) becameReady = true;
    }
    m_record.Save();
    // Only once the whole datagram is on record, so the starter sees all of it.
    if (becameReady) ReportToStarter("ready " + std::to_string(ServicePid()) + "\n");
  }
}

bool ServiceSupervisor::Apply(const std::string& key, const std::string& value) {
  if (key == "READY" && value == "1" && m_state == ServiceState::kStarting) {
    SetState(ServiceState::kRunning);
    m_deadline.reset();
    m_everReady = true;
    return true;
  }
  if (key == "STOPPING" && value == "1" && m_state != ServiceState::kStopping) {
    SetState(ServiceState::kStopping);
    SetDeadline(m_options.stopTimeoutSeconds);
  } else if (key == "STATUS") {
    m_record.Set("status", value);
  } else if (key == "ERRNO") {
    m_record.Set("errno", value);
  } else if (key == "EXTEND_TIMEOUT_USEC" && m_deadline && !m_killSent) {
    const long long microseconds = std::strtoll(value.c_str(), nullptr, 10);
    const auto extended = Clock::now() + std::chrono::microseconds(microseconds > 0 ? microseconds : 0);
    if (extended > *m_deadline) m_deadline = extended;
  }
  return false;
}

void ServiceSupervisor::HandleSignals() {
  signalfd_siginfo information{};
  while (read(m_signals, &information, sizeof(information)) == static_cast<ssize_t>(sizeof(information))) {
    if (information.ssi_signo != SIGCHLD) OnStopRequest();
  }
  // Between runs there is no service process, and its old pid may be another's by now.
  if (m_restartPending || m_finished) return;
  // Looked at without reaping first, so that what the service sent just before it ended
  // is read while its pid still names it.
  const pid_t pid = ServicePid();
  siginfo_t exited{};
  if (waitid(P_PID, pid, &exited, WEXITED | WNOHANG | WNOWAIT) != 0 || exited.si_pid != pid) return;
  ReadNotifications();
  m_service->Wait();
  RecordEnd(m_service->WaitStatus());
  RestartOrFinish();
}

void ServiceSupervisor::OnStopRequest() {
  m_stopRequested = true;
  if (!m_restartPending) {
    BeginStop(nullptr);
    return;
  }
  // The restart is called off; the last run's failure stands.
  m_restartPending = false;
  m_deadline.reset();
  SetState(ServiceState::kFailed);
  m_finished = true;
}

void ServiceSupervisor::RecordEnd(int waitStatus) {
  if (WIFEXITED(waitStatus)) {
    if (m_record.Get("result").empty()) m_record.Set("result", "exited");
    m_record.Set("exit_status", std::to_string(WEXITSTATUS(waitStatus)));
  } else if (WIFSIGNALED(waitStatus)) {
    if (m_record.Get("result") != "timeout") m_record.Set("result", "killed");
    m_record.Set("signal", std::to_string(WTERMSIG(waitStatus)));
  }
  const bool clean = m_record.Get("result") == "exited" && m_record.Get("exit_status") == "0";
  const bool wasStarting = m_state == ServiceState::kStarting;
  SetState(clean ? ServiceState::kStopped : ServiceState::kFailed);
  if (wasStarting) {
    ReportToStarter("failed the service ended before it was ready (" + DescribeEnd(m_record.Recorded()) + ")\n");
  }
}

void ServiceSupervisor::RestartOrFinish() {
  // A start that never got ready is the starter's failure to see, not one to retry.
  if (m_state != ServiceState::kFailed || m_stopRequested || !m_everReady) {
    m_finished = true;
    return;
  }
  m_record.Set("last_failure", DescribeEnd(m_record.Recorded()));
  SetState(ServiceState::kAutoRestart);
  m_record.Save();
  m_restartPending = true;
  m_deadline = Clock::now() + m_options.restartDelay;
}

void ServiceSupervisor::Restart() {
  m_restartPending = false;
  m_deadline.reset();
  if (!m_startLimit.Allow(Clock::now())) {
    SetState(ServiceState::kFailed);
    m_record.Set("result", "start-limit-hit");
    m_finished = true;
    return;
  }
  for (const char* key : kRunKeys) m_record.Erase(key);
  m_record.Set("restarts", std::to_string(++m_restarts));
  m_killSent = false;
  SetState(ServiceState::kStarting);
  StartService();
}

void ServiceSupervisor::BeginStop(const char* result) {
  if (m_state == ServiceState::kStopping || m_killSent) return;
  SetState(ServiceState::kStopping);
  if (result) m_record.Set("result", result);
  m_record.Save();
  kill(ServicePid(), SIGTERM);
  SetDeadline(m_options.stopTimeoutSeconds);
}

void ServiceSupervisor::OnDeadline() {
  if (m_restartPending) {
    Restart();
  } else if (m_state == ServiceState::kStarting) {
    ReportToStarter("failed not ready within " + std::to_string(m_options.startTimeoutSeconds) + " s\n");
    BeginStop("timeout");
  } else if (!m_killSent) {
    m_record.Set("result", "timeout");
    m_record.Save();
    kill(ServicePid(), SIGKILL);
    m_killSent = true;
    m_deadline.reset();
  }
}

}  // namespace platform
