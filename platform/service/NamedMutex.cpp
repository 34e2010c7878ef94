#include "platform/service/NamedMutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

bool MakeDirectories(const std::string& path, mode_t mode) {
  std::string partial;
  std::size_t position = 0;
  while (position != std::string::npos) {
    position = path.find('/', position + 1);
    partial = path.substr(0, position);
    if (partial.empty()) continue;
    struct stat status {};
    if (stat(partial.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
    if (mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// A per-user folder under /tmp must be a real folder of ours that nobody else can enter.
bool IsPrivateFolder(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return false;
  return S_ISDIR(status.st_mode) && status.st_uid == geteuid() && (status.st_mode & 077) == 0;
}

std::string UserFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/') return std::string(runtime) + "/corvane";
  return "/tmp/corvane-" + std::to_string(geteuid());
}

bool LockByte(int descriptor, short type, off_t byte, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  for (;;) {
    if (fcntl(descriptor, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return true;
    if (errno != EINTR) return false;
  }
}

int OpenLockFile(const std::string& path, mode_t mode, bool& writable) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    writable = true;
    int descriptor = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0 && errno == EACCES) {
      writable = false;
      descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (descriptor >= 0 || errno != ENOENT) return descriptor;
    // Opening an existing file without O_CREAT also works where another user made it in
    // a sticky folder, which O_CREAT would be refused.
    descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (descriptor >= 0) {
      fchmod(descriptor, mode);
      writable = true;
      return descriptor;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EAGAIN;
  return -1;
}

}  // namespace

std::string NamedMutex::LockFilePath(const std::wstring& name) {
  if (StartsWith(name, kGlobalPrefix)) {
    return WideToLocale(MachineRoot()) + "/run/lock/corvane-" + EncodeName(name.substr(kGlobalPrefix.size())) +
           ".lock";
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
  const std::string folder = path.substr(0, path.rfind('/'));
  if (global) {
    if (!MakeDirectories(folder, 0755)) return nullptr;
  } else {
    if (!MakeDirectories(folder, 0700)) return nullptr;
    if (!IsPrivateFolder(folder)) {
      errno = EPERM;
      return nullptr;
    }
  }

  bool writable = true;
  // Everyone may open a machine-wide mutex; a user's own stay the user's.
  const int descriptor = OpenLockFile(path, global ? 0666 : 0600, writable);
  if (descriptor < 0) return nullptr;

  bool created = writable && LockByte(descriptor, F_WRLCK, kPresenceByte, false);
  // Lock conversion is atomic, so no second process can see the mutex as new meanwhile.
  if (!LockByte(descriptor, F_RDLCK, kPresenceByte, !created)) {
    const int error = errno;
    close(descriptor);
    errno = error;
    return nullptr;
  }
  const bool owned = created && initialOwner && LockByte(descriptor, F_WRLCK, kOwnershipByte, false);
  return std::unique_ptr<NamedMutex>(new NamedMutex(descriptor, !created, owned));
}

NamedMutex::~NamedMutex() { close(m_descriptor); }

bool NamedMutex::Release() {
  if (!m_owned) return false;
  LockByte(m_descriptor, F_UNLCK, kOwnershipByte, false);
  m_owned = false;
  return true;
}

}  // namespace platform
