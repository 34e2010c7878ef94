// A service for the runner's tests, on the real dispatcher. Its first argument says how
// it behaves:
//   ready <code>              starts, runs until stopped, stops with exit code <code>
//   exit <status>             ends at once, before any report
//   never-ready               reports starting and then nothing
//   slow-start <ms> <hint ms> reports starting with the hint, is ready after <ms>
//   stray-ready               a child process claims readiness first; then as "ready 0"
//   ends <how> <runs> <count> notes "start <ms>" in the file runs; the first count runs
//                             are ready and then end by themselves, after noting
//                             "end <ms>": how is an exit status or "segv"; later runs
//                             as "ready 0" (ms: the steady clock)
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/service/ManualResetEvent.h"
#include "platform/service/ServiceDispatcher.h"
#include "tests/platform_service/ServiceStatusOf.h"

namespace {

using namespace platform;

std::string g_mode;
int g_exitCode = 0;
int g_delayMs = 0;
std::uint32_t g_waitHintMs = 0;
ManualResetEvent g_stop;

std::string g_endHow;  // empty: this run ends only when stopped
std::string g_runsFile;

void NoteRun(const char* what) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  std::FILE* runs = std::fopen(g_runsFile.c_str(), "a");
  if (!runs) return;
  std::fprintf(runs, "%s %lld\n", what,
               static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
  std::fclose(runs);
}

int RunsNoted() {
  std::FILE* runs = std::fopen(g_runsFile.c_str(), "r");
  if (!runs) return 0;
  int starts = 0;
  char line[64];
  while (std::fgets(line, sizeof(line), runs)) starts += std::strncmp(line, "start ", 6) == 0;
  std::fclose(runs);
  return starts;
}

[[noreturn]] void EndByItself() {
  NoteRun("end");
  if (g_endHow == "segv") {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
  }
  _exit(std::atoi(g_endHow.c_str()));
}

std::uint32_t Handler(std::uint32_t control, std::uint32_t, void*, void*) {
  if (control == kServiceControlStop) g_stop.Set();
  return 0;
}

using corvane_test::StatusOf;

void Main(std::uint32_t, wchar_t**) {
  ServiceStatusHandle handle = RegisterServiceControlHandler(L"Test", Handler, nullptr);
  ReportServiceStatus(handle, StatusOf(kServiceStartPending, g_waitHintMs));
  if (g_mode == "never-ready") {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
  ReportServiceStatus(handle, StatusOf(kServiceRunning));
  if (!g_endHow.empty()) EndByItself();
  std::printf("service output\n");
  std::fflush(stdout);
  g_stop.Wait();
  ReportServiceStatus(handle, StatusOf(kServiceStopPending, 5000));
  ReportServiceStatus(handle, StatusOf(kServiceStopped, 0, static_cast<std::uint32_t>(g_exitCode)));
}

void ClaimReadinessFromAnotherProcess() {
  const pid_t child = fork();
  if (child == 0) {
    const char* path = std::getenv("NOTIFY_SOCKET");
    const int descriptor = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path ? path : "", sizeof(address.sun_path) - 1);
    const char text[] = "STATUS=from-child\nREADY=1";
    sendto(descriptor, text, sizeof(text) - 1, 0, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    _exit(0);
  }
  waitpid(child, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  g_mode = argc > 1 ? argv[1] : "";
  if (g_mode == "exit") return argc > 2 ? std::atoi(argv[2]) : 0;
  if (g_mode == "ready" && argc > 2) g_exitCode = std::atoi(argv[2]);
  if (g_mode == "slow-start" && argc > 3) {
    g_delayMs = std::atoi(argv[2]);
    g_waitHintMs = static_cast<std::uint32_t>(std::atoi(argv[3]));
  }
  if (g_mode == "ends" && argc > 4) {
    g_runsFile = argv[3];
    NoteRun("start");
    if (RunsNoted() <= std::atoi(argv[4])) g_endHow = argv[2];
  }
  if (g_mode == "stray-ready") {
    ClaimReadinessFromAnotherProcess();
    g_delayMs = 300;
  }
  const ServiceTableEntry table[] = {{L"Test", Main}, {nullptr, nullptr}};
  if (!RunServiceDispatcher(table)) return 1;
  EndServiceProcess(ServiceProcessExitStatus());
}
