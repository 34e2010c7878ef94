#pragma once
// A lock on a file held by a process of another user (nobody) for the lifetime of the
// object, as a stuck or hostile program of another desktop user would hold it. Needs
// root; Held() says whether the lock was taken (not when nobody may open the file).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace corvane_test {

class OtherUserLock {
 public:
  static constexpr uid_t kNobody = 65534;

  explicit OtherUserLock(const std::string& path, int operation = LOCK_EX) {
    int ready[2];
    if (::geteuid() != 0 || ::pipe(ready) != 0) return;
    if (::pipe(release_) != 0) return;
    child_ = ::fork();
    if (child_ == 0) {
      ::close(release_[1]);
      // Any user who may read the file can lock it.
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) _exit(2);
      const int file = ::open(path.c_str(), O_RDONLY);
      if (file < 0 || ::flock(file, operation) != 0) _exit(3);
      char byte = 1;
      if (::write(ready[1], &byte, 1) != 1) _exit(4);
      while (::read(release_[0], &byte, 1) < 0) {
      }
      _exit(0);
    }
    ::close(ready[1]);
    ::close(release_[0]);
    char byte = 0;
    held_ = child_ > 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
  }
  ~OtherUserLock() {
    if (child_ <= 0) return;
    ::close(release_[1]);
    int status = 0;
    ::waitpid(child_, &status, 0);
  }
  OtherUserLock(const OtherUserLock&) = delete;
  OtherUserLock& operator=(const OtherUserLock&) = delete;

  bool Held() const { return held_; }

 private:
  pid_t child_ = -1;
  int release_[2] = {-1, -1};
  bool held_ = false;
};

}  // namespace corvane_test
