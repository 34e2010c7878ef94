#include "platform/core/LockedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace platform {
namespace {

// Reads go in pieces of this size, so a file being rewritten meanwhile shows as changed
// between two of them.
constexpr std::size_t kReadPiece = 65536;

std::string ErrorText(const std::string& what, int code) { return what + ": " + std::strerror(code); }

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

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// Nothing was written or cut between the two looks at the open file.
bool Unchanged(const struct stat& before, const struct stat& after) {
  return before.st_size == after.st_size && SameTime(before.st_mtim, after.st_mtim) &&
         SameTime(before.st_ctim, after.st_ctim);
}

ssize_t ReadAt(int descriptor, char* buffer, std::size_t count, std::size_t offset) {
  for (;;) {
    const ssize_t got = ::pread(descriptor, buffer, count, static_cast<off_t>(offset));
    if (got >= 0 || errno != EINTR) return got;
  }
}

enum class Attempt { kWhole, kChanged, kTooLarge, kNotRegular, kFailed };

// A writer counts its rewrites in the size of its lock file, as the file's metadata alone
// cannot tell a rewrite under way: a write moves the change time before it copies its
// bytes, and on kernels whose change times move by clock ticks a whole rewrite can fall
// within one tick. The size is odd from before the writer's first change to the cut and
// one more (even) after it, so a reader that sees an odd size, or another size after its
// read than before it, reads again. An odd size older than the bound is a writer that
// died half way, or is stuck past the bound, and holds up no reader. Anyone may look at
// the lock file's size; only writers can change it.
struct RewriteCount {
  long long count = 0;  // 0 without a lock file: nobody can rewrite the file in place
  bool underWayRecently = false;
};

RewriteCount RewritesOf(const std::string& lockPath) {
  struct stat lock {};
  if (::lstat(lockPath.c_str(), &lock) != 0 || !S_ISREG(lock.st_mode)) return {};
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const long long age = (static_cast<long long>(now.tv_sec) - lock.st_ctim.tv_sec) * 1000 +
                        (now.tv_nsec - lock.st_ctim.tv_nsec) / 1000000;
  return {static_cast<long long>(lock.st_size), lock.st_size % 2 == 1 && age >= 0 && age < kLockWaitMilliseconds};
}

// One read of the open file: its size from the descriptor, at most that many bytes and
// one more to see whether it ends there, and a second look to see that nothing changed.
// A rewrite under way at the first look, or one begun or ended before the second, shows
// in the lock file's count; one without the lock shows in the size and times as far as
// the kernel's time stamps tell. A read that slips through all of this (and so hands on
// a mix of two versions) needs a writer who rewrites the file without the lock and the
// count, or one stuck half way for longer than the bound. Only those who may write the
// file can bring that about, and the mix is no more than bytes they could have written
// into the file whole: it gives nobody a power they lack.
Attempt ReadOnce(int descriptor, const std::string& lockPath, std::size_t maxBytes, std::string& bytes,
                 std::string& error) {
  struct stat before {};
  if (::fstat(descriptor, &before) != 0) {
    error = ErrorText("cannot look at the file", errno);
    return Attempt::kFailed;
  }
  if (!S_ISREG(before.st_mode)) return Attempt::kNotRegular;
  if (before.st_size < 0 || static_cast<unsigned long long>(before.st_size) > maxBytes) return Attempt::kTooLarge;
  const RewriteCount rewrites = RewritesOf(lockPath);
  if (rewrites.underWayRecently) return Attempt::kChanged;
  const auto size = static_cast<std::size_t>(before.st_size);
  // A new buffer of exactly this size: one kept from an earlier, smaller look would grow
  // by more than is asked.
  std::string text;
  text.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ReadAt(descriptor, &text[done], std::min(kReadPiece, size - done), done);
    if (got < 0) {
      error = ErrorText("cannot read the file", errno);
      return Attempt::kFailed;
    }
    if (got == 0) return Attempt::kChanged;  // cut while read
    done += static_cast<std::size_t>(got);
  }
  char beyond = 0;
  const ssize_t more = ReadAt(descriptor, &beyond, 1, size);
  if (more < 0) {
    error = ErrorText("cannot read the file", errno);
    return Attempt::kFailed;
  }
  if (more > 0) return size == maxBytes ? Attempt::kTooLarge : Attempt::kChanged;
  struct stat after {};
  if (::fstat(descriptor, &after) != 0) {
    error = ErrorText("cannot look at the file", errno);
    return Attempt::kFailed;
  }
  if (!Unchanged(before, after) || RewritesOf(lockPath).count != rewrites.count) return Attempt::kChanged;
  bytes.swap(text);
  return Attempt::kWhole;
}

}  // namespace

