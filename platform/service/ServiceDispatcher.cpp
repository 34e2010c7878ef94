#include "platform/service/ServiceDispatcher.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "platform/core/DebugOutput.h"

namespace platform {

struct ServiceRegistration {};

namespace {

constexpr int kSendTimeoutSeconds = 5;
// How long the dispatcher waits, after the stopped report, for the main function to return.
constexpr auto kStoppedGrace = std::chrono::seconds(5);

struct Dispatcher {
  std::mutex lock;  // guards everything below but handlerCall
  bool running = false;
  int socket = -1;
  int wake = -1;
  ServiceRegistration registration;
  bool registered = false;
  ServiceControlHandler handler = nullptr;
  void* context = nullptr;
  ServiceStatus status;
  bool stopRequested = false;
  bool stoppingSent = false;
  bool stoppedReported = false;
  bool serviceMainReturned = false;
  int exitStatus = 0;
  // Held while the handler runs, so unregistering waits for a call in progress.
  std::mutex handlerCall;
};

Dispatcher& TheDispatcher() {
  static Dispatcher* dispatcher = new Dispatcher;  // service threads may outlive statics
  return *dispatcher;
}

// With the dispatcher's lock held, so the descriptor cannot be closed meanwhile.
void Wake(Dispatcher& dispatcher) {
  if (dispatcher.wake < 0) return;
  const std::uint64_t one = 1;
  const ssize_t ignored = write(dispatcher.wake, &one, sizeof(one));
  (void)ignored;
}

// Connects a datagram socket to the manager's notify socket: a path, or "@name" in the
// abstract namespace.
int ConnectToManager() {
  const char* address = std::getenv("NOTIFY_SOCKET");
  if (!address || (address[0] != '/' && address[0] != '@') || address[1] == '\0') {
    errno = ENOTCONN;
    return -1;
  }
  sockaddr_un peer{};
  peer.sun_family = AF_UNIX;
  const std::size_t length = std::strlen(address);
  if (length >= sizeof(peer.sun_path)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(peer.sun_path, address, length);
  if (address[0] == '@') peer.sun_path[0] = '\0';
  const int descriptor = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return -1;
  timeval timeout{kSendTimeoutSeconds, 0};
  setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
  const socklen_t peerLength = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  if (connect(descriptor, reinterpret_cast<const sockaddr*>(&peer), peerLength) != 0) {
    const int error = errno;
    close(descriptor);
    errno = error;
    return -1;
  }
  return descriptor;
}

int ExitStatusFor(std::uint32_t exitCode) {
  if (exitCode == 0) return 0;
  return exitCode <= 255 ? static_cast<int>(exitCode) : 1;
}

std::string WaitHintLine(std::uint32_t waitHint) {
  if (waitHint == 0) return std::string();
  return "\nEXTEND_TIMEOUT_USEC=" + std::to_string(static_cast<std::uint64_t>(waitHint) * 1000);
}

// With the dispatcher's lock held.
bool ComposeReport(Dispatcher& dispatcher, const ServiceStatus& status, std::string& text) {
  switch (status.currentState) {
    case kServiceStartPending: text = "STATUS=Starting" + WaitHintLine(status.waitHint); return true;
    case kServiceRunning: text = "READY=1\nSTATUS=Running"; return true;
    case kServiceStopPending: text = "STOPPING=1\nSTATUS=Stopping" + WaitHintLine(status.waitHint); return true;
    case kServicePausePending: text = "STATUS=Pausing" + WaitHintLine(status.waitHint); return true;
    case kServiceContinuePending: text = "STATUS=Continuing" + WaitHintLine(status.waitHint); return true;
    case kServicePaused: text = "STATUS=Paused"; return true;
    case kServiceStopped: {
      const std::uint32_t code = status.win32ExitCode == kServiceSpecificErrorExitCode
                                     ? status.serviceSpecificExitCode
                                     : status.win32ExitCode;
      text = dispatcher.stoppingSent ? "" : "STOPPING=1\n";
      text += code == 0 ? "STATUS=Stopped" : "STATUS=Stopped with exit code " + std::to_string(code) +
                                                 "\nERRNO=" + std::to_string(code);
      return true;
    }
    default: return false;
  }
}

bool SendToManager(int socket, const std::string& text) {
  for (;;) {
    if (send(socket, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) return true;
    if (errno != EINTR) return false;
  }
}

// Hands a waiting stop to the handler when the service can take it.
void DeliverStopWhenPossible(Dispatcher& dispatcher) {
  ServiceControlHandler handler = nullptr;
  void* context = nullptr;
  {
    std::lock_guard<std::mutex> guard(dispatcher.lock);
    if (!dispatcher.stopRequested || !dispatcher.registered) return;
    const std::uint32_t state = dispatcher.status.currentState;
    if (state == kServiceStopped) {
      dispatcher.stopRequested = false;
      return;
    }
    if (state == kServiceStartPending || state == kServiceStopPending || state == 0) return;
    if ((dispatcher.status.controlsAccepted & kServiceAcceptStop) == 0) return;
    dispatcher.stopRequested = false;
    handler = dispatcher.handler;
    context = dispatcher.context;
  }
  std::lock_guard<std::mutex> call(dispatcher.handlerCall);
  {
    // Unregistered while we waited for the call lock.
    std::lock_guard<std::mutex> guard(dispatcher.lock);
    if (!dispatcher.registered) return;
  }
  handler(kServiceControlStop, 0, nullptr, context);
}

void DrainDescriptor(int descriptor, std::size_t recordSize) {
  char buffer[256];
  while (read(descriptor, buffer, recordSize <= sizeof(buffer) ? recordSize : sizeof(buffer)) > 0) {
  }
}

}  // namespace

bool RunServiceDispatcher(const ServiceTableEntry* table) {
  if (!table || !table[0].serviceName || !table[0].serviceMain) {
    errno = EINVAL;
    return false;
  }
  Dispatcher& dispatcher = TheDispatcher();
  {
    std::lock_guard<std::mutex> guard(dispatcher.lock);
    if (dispatcher.running) {
      errno = EALREADY;
      return false;
    }
  }
  const int socket = ConnectToManager();
  if (socket < 0) return false;

  sigset_t stopSignals, previousMask;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, &previousMask);
  const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (signals < 0 || wake < 0) {
    const int error = errno;
    if (signals >= 0) close(signals);
    if (wake >= 0) close(wake);
    close(socket);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    errno = error;
    return false;
  }

  {
    std::lock_guard<std::mutex> guard(dispatcher.lock);
    dispatcher.running = true;
    dispatcher.socket = socket;
    dispatcher.wake = wake;
    dispatcher.registered = false;
    dispatcher.handler = nullptr;
    dispatcher.context = nullptr;
    dispatcher.status = ServiceStatus();
    dispatcher.stopRequested = false;
    dispatcher.stoppingSent = false;
    dispatcher.stoppedReported = false;
    dispatcher.serviceMainReturned = false;
    dispatcher.exitStatus = 0;
  }

  // The thread inherits the blocked SIGTERM, and so does every thread it starts.
  std::wstring name = table[0].serviceName;
  const ServiceMainFunction serviceMain = table[0].serviceMain;
  std::thread serviceThread([&dispatcher, name, serviceMain]() mutable {
    wchar_t* arguments[] = {name.data(), nullptr};
    serviceMain(1, arguments);
    std::lock_guard<std::mutex> guard(dispatcher.lock);
    dispatcher.serviceMainReturned = true;
    Wake(dispatcher);
  });

  std::chrono::steady_clock::time_point stoppedAt{};
  bool serviceMainReturned = false;
  for (;;) {
    bool stopped = false;
    {
      std::lock_guard<std::mutex> guard(dispatcher.lock);
      stopped = dispatcher.stoppedReported;
      serviceMainReturned = dispatcher.serviceMainReturned;
    }
    if (stopped && serviceMainReturned) break;
    if (!stopped && serviceMainReturned) {
      // The main function gave up without a final report; the manager must not go on
      // taking the service for running.
      platform::OutputDebugString(L"The service's main function returned without reporting stopped");
      std::lock_guard<std::mutex> guard(dispatcher.lock);
      std::string text = dispatcher.stoppingSent ? "" : "STOPPING=1\n";
      text += "STATUS=Stopped without a final report\nERRNO=" + std::to_string(EPROTO);
      SendToManager(socket, text);
      dispatcher.exitStatus = 1;
      dispatcher.registered = false;
      break;
    }
    int timeoutMs = -1;
    if (stopped) {
      const auto now = std::chrono::steady_clock::now();
      if (stoppedAt == std::chrono::steady_clock::time_point{}) stoppedAt = now;
      if (now - stoppedAt >= kStoppedGrace) break;
      timeoutMs = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(kStoppedGrace - (now - stoppedAt)).count() + 1);
    }
    pollfd waits[2] = {{signals, POLLIN, 0}, {wake, POLLIN, 0}};
    if (poll(waits, 2, timeoutMs) < 0 && errno != EINTR) break;
    if (waits[0].revents & POLLIN) {
      DrainDescriptor(signals, sizeof(signalfd_siginfo));
      std::lock_guard<std::mutex> guard(dispatcher.lock);
      dispatcher.stopRequested = true;
    }
    if (waits[1].revents & POLLIN) DrainDescriptor(wake, sizeof(std::uint64_t));
    DeliverStopWhenPossible(dispatcher);
  }

