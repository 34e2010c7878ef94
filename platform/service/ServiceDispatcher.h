#pragma once
// The service side of a service manager, on the systemd notify protocol: the service
// reports its states as datagrams on $NOTIFY_SOCKET and is asked to stop with SIGTERM.
//
//   reported state        datagram
//   start pending         STATUS=Starting, EXTEND_TIMEOUT_USEC=<wait hint> (hint > 0)
//   running               READY=1, STATUS=Running
//   stop pending          STOPPING=1, STATUS=Stopping, EXTEND_TIMEOUT_USEC=<wait hint>
//   stopped               STOPPING=1 (unless sent already), STATUS=Stopped..., and
//                         ERRNO=<exit code> when the exit code is not 0
//
// SIGTERM becomes the stop control for the registered handler, on the dispatcher's
// thread. A stop that comes while the service cannot take it (before its handler is
// registered, while it is starting, or while it does not accept stop) waits until it
// can, since the manager sends it only once.
#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kServiceWin32OwnProcess = 0x00000010;

inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;
inline constexpr std::uint32_t kServiceContinuePending = 5;
inline constexpr std::uint32_t kServicePausePending = 6;
inline constexpr std::uint32_t kServicePaused = 7;

inline constexpr std::uint32_t kServiceControlStop = 1;
inline constexpr std::uint32_t kServiceControlPause = 2;
inline constexpr std::uint32_t kServiceControlContinue = 3;
inline constexpr std::uint32_t kServiceControlInterrogate = 4;
inline constexpr std::uint32_t kServiceControlShutdown = 5;
inline constexpr std::uint32_t kServiceControlSessionChange = 14;

inline constexpr std::uint32_t kServiceAcceptStop = 0x00000001;
inline constexpr std::uint32_t kServiceAcceptPauseContinue = 0x00000002;
inline constexpr std::uint32_t kServiceAcceptShutdown = 0x00000004;
inline constexpr std::uint32_t kServiceAcceptSessionChange = 0x00000080;

// A stopped report with this exit code carries its real code in serviceSpecificExitCode.
inline constexpr std::uint32_t kServiceSpecificErrorExitCode = 1066;

struct ServiceStatus {
  std::uint32_t serviceType = 0;
  std::uint32_t currentState = 0;
  std::uint32_t controlsAccepted = 0;
  std::uint32_t win32ExitCode = 0;
  std::uint32_t serviceSpecificExitCode = 0;
  std::uint32_t checkPoint = 0;
  std::uint32_t waitHint = 0;  // milliseconds
};

using ServiceMainFunction = void (*)(std::uint32_t argumentCount, wchar_t** arguments);
using ServiceControlHandler = std::uint32_t (*)(std::uint32_t control, std::uint32_t eventType, void* eventData,
                                                void* context);

struct ServiceTableEntry {
  const wchar_t* serviceName;
  ServiceMainFunction serviceMain;
};

struct ServiceRegistration;
using ServiceStatusHandle = ServiceRegistration*;

// Runs the first service of the table (this process holds one service) on a thread of
// its own, with the service name as its only argument, and serves the manager on the
// calling thread until the service has reported stopped and its main function has
// returned. Call it before any other thread is started, so SIGTERM reaches no thread
// that does not expect it. False at once, with nothing run, when the process was not
// started by a service manager (no usable NOTIFY_SOCKET).
bool RunServiceDispatcher(const ServiceTableEntry* table);

// From the service's main function: the handler gets every control from now on. Null
// outside a running dispatcher.
ServiceStatusHandle RegisterServiceControlHandler(const wchar_t* serviceName, ServiceControlHandler handler,
                                                  void* context);
// No control reaches the handler after this returns; a call in progress is waited for.
void UnregisterServiceControlHandler(ServiceStatusHandle handle);
// Sends the status to the manager. False (errno set) for an unknown handle or state, or
// when the manager cannot be reached; the service's state is taken as reported anyway.
bool ReportServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status);

// The process exit status that the last run of the dispatcher ended with: 0 after a
// stopped report with exit code 0, the exit code when it fits 1..255, else 1; 1 when the
// service's main function returned without reporting stopped.
int ServiceProcessExitStatus();

// Flushes the standard streams and ends the process without running static destructors,
// which threads of a service that did not stop in order may still be using.
[[noreturn]] void EndServiceProcess(int exitStatus);

}  // namespace platform
