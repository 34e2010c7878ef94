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

#include "platform/core/ChildProcess.h"
#include "platform/core/Clock.h"
#include "tests/TestSandbox.h"
#include "tests/VirtualDisplay.h"

namespace viewer_test {

using corvane_test::ReadLines;
using corvane_test::ReadFile;
using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
using corvane_test::WriteFile;
using corvane_test::FindOnPath;
using corvane_test::kNoXvfb;
using corvane_test::VirtualDisplay;
using corvane_test::WaitFor;
namespace fs = boost::filesystem;

inline void WriteScript(const fs::path& path, const std::string& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
}

// Polls until the condition holds or about timeoutMs have passed.

inline void PinClock(int year, int month, int day, int hour = 10, int minute = 0, int second = 0) {
  platform::Clock::Pin(platform::MakeLocalTime(year, month, day, hour, minute, second));
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


}  // namespace viewer_test
