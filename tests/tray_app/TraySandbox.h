#pragma once
// What the tray program's tests share: the sandbox with the launch log the stand-ins
// beside the test programs write, and an X server with a tray host for the tests that
// need a notification area.
#include <signal.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/ChildProcess.h"
#include "tests/TestSandbox.h"
#include "tests/VirtualDisplay.h"

namespace tray_app_test {

namespace fs = boost::filesystem;
using corvane_test::FindOnPath;
using corvane_test::ReadLines;
using corvane_test::ReadFile;
using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
using corvane_test::VirtualDisplay;
using corvane_test::WaitFor;
using corvane_test::WriteFile;

// The common sandbox and the log that the stand-ins for CorvaneViewer and the
// uninstaller append to.
class TraySandbox : public corvane_test::Sandbox {
 public:
  TraySandbox() : log_("TRAY_TEST_LAUNCH_LOG", LaunchLog().string()) {}

  fs::path LaunchLog() const { return Root() / "launched.txt"; }
  std::vector<std::string> Launched() const { return ReadLines(LaunchLog()); }
  void ClearLaunched() const { fs::remove(LaunchLog()); }
  // Waits until the log holds count lines.
  bool WaitForLaunches(std::size_t count, int timeoutMs = 5000) const {
    return WaitFor([&] { return Launched().size() >= count; }, timeoutMs);
  }

 private:
  ScopedEnv log_;
};

// Debian's trayer docked at the bottom right of the display, as a taskbar's
// notification area sits.
class TrayHost {
 public:
  static constexpr int kWidth = 120;
  static constexpr int kHeight = 24;

  bool Start(const std::string& display) {
    std::string trayer = FindOnPath("trayer");
    if (trayer.empty()) return false;
    process_ = platform::ChildProcess::Start(
        "/bin/sh", {"-c", "DISPLAY=" + display + " exec \"" + trayer + "\" --edge bottom --align right --widthtype pixel --width " +
                              std::to_string(kWidth) + " --heighttype pixel --height " + std::to_string(kHeight) +
                              " --expand false >/dev/null 2>&1"});
    return process_.has_value();
  }
  void Stop() {
    if (process_ && !process_->HasEnded()) {
      ::kill(static_cast<pid_t>(process_->ProcessId()), SIGTERM);
      process_->Wait(5000);
    }
    process_.reset();
  }
  ~TrayHost() { Stop(); }

 private:
  std::optional<platform::ChildProcess> process_;
};

// Icon windows of the program (by its X class name) that a tray host has taken in, as
// xwininfo sees the display's window tree: nested below some other window. -1 when
// xwininfo cannot run.
inline int CountDockedIcons(const std::string& display, const std::string& className) {
  std::string xwininfo = FindOnPath("xwininfo");
  if (xwininfo.empty()) return -1;
  TempFolder folder;
  fs::path output = folder.path() / "tree.txt";
  std::optional<platform::ChildProcess> run = platform::ChildProcess::Start(
      "/bin/sh", {"-c", "exec \"" + xwininfo + "\" -display " + display + " -root -tree >\"" + output.string() + "\" 2>/dev/null"});
  if (!run || !run->Wait(10000) || run->ExitCode() != 0) return -1;
  const std::string marker = "(\"" + className + "\" \"" + className + "\")";
  int count = 0;
  for (const std::string& line : ReadLines(output)) {
    // Children of the root window are indented by five blanks; deeper ones by more.
    if (line.find(marker) != std::string::npos && line.find_first_not_of(' ') > 5) ++count;
  }
  return count;
}

inline constexpr char kNoTrayHost[] = "no tray host: Xvfb or trayer is missing or did not start (packages xvfb, trayer)";

}  // namespace tray_app_test
