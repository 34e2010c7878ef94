#include "platform/core/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "platform/core/Folders.h"
#include "platform/core/LockedFile.h"

namespace platform {
namespace {

constexpr char kTemporaryInfix[] = ".tmp-";

std::string ErrorText(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// Closes a descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
  ~FileDescriptor() {
    if (m_descriptor >= 0) ::close(m_descriptor);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_descriptor; }
  // Closes now and tells whether the close reported an error.
  bool Close() {
    const int descriptor = std::exchange(m_descriptor, -1);
    return descriptor < 0 || ::close(descriptor) == 0;
  }

 private:
  int m_descriptor;
};

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename or link in the folder durable. Filesystems that cannot flush a folder
// keep the change anyway, so failures here are not errors.
void FlushFolder(const std::string& folder) {
  FileDescriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (descriptor.Get() >= 0) ::fsync(descriptor.Get());
}

// Creates a new file (never replacing one) holding the bytes, flushed to disk.
bool WriteNewFile(const std::string& path, const std::string& bytes, int& error) {
  FileDescriptor descriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (descriptor.Get() < 0 || !WriteAll(descriptor.Get(), bytes) || ::fsync(descriptor.Get()) != 0 ||
      !descriptor.Close()) {
    error = errno;
    return false;
  }
  return true;
}

}  // namespace

bool WriteAll(int descriptor, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

std::string ReadToEnd(int descriptor) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
  static std::atomic<unsigned> s_serial{0};
  std::string temporary;
  int created = -1;
  for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
    temporary = path + kTemporaryInfix + std::to_string(::getpid()) + "-" + std::to_string(s_serial++);
    created = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (created < 0 && errno != EEXIST) {
      error = ErrorText("cannot create " + temporary, errno);
      return false;
    }
  }
  if (created < 0) {
    error = "no free temporary name beside " + path;
    return false;
  }
  FileDescriptor descriptor(created);
  // The new file gets the old one's permissions, so readers keep their access.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(descriptor.Get(), old.st_mode & 07777);

  const auto fail = [&](const std::string& what, int code) {
    ::unlink(temporary.c_str());
    error = ErrorText(what, code);
    return false;
  };
  if (!WriteAll(descriptor.Get(), bytes)) return fail("cannot write " + temporary, errno);
  if (::fsync(descriptor.Get()) != 0) return fail("cannot flush " + temporary, errno);
  if (!descriptor.Close()) return fail("cannot close " + temporary, errno);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail("cannot rename " + temporary, errno);
  FlushFolder(FolderOf(path));
  return true;
}

bool KeepFileAs(const std::string& path, const std::string& newPath, bool& nameTaken, std::string& error) {
  nameTaken = false;
  // A hard link keeps the old file's bytes without copying them; a rename over the
  // original then only takes the name away from them.
  if (::link(path.c_str(), newPath.c_str()) == 0) {
    FlushFolder(FolderOf(newPath));
    return true;
  }
  if (errno == EEXIST) {
    nameTaken = true;
    return false;
  }
  if (errno == ENOENT) return true;  // gone meanwhile: nothing to keep
  // A filesystem without hard links: copy instead.
  std::string bytes;
  std::string why;
  if (ReadWholeFileAtMost(path, std::numeric_limits<std::size_t>::max() - 1, LinkRule::kFollow, bytes, why) !=
      FileReadResult::kWhole) {
    error = "cannot read " + path + " to keep it: " + why;
    return false;
  }
  int code = 0;
  if (WriteNewFile(newPath, bytes, code)) {
    FlushFolder(FolderOf(newPath));
    return true;
  }
  nameTaken = code == EEXIST;
  error = ErrorText("cannot keep " + path + " as " + newPath, code);
  return false;
}

void RemoveLeftoverTemporaryFiles(const std::string& path) {
  const std::string folder = FolderOf(path);
  const auto slash = path.find_last_of('/');
  const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + kTemporaryInfix;
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), &::closedir);
  if (!listing) return;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0) ::unlink((folder + "/" + name).c_str());
  }
}

namespace {

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

// The new file, made only when nothing is at the path; -1 with errno EEXIST otherwise.
int CreateNew(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (descriptor < 0 && errno == ENOENT && !ParentOf(path).empty() && MakeDirectories(ParentOf(path), 0777)) {
    descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  }
  return descriptor;
}

bool WriteAndClose(int descriptor, const std::string& bytes) {
  const bool written = WriteAll(descriptor, bytes);
  ::close(descriptor);
  return written;
}

}  // namespace

bool AppendToFile(const std::string& path, const std::string& bytes, const std::string& startOfNewFile) {
  int descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (descriptor < 0 && errno == ENOENT) {
    descriptor = CreateNew(path);
    if (descriptor >= 0) return WriteAndClose(descriptor, startOfNewFile + bytes);
    // Made meanwhile by another process: append to that one.
    descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  }
  return descriptor >= 0 && WriteAndClose(descriptor, bytes);
}

}  // namespace platform
