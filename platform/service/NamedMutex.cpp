#include "platform/service/NamedMutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/core/Folders.h"
#include "platform/core/SpecialFolders.h"
#include "platform/core/TextCodec.h"

namespace platform {
namespace {

const std::wstring kGlobalPrefix = L"Global\\";
const std::wstring kLocalPrefix = L"Local\\";
constexpr std::size_t kLongestEncodedName = 200;

// Byte 0 is held shared by every open handle, so a process that can lock it exclusively
// knows nobody else has the mutex open. Byte 1 is the ownership.
constexpr off_t kPresenceByte = 0;
constexpr off_t kOwnershipByte = 1;

std::string EncodeName(const std::wstring& name) {
  const std::string bytes = WideToUtf8(name);
  std::string encoded;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char ch = static_cast<unsigned char>(bytes[i]);
    const bool plain = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                       ch == '_' || ch == '-' || (ch == '.' && i > 0);
    if (plain) {
      encoded += static_cast<char>(ch);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof(escape), "%%%02X", ch);
      encoded += escape;
    }
  }
  if (encoded.size() > kLongestEncodedName) {
    // Keep file names within the file system's limit; the hash keeps long names apart.
    std::uint64_t hash = 1469598103934665603ULL;
    for (unsigned char ch : bytes) hash = (hash ^ ch) * 1099511628211ULL;
    char suffix[24];
    std::snprintf(suffix, sizeof(suffix), "~%016llx", static_cast<unsigned long long>(hash));
    encoded = encoded.substr(0, kLongestEncodedName - 17) + suffix;
  }
  return encoded;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// How long a mutex may be seen held exclusively (another process creating it right now)
// before it simply counts as existing.
constexpr int kPresenceAttempts = 20;
constexpr useconds_t kPresenceRetryMicroseconds = 1000;

// Whether nobody but root and this process's user can have put a file into the folder:
// a real folder (not a link) owned by one of them that others cannot write. A user's
// own folder must also be closed to others' reading.
bool IsTrustedFolder(const struct stat& status, bool machineWide) {
  if (!S_ISDIR(status.st_mode)) return false;
  if (machineWide) return (status.st_uid == 0 || status.st_uid == geteuid()) && (status.st_mode & 022) == 0;
  return status.st_uid == geteuid() && (status.st_mode & 077) == 0;
}

bool IsTrustedFolder(const std::string& path, bool machineWide) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && IsTrustedFolder(status, machineWide);
}

std::string UserFolder() {
  // The runtime folder is the user's own only while it is closed to others; a folder
  // another user can write would let that user take the name first.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && IsTrustedFolder(runtime, false)) return std::string(runtime) + "/corvane";
  return "/tmp/corvane-" + std::to_string(geteuid());
}

bool LockByte(int descriptor, short type, off_t byte) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  for (;;) {
    if (fcntl(descriptor, F_OFD_SETLK, &lock) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// The lock file inside the folder, opened without following links; the folder is
// checked on its open descriptor, so it cannot be swapped between check and use.
int OpenLockFile(const std::string& folder, const std::string& file, bool machineWide) {
  const int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (directory < 0) return -1;
  struct stat status {};
  if (fstat(directory, &status) != 0 || !IsTrustedFolder(status, machineWide)) {
    close(directory);
    errno = EPERM;
    return -1;
  }
  const int descriptor = openat(directory, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int error = errno;
  close(directory);
  if (descriptor < 0) {
    errno = error;
    return -1;
  }
  // Only root or the folder's owner can have made it; it must still be a plain file that
  // no other user can open.
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      (status.st_uid != 0 && status.st_uid != geteuid()) || (status.st_mode & 077) != 0) {
    close(descriptor);
    errno = EPERM;
    return -1;
  }
  return descriptor;
}

}  // namespace

std::string NamedMutex::LockFilePath(const std::wstring& name) {
  if (StartsWith(name, kGlobalPrefix)) {
    return WideToLocale(MachineRoot()) + "/run/corvane/" + EncodeName(name.substr(kGlobalPrefix.size())) + ".lock";
  }
  const std::wstring local = StartsWith(name, kLocalPrefix) ? name.substr(kLocalPrefix.size()) : name;
  return UserFolder() + "/" + EncodeName(local) + ".lock";
}

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::wstring& name, bool initialOwner) {
  if (name.empty()) {
    errno = EINVAL;
    return nullptr;
  }
  const bool global = StartsWith(name, kGlobalPrefix);
  const std::string path = LockFilePath(name);
  const std::size_t slash = path.rfind('/');
  const std::string folder = path.substr(0, slash);
  if (!MakeDirectories(folder, global ? 0755 : 0700)) return nullptr;
  const int descriptor = OpenLockFile(folder, path.substr(slash + 1), global);
  if (descriptor < 0) return nullptr;

  // Lock conversion is atomic, so no second process can see the mutex as new meanwhile.
  const bool created = LockByte(descriptor, F_WRLCK, kPresenceByte) && LockByte(descriptor, F_RDLCK, kPresenceByte);
  if (!created) {
    // Held by others. Someone holding it exclusively is creating it this moment, or is
    // stuck or hostile: after a short while it counts as existing all the same.
    for (int attempt = 0; attempt < kPresenceAttempts && !LockByte(descriptor, F_RDLCK, kPresenceByte); ++attempt) {
      usleep(kPresenceRetryMicroseconds);
    }
  }
  const bool owned = created && initialOwner && LockByte(descriptor, F_WRLCK, kOwnershipByte);
  return std::unique_ptr<NamedMutex>(new NamedMutex(descriptor, !created, owned));
}

NamedMutex::~NamedMutex() { close(m_descriptor); }

bool NamedMutex::Release() {
  if (!m_owned) return false;
  LockByte(m_descriptor, F_UNLCK, kOwnershipByte);
  m_owned = false;
  return true;
}

}  // namespace platform
