#pragma once
// What the viewer tests share: a temporary machine root with the data folder, a per-user
// runtime folder for the instance mutex, xdg-open replaced by a recorder on PATH, scripts,
// waiting helpers and an X server of the test's own for cross-process windows.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/ui/ChildProcess.h"
#include "tests/TestSandbox.h"

namespace viewer_test {

using corvane_test::ReadFile;
using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
using corvane_test::WriteFile;
namespace fs = boost::filesystem;

inline void WriteScript(const fs::path& path, const std::string& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
}

// Polls until the condition holds or about timeoutMs have passed.
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

inline std::vector<std::string> ReadLines(const fs::path& path) {
  std::vector<std::string> lines;
  if (!fs::exists(path)) return lines;
  std::string text = ReadFile(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

inline void PinClock(int year, int month, int day, int hour = 10, int minute = 0, int second = 0) {
  platform::LocalTime time;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  platform::Clock::Pin(time);
}

// A machine root of its own: CORVANE_ROOT, the user's runtime folder (instance mutex),
// HOME, and a PATH whose xdg-open only records what it was asked to open.
class Sandbox {
 public:
  Sandbox()
      : root_("CORVANE_ROOT", folder_.str()),
        runtime_("XDG_RUNTIME_DIR", MakeFolder("run/user", 0700)),
        home_("HOME", MakeFolder("home", 0755)),
        path_("PATH", MakeFolder("bin", 0755) + ":" + CurrentPath()) {
    WriteScript(folder_.path() / "bin" / "xdg-open", "printf '%s\\n' \"$*\" >> \"" + OpenedFile().string() + "\"\n");
  }

  const fs::path& Root() const { return folder_.path(); }
  fs::path DataFolder() const { return Root() / "var" / "lib" / "Hoxa" / "Zembrolite"; }
  fs::path InstallFolder() const { return Root() / "opt" / "Hoxa" / "Zembrolite"; }
  fs::path OpenedFile() const { return Root() / "opened.txt"; }
  std::vector<std::string> Opened() const { return ReadLines(OpenedFile()); }

  void WriteData(const std::string& name, const std::string& bytes) const { WriteFile(DataFolder() / name, bytes); }
  void CopyFixture(const std::string& fixture, const std::string& name) const {
    WriteData(name, ReadFile(fs::path(VIEWER_APP_FIXTURES) / fixture));
  }
  // The price files the installation places.
  void InstallDefaultPriceFiles() const {
    for (const char* name : {"lineselect.xml", "lineprice.xml"}) {
      WriteData(name, ReadFile(fs::path(PACKAGING_DEFAULTS) / name));
    }
  }
  void SelectLine(const std::string& name) const {
    WriteData("lineselect.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<lineselect><version>1</version>"
                                "<lineselect name=\"" + name + "\" /></lineselect>\n");
  }

 private:
  static std::string CurrentPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "/usr/bin:/bin";
  }
  std::string MakeFolder(const std::string& relative, int mode) {
    fs::path folder = folder_.path() / relative;
    fs::create_directories(folder);
    ::chmod(folder.c_str(), static_cast<mode_t>(mode));
    return folder.string();
  }

  TempFolder folder_;
  ScopedEnv root_;
  ScopedEnv runtime_;
  ScopedEnv home_;
  ScopedEnv path_;
};

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

// An X server (Xvfb, no window manager) on a free display, gone with the object.
class VirtualDisplay {
 public:
  bool Start() {
    std::string xvfb = FindOnPath("Xvfb");
    if (xvfb.empty()) return false;
    // Only a server that answers counts. -noreset: a server resets when its last client
    // leaves and refuses connections meanwhile, which a program starting then would hit.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (StartServer(xvfb, attempt) && Answers()) return true;
      StopServer();
    }
    return false;
  }
  ~VirtualDisplay() { StopServer(); }
  const std::string& Name() const { return name_; }

 private:
  bool StartServer(const std::string& xvfb, int attempt) {
    fs::path numberFile = folder_.path() / ("display" + std::to_string(attempt) + ".txt");
    server_ = platform::ChildProcess::Start(
        "/bin/sh", {"-c", "exec \"" + xvfb + "\" -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>\"" +
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

}  // namespace viewer_test
