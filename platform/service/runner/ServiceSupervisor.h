#pragma once
// The process that stands beside one service from its start to its end, as a service
// manager would: it makes the notify socket, starts the service as its user, follows
// what the service reports and the stop requests it gets, starts it again after a
// failure (ServiceRunner.h says when), keeps the state file current, and tells the
// starter once the service is ready or could not get there.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/ChildProcess.h"
#include "platform/service/runner/NotifySocket.h"
#include "platform/service/runner/ServiceStartOptions.h"
#include "platform/service/runner/ServiceUser.h"
#include "platform/service/runner/StartLimit.h"
#include "platform/service/runner/StateFile.h"

namespace platform {

class ServiceSupervisor {
 public:
  // The service's files in the runner's state folder.
  struct Files {
    std::string state;
    std::string notifySocket;
    std::string messages;
    std::string output;
  };

  // report is the pipe to the starter; it gets "ready <pid>" or "failed <reason>", one
  // line, and is closed.
  ServiceSupervisor(Files files, std::vector<std::string> command, ServiceStartOptions options, int report);

  // In the supervisor's own process, with signals not yet blocked: runs the service to
  // its end, records it and ends the process.
  [[noreturn]] void Run();

 private:
  using Clock = std::chrono::steady_clock;

  void Prepare();
  // Starts the service (a failure ends the supervisor), records its pid and gives it the
  // start timeout to be ready.
  void StartService();
  [[noreturn]] void Fail(const std::string& result, const std::string& reason);
  void ReportToStarter(const std::string& text);
  void SetState(ServiceState state);
  void SetDeadline(int seconds);
  int PollTimeoutMs() const;
  pid_t ServicePid() const;

  void ReadNotifications();
  // True when the assignment made the service ready.
  bool Apply(const std::string& key, const std::string& value);
  void HandleSignals();
  void OnStopRequest();
  void RecordEnd(int waitStatus);
  // After an end: waits for the restart when the end calls for one, else finishes.
  void RestartOrFinish();
  void Restart();
  void BeginStop(const char* result);
  void OnDeadline();

  Files m_files;
  std::vector<std::string> m_command;
  ServiceStartOptions m_options;
  int m_report;
  bool m_reported = false;
  StateFile m_record;
  ServiceState m_state = ServiceState::kStarting;
  NotifySocket m_socket;
  int m_signals = -1;
  int m_messages = -1;
  ServiceUser m_user;
  std::optional<ChildProcess> m_service;
  // While starting, stopping and waiting for a restart; a service that runs has none.
  std::optional<Clock::time_point> m_deadline;
  bool m_killSent = false;
  bool m_stopRequested = false;
  bool m_everReady = false;
  bool m_restartPending = false;
  bool m_finished = false;
  int m_restarts = 0;
  StartLimit m_startLimit;
};

}  // namespace platform
