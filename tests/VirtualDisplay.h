#pragma once
// An X server of the test's own (Xvfb, no window manager) on a free display, for tests
// where another process's window is involved; gone with the object.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/core/ChildProcess.h"
#include "tests/TestSandbox.h"

namespace corvane_test {

namespace fs = boost::filesystem;

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000,
                    const std::function<void()>& between = nullptr) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    if (between) between();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

inline std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    std::string candidate = folders.substr(start, end == std::string::npos ? std::string::npos : end - start) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return std::string();
}

// An X server (Xvfb, no window manager) on a free display, gone with the object; its
// one screen is 1024 x 768 unless the test asks for another size ("1280x1024").
class VirtualDisplay {
 public:
  bool Start(const std::string& screenSize = "1024x768") {
    std::string xvfb = FindOnPath("Xvfb");
    if (xvfb.empty()) return false;
    // Only a server that answers counts. -noreset: a server resets when its last client
    // leaves and refuses connections meanwhile, which a program starting then would hit.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (StartServer(xvfb, screenSize, attempt) && Answers()) return true;
      StopServer();
    }
    return false;
  }
  ~VirtualDisplay() { StopServer(); }
  const std::string& Name() const { return name_; }

 private:
  bool StartServer(const std::string& xvfb, const std::string& screenSize, int attempt) {
    fs::path numberFile = folder_.path() / ("display" + std::to_string(attempt) + ".txt");
    server_ = platform::ChildProcess::Start(
        "/bin/sh", {"-c", "exec \"" + xvfb + "\" -displayfd 3 -noreset -nolisten tcp -screen 0 " + screenSize + "x24 3>\"" +
                              numberFile.string() + "\" 2>/dev/null"});
    if (!server_) return false;
    std::string number;
    bool ready = WaitFor([&] {
      if (!fs::exists(numberFile)) return false;
      number = ReadFile(numberFile);
      return !number.empty() && number.back() == '\n';
    }, 10000);
    if (!ready) return false;
    name_ = ":" + number.substr(0, number.size() - 1);
    return true;
  }
  // xdpyinfo connects as any client would; without it the report has to do.
  bool Answers() {
    std::string probe = FindOnPath("xdpyinfo");
    if (probe.empty()) return true;
    return WaitFor([&] {
      if (server_->Wait(0)) return false;
      std::optional<platform::ChildProcess> check = platform::ChildProcess::Start(
          "/bin/sh", {"-c", "exec \"" + probe + "\" -display " + name_ + " >/dev/null 2>&1"});
      return check && check->Wait(5000) && check->ExitCode() == 0;
    }, 3000) && !server_->HasEnded();
  }
  void StopServer() {
    if (server_ && !server_->HasEnded()) {
      ::kill(static_cast<pid_t>(server_->ProcessId()), SIGTERM);
      server_->Wait(5000);
    }
    server_.reset();
  }

  TempFolder folder_;
  std::optional<platform::ChildProcess> server_;
  std::string name_;
};

inline constexpr char kNoXvfb[] = "Xvfb is not installed or did not start (package xvfb)";

}  // namespace corvane_test