FileReadResult ReadWholeFileAtMost(const std::string& path, std::size_t maxBytes, LinkRule links, std::string& bytes,
                                   std::string& error) {
  bytes.clear();
  const int noFollow = links == LinkRule::kRefuse ? O_NOFOLLOW : 0;
  // Without blocking: a pipe at the path must not hold up the reader.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | noFollow));
  if (file.Get() < 0) {
    const int code = errno;
    error = ErrorText("cannot open " + path, code);
    if (code == ENOENT || code == ENOTDIR) return FileReadResult::kMissing;
    if (code == ELOOP && links == LinkRule::kRefuse) {
      error = path + ": not a regular file";
      return FileReadResult::kNotRegular;
    }
    return FileReadResult::kFailed;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMilliseconds);
  for (;;) {
    std::string why;
    switch (ReadOnce(file.Get(), path + kWriterLockSuffix, maxBytes, bytes, why)) {
      case Attempt::kWhole:
        return FileReadResult::kWhole;
      case Attempt::kTooLarge:
        error = path + ": more than " + std::to_string(maxBytes) + " bytes";
        return FileReadResult::kTooLarge;
      case Attempt::kNotRegular:
        error = path + ": not a regular file";
        return FileReadResult::kNotRegular;
      case Attempt::kFailed:
        error = path + ": " + why;
        return FileReadResult::kFailed;
      case Attempt::kChanged:
        break;
    }
    if (std::chrono::steady_clock::now() >= end) {
      error = path + ": changed or being rewritten while read, for more than " +
              std::to_string(kLockWaitMilliseconds / 1000) + " s";
      return FileReadResult::kFailed;
    }
    // Long enough for a writer to finish a rewrite of a few kilobytes.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool RewriteFileInPlace(const std::string& path, const std::string& bytes, std::string& error) {
  Descriptor file(OpenRegularFile(path, O_WRONLY, error));
  if (file.Get() < 0) return false;
  // The lock file is opened for writing: only those who may write the file can, so
  // nobody else can take its lock.
  const std::string lockPath = path + kWriterLockSuffix;
  Descriptor lock(OpenRegularFile(lockPath, O_WRONLY, error));
  if (lock.Get() < 0 || !LockWithin(lock.Get(), LOCK_EX, lockPath, error)) return false;
  // Readers wait while the count is odd and read again when it moved (see RewritesOf):
  // odd from before the first change to the cut, and on every way out even again before
  // the lock goes.
  struct stat lockStatus {};
  if (::fstat(lock.Get(), &lockStatus) != 0) {
    error = ErrorText("cannot look at " + lockPath, errno);
    return false;
  }
  const off_t underWay = lockStatus.st_size + (lockStatus.st_size % 2 == 0 ? 1 : 2);
  if (::ftruncate(lock.Get(), underWay) != 0) {
    error = ErrorText("cannot count a rewrite in " + lockPath, errno);
    return false;
  }
  class Count {
   public:
    Count(int descriptor, off_t done) : m_descriptor(descriptor), m_done(done) {}
    ~Count() { Finish(); }
    void Finish() {
      const int saved = errno;
      if (m_descriptor >= 0) (void)!::ftruncate(std::exchange(m_descriptor, -1), m_done);
      errno = saved;
    }

   private:
    int m_descriptor;
    off_t m_done;
  } count(lock.Get(), underWay + 1);
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
  // The text is whole for readers now; the flush does not change it.
  count.Finish();
  if (::fsync(file.Get()) != 0) {
    error = ErrorText("cannot flush " + path, errno);
    return false;
  }
  return true;
}

}  // namespace platform