  {
    std::lock_guard<std::mutex> call(dispatcher.handlerCall);
    std::lock_guard<std::mutex> guard(dispatcher.lock);
    dispatcher.running = false;
    dispatcher.registered = false;
    dispatcher.socket = -1;
    dispatcher.wake = -1;
  }
  if (serviceMainReturned) {
    serviceThread.join();
  } else {
    serviceThread.detach();
  }
  close(socket);
  close(wake);
  // A stop that came after the service had stopped must not end the caller now.
  DrainDescriptor(signals, sizeof(signalfd_siginfo));
  close(signals);
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  return true;
}

ServiceStatusHandle RegisterServiceControlHandler(const wchar_t*, ServiceControlHandler handler, void* context) {
  Dispatcher& dispatcher = TheDispatcher();
  std::lock_guard<std::mutex> guard(dispatcher.lock);
  if (!dispatcher.running) {
    errno = ENOTCONN;
    return nullptr;
  }
  if (!handler) {
    errno = EINVAL;
    return nullptr;
  }
  dispatcher.handler = handler;
  dispatcher.context = context;
  dispatcher.registered = true;
  Wake(dispatcher);
  return &dispatcher.registration;
}

void UnregisterServiceControlHandler(ServiceStatusHandle handle) {
  Dispatcher& dispatcher = TheDispatcher();
  if (handle != &dispatcher.registration) return;
  std::lock_guard<std::mutex> call(dispatcher.handlerCall);
  std::lock_guard<std::mutex> guard(dispatcher.lock);
  dispatcher.registered = false;
}

bool ReportServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status) {
  Dispatcher& dispatcher = TheDispatcher();
  std::unique_lock<std::mutex> guard(dispatcher.lock);
  if (!dispatcher.running || handle != &dispatcher.registration || !handle) {
    errno = EBADF;
    return false;
  }
  std::string text;
  if (!ComposeReport(dispatcher, status, text)) {
    errno = EINVAL;
    return false;
  }
  dispatcher.status = status;
  if (status.currentState == kServiceStopPending || status.currentState == kServiceStopped) {
    dispatcher.stoppingSent = true;
  }
  if (status.currentState == kServiceStopped) {
    dispatcher.stoppedReported = true;
    const std::uint32_t code = status.win32ExitCode == kServiceSpecificErrorExitCode
                                   ? status.serviceSpecificExitCode
                                   : status.win32ExitCode;
    dispatcher.exitStatus = ExitStatusFor(code);
  }
  const bool sent = SendToManager(dispatcher.socket, text);
  const int error = errno;
  Wake(dispatcher);
  guard.unlock();
  errno = error;
  return sent;
}

int ServiceProcessExitStatus() {
  Dispatcher& dispatcher = TheDispatcher();
  std::lock_guard<std::mutex> guard(dispatcher.lock);
  return dispatcher.exitStatus;
}

void EndServiceProcess(int exitStatus) {
  std::cout.flush();
  std::wcout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  _exit(exitStatus);
}

}  // namespace platform
