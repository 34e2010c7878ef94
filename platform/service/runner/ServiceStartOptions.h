#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace platform {

// What the unit file's User=, AmbientCapabilities=, RuntimeDirectory=, LimitNICE= and
// RestartSec= give a service under systemd.
struct ServiceStartOptions {
  int startTimeoutSeconds = 90;
  int stopTimeoutSeconds = 90;
  std::chrono::milliseconds restartDelay{5000};
  bool acceptNotifyFromAnyProcess = false;  // else only from the started process
  // Runs the service as this user, with its groups, no new privileges and, of all the
  // capabilities, only those listed (bounding, permitted, effective and ambient set).
  // Empty: as the runner's own user.
  std::string user;
  std::vector<int> capabilities;
  // A folder <CORVANE_ROOT>/run/<name>, mode 0755, the service user's.
  std::string runtimeDirectory;
  // The lowest nice value the service may take (RLIMIT_NICE); none when unset.
  bool limitNice = false;
  int niceLimit = 0;
};

}  // namespace platform
