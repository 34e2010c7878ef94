#pragma once
// A status report of a stoppable service of its own process, as the test services send.
#include <cstdint>

#include "platform/service/ServiceDispatcher.h"

namespace corvane_test {

inline platform::ServiceStatus StatusOf(std::uint32_t state, std::uint32_t waitHint = 0, std::uint32_t exitCode = 0,
                                        std::uint32_t specificCode = 0) {
  platform::ServiceStatus status;
  status.serviceType = platform::kServiceWin32OwnProcess;
  status.controlsAccepted = platform::kServiceAcceptStop;
  status.currentState = state;
  status.waitHint = waitHint;
  status.win32ExitCode = exitCode;
  status.serviceSpecificExitCode = specificCode;
  return status;
}

}  // namespace corvane_test
