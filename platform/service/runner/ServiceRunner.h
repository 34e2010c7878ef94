#pragma once
// A small service manager for machines where systemd does not run the system
// (containers, build machines): it starts a program with a notify socket of its own,
// waits for READY=1, keeps a supervisor process beside it that records what the program
// reports, stops it with SIGTERM and records how it ended. A service that has been ready
// and then ends with a failure status or by a signal, without a stop asked for, is
// started again after the restart delay, as Restart=on-failure does, unless that start
// would be more than StartLimitBurst=5 within StartLimitIntervalSec=10s: it then stays
// failed. A start that fails before the service was ready is the starter's to see and is
// not retried.
//
// Everything the runner knows about a service lives in <CORVANE_ROOT>/run/corvane-service-runner/
// (root's; a service's own runtime folder is another, see StartOptions):
//   <name>.state     key=value lines: state (starting, running, stopping, stopped,
//                    failed, auto-restart), pid, supervisor, status, errno, result,
//                    exit_status, signal, restarts, last_failure
//   <name>.notify    the notify socket while the service runs
//   <name>.messages  every notify line the service sent, in order
//   <name>.output    the service's standard output and error
#include <map>
#include <string>
#include <vector>

#include "platform/service/runner/ServiceStartOptions.h"

namespace platform {

class ServiceRunner {
 public:
  // What the unit file gives a service under systemd (ServiceStartOptions.h).
  using StartOptions = ServiceStartOptions;

  // Exit codes of the commands.
  static constexpr int kSuccess = 0;
  static constexpr int kFailed = 1;
  static constexpr int kUsage = 2;
  static constexpr int kNotRunning = 3;
  static constexpr int kUnknownService = 4;

  ServiceRunner();  // state folder below CORVANE_ROOT
  explicit ServiceRunner(std::string stateFolder);

  // Letters, digits and ".", "_", "-", "@", at most 64, not starting with a dot.
  static bool IsValidName(const std::string& name);

  // Returns once the service is ready (kSuccess), or has failed to get there (kFailed).
  int Start(const std::string& name, const std::vector<std::string>& command, const StartOptions& options);
  // Sends the stop and waits for the end; kSuccess when the service ended with status 0.
  // A stop that may not be sent fails at once with the system's error.
  int Stop(const std::string& name);
  // Prints the state and the restarts; kSuccess while it runs, kNotRunning after and
  // while it waits for a restart, kUnknownService when the name has never run.
  int Status(const std::string& name);

  // The recorded state of a service; empty when there is none.
  std::map<std::string, std::string> ReadState(const std::string& name) const;

 private:
  std::string PathOf(const std::string& name, const char* suffix) const;

  std::string m_stateFolder;
};

}  // namespace platform
