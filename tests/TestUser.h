#pragma once
// A system user of the test process's own (no login, no home), as the installation makes
// for the service, removed again when the object goes. The name carries the process id,
// so tests running side by side never share one. Needs root.
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/platform_service/ProgramRun.h"

namespace corvane_test {

class TemporaryUser {
 public:
  explicit TemporaryUser(const std::string& prefix) : name_(prefix + std::to_string(getpid())) {
    // Another process may hold the user database's lock for a moment.
    for (int attempt = 0; attempt < 50 && !Exists(); ++attempt) {
      RunProgram({"/usr/sbin/useradd", "--system", "--user-group", "--no-create-home", "--home-dir", "/nonexistent",
                  "--shell", "/usr/sbin/nologin", name_});
      if (!Exists()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (const passwd* entry = getpwnam(name_.c_str())) {
      uid_ = entry->pw_uid;
      gid_ = entry->pw_gid;
    }
  }
  ~TemporaryUser() {
    for (int attempt = 0; attempt < 50 && Exists(); ++attempt) {
      RunProgram({"/usr/sbin/userdel", name_});
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
