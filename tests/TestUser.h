#pragma once
// A user of the test process's own (no login, no home), removed again when the object
// goes. The name carries the process id, so tests running side by side never share one.
// Needs root.
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform_service/ProgramRun.h"

namespace corvane_test {

class TemporaryUser {
 public:
  enum class Kind {
    System,   // as the installation makes a service's user: system id range
    Desktop,  // a person's account, in the ordinary id range
  };
  // groups: supplementary groups, comma-separated ("" for none).
  explicit TemporaryUser(const std::string& prefix, Kind kind = Kind::System, const std::string& groups = "")
      : name_(prefix + std::to_string(getpid())) {
    std::vector<std::string> add = {"/usr/sbin/useradd", "--user-group", "--no-create-home", "--home-dir",
                                    "/nonexistent", "--shell", "/usr/sbin/nologin"};
    if (kind == Kind::System) add.push_back("--system");
    if (!groups.empty()) add.insert(add.end(), {"--groups", groups});
    add.push_back(name_);
    // A user left by a crashed run of this process id goes first; another process may
    // hold the user database's lock for a moment.
    RunProgram({"/usr/sbin/userdel", "--force", name_});
    for (int attempt = 0; attempt < 50 && !Exists(); ++attempt) {
      RunProgram(add);
      if (!Exists()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (const passwd* entry = getpwnam(name_.c_str())) {
      uid_ = entry->pw_uid;
      gid_ = entry->pw_gid;
    }
  }
  // Forced: a program left running after a failed assertion must not keep the user.
  ~TemporaryUser() {
    for (int attempt = 0; attempt < 50 && Exists(); ++attempt) {
      RunProgram({"/usr/sbin/userdel", "--force", name_});
      if (Exists()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  TemporaryUser(const TemporaryUser&) = delete;
  TemporaryUser& operator=(const TemporaryUser&) = delete;

  bool Exists() const { return getpwnam(name_.c_str()) != nullptr; }
  const std::string& Name() const { return name_; }
  uid_t Uid() const { return uid_; }
  gid_t Gid() const { return gid_; }

 private:
  std::string name_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

}  // namespace corvane_test
