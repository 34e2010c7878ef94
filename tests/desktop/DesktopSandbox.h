#pragma once
// An installation as packaging/install.sh leaves it, in the test's sandbox: the programs
// and a config.ini in the installation folder, the data folder owned by the service's
// user (nobody stands in) with the shipped file modes, and desktop users made for the
// test, each with a home and a runtime folder of its own.
#include <grp.h>
#include <signal.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/core/ChildProcess.h"
#include "tests/TestSandbox.h"
#include "tests/TestUser.h"
#include "tests/VirtualDisplay.h"

namespace desktop_test {

namespace fs = boost::filesystem;
using corvane_test::ReadFile;
using corvane_test::WriteFile;

inline constexpr uid_t kServiceUser = 65534;  // stands in for the service's own user

using TestUser = corvane_test::TemporaryUser;

// The sandbox as the install leaves it.
class Installation : public corvane_test::Sandbox {
 public:
  Installation() {
    MakeFolder(ProgramFolder());
    MakeFolder(DataFolder());
    // The data folder is the service's: others write only files the install opened to them.
    if (::chown(DataFolder().c_str(), kServiceUser, kServiceUser) != 0) ready_ = false;
  }
  bool Ready() const { return ready_; }
  const fs::path& ProgramFolder() const { return InstallFolder(); }

  void AddProgram(const std::string& built, const std::string& name) const {
    fs::copy_file(built, ProgramFolder() / name, fs::copy_options::overwrite_existing);
    ::chmod((ProgramFolder() / name).c_str(), 0755);
  }
  void AddProgramFile(const std::string& name, const std::string& bytes) const {
    WriteFile(ProgramFolder() / name, bytes);
    ::chmod((ProgramFolder() / name).c_str(), 0644);
  }
  // A data file with the owner, group and mode the install gives it.
  void AddDataFile(const std::string& name, const std::string& bytes, gid_t group, mode_t mode) const {
    WriteFile(DataFolder() / name, bytes);
    if (::chown((DataFolder() / name).c_str(), 0, group) != 0) return;
    ::chmod((DataFolder() / name).c_str(), mode);
  }
  // The lock file beside a data file that several users write, with the owner, group
  // and mode the install gives it: only those who may write the file can open it.
  void AddWriterLock(const std::string& name, gid_t group, mode_t mode) const {
    AddDataFile(name + ".lock", "", group, mode);
  }
  // The user's own folders: home (with nothing in it yet) and runtime folder.
  fs::path HomeOf(const TestUser& user) const {
    const fs::path home = Root() / ("home-" + user.Name());
    if (!fs::exists(home)) {
      fs::create_directories(home);
      ::chmod(home.c_str(), 0700);
      if (::chown(home.c_str(), user.Uid(), user.Gid()) != 0) return fs::path();
    }
    return home;
  }
  // Starts a program of the installation as the user, with that user's own folders
  // (the XDG base folders unset, so the folders below HOME count).
  std::optional<platform::ChildProcess> StartAs(const TestUser& user, const std::string& program) const {
    const fs::path home = HomeOf(user);
    const fs::path runtime = Root() / ("run-" + user.Name());
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    if (::chown(runtime.c_str(), user.Uid(), user.Gid()) != 0) return std::nullopt;
    return platform::ChildProcess::Start(
        "/bin/sh", {"-c", "exec setpriv --reuid=" + user.Name() + " --regid=" + std::to_string(user.Gid()) +
                              " --init-groups env -u XDG_STATE_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME" +
                              " -u XDG_CACHE_HOME HOME=" + home.string() + " XDG_RUNTIME_DIR=" + runtime.string() +
                              " CORVANE_ROOT=" + Root().string() + " \"" + (ProgramFolder() / program).string() +
                              "\" >/dev/null 2>&1"});
  }

 private:
  bool ready_ = true;
};

inline gid_t GroupId(const char* name) {
  const group* entry = ::getgrnam(name);
  return entry != nullptr ? entry->gr_gid : static_cast<gid_t>(-1);
}

inline void Stop(std::optional<platform::ChildProcess>& program) {
  if (program && !program->HasEnded()) {
    ::kill(static_cast<pid_t>(program->ProcessId()), SIGTERM);
    if (!program->Wait(5000)) ::kill(static_cast<pid_t>(program->ProcessId()), SIGKILL);
    program->Wait(5000);
  }
}

}  // namespace desktop_test
