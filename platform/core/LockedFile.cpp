#include "platform/core/LockedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace platform {
namespace {

std::string ErrorText(const std::string& what, int code) { return what + ": " + std::strerror(code); }

// Opens a regular file without following a link and without blocking on a pipe.
int OpenRegularFile(const std::string& path, int mode, std::string& error) {
  const int descriptor = ::open(path.c_str(), mode | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (descriptor < 0) {
    error = ErrorText("cannot open " + path, errno);
    return -1;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    error = path + ": not a regular file";
    errno = EINVAL;
    return -1;
  }
  return descriptor;
}

// flock gives no timeout of its own: try again until the bound has passed.
bool LockWithin(int descriptor, int operation, const std::string& path, std::string& error) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMilliseconds);
  while (::flock(descriptor, operation | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= end) {
      const int code = errno;
      error = code == EWOULDBLOCK ? path + ": locked by another process for more than " +
                                        std::to_string(kLockWaitMilliseconds / 1000) + " s"
                                  : ErrorText("cannot lock " + path, code);
      errno = code;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Closes the descriptor (and so releases its lock) on every way out, keeping errno.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
  ~Descriptor() {
    const int saved = errno;
    if (m_descriptor >= 0) ::close(m_descriptor);
    errno = saved;
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return m_descriptor; }

 private:
  int m_descriptor;
};

}  // namespace

bool ReadWholeFileShared(const std::string& path, std::string& bytes, std::string& error) {
  Descriptor file(OpenRegularFile(path, O_RDONLY, error));
  if (file.Get() < 0 || !LockWithin(file.Get(), LOCK_SH, path, error)) return false;
  bytes.clear();
  char chunk[65536];
  for (;;) {
    const ssize_t count = ::read(file.Get(), chunk, sizeof chunk);
    if (count == 0) return true;
    if (count < 0) {
      if (errno == EINTR) continue;
      error = ErrorText("cannot read " + path, errno);
      return false;
    }
    bytes.append(chunk, static_cast<std::size_t>(count));
  }
}

bool RewriteFileInPlace(const std::string& path, const std::string& bytes, std::string& error) {
  Descriptor file(OpenRegularFile(path, O_WRONLY, error));
  if (file.Get() < 0 || !LockWithin(file.Get(), LOCK_EX, path, error)) return false;
  // Room for the whole text first, so a full disk fails before a byte has changed.
  const int reserved = ::posix_fallocate(file.Get(), 0, static_cast<off_t>(bytes.size()));
  if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
    error = ErrorText("no room to rewrite " + path, reserved);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written =
        ::pwrite(file.Get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (written < 0) {
      if (errno == EINTR) continue;
      error = ErrorText("cannot write " + path, errno);
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  if (::ftruncate(file.Get(), static_cast<off_t>(bytes.size())) != 0) {
    error = ErrorText("cannot cut " + path + " to its length", errno);
    return false;
  }
  if (::fsync(file.Get()) != 0) {
    error = ErrorText("cannot flush " + path, errno);
    return false;
  }
  return true;
}

}  // namespace platform
