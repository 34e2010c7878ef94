#include "platform/service/NamedMutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

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

// The lock file's name inside its folder.
std::string FileName(const std::wstring& name) {
  for (const std::wstring* prefix : {&kGlobalPrefix, &kLocalPrefix}) {
    if (StartsWith(name, *prefix)) return EncodeName(name.substr(prefix->size())) + ".lock";
  }
  return EncodeName(name) + ".lock";
}

// How long a mutex may be seen held exclusively (another process creating it right now)
// before it simply counts as existing.
constexpr int kPresenceAttempts = 20;
constexpr useconds_t kPresenceRetryMicroseconds = 1000;

// What a folder must be so that nobody but root and this process's user can have put a
// file into it: a real folder (not a link) owned by one of them that others cannot write.
// A user's own lock folder must also be the user's and closed to others' reading.
enum class FolderRule { kNotWritableByOthers, kUsersAlone };

void AddProblem(std::string& problems, const std::string& problem) {
  problems += (problems.empty() ? "" : ", ") + problem;
}

// Why the folder fails the rule; empty when it passes.
std::string FolderProblems(const struct stat& status, FolderRule rule) {
  if (S_ISLNK(status.st_mode)) return "a link";
  if (!S_ISDIR(status.st_mode)) return "not a folder";
  std::string problems;
  const bool owner = status.st_uid == geteuid() || (rule == FolderRule::kNotWritableByOthers && status.st_uid == 0);
  if (!owner) AddProblem(problems, "belongs to user " + std::to_string(status.st_uid));
  if ((status.st_mode & 022) != 0) {
    AddProblem(problems, "others may write it");
  } else if (rule == FolderRule::kUsersAlone && (status.st_mode & 077) != 0) {
    AddProblem(problems, "others may read it");
  }
  return problems;
}

// Only root or the folder's owner can have made it; it must still be a plain file that
// no other user can open.
std::string LockFileProblems(const struct stat& status) {
  if (!S_ISREG(status.st_mode)) return "not a plain file";
  std::string problems;
  if (status.st_uid != 0 && status.st_uid != geteuid()) {
    AddProblem(problems, "belongs to user " + std::to_string(status.st_uid));
  }
  if ((status.st_mode & 077) != 0) AddProblem(problems, "others may open it");
  return problems;
}

// Why the entry name inside the open folder cannot be opened as what it should be.
std::string DescribeEntry(int folder, const std::string& name, int error, FolderRule rule) {
  struct stat status {};
  if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
    const std::string problems = FolderProblems(status, rule);
    if (!problems.empty()) return problems;
  }
  return std::strerror(error);
}

// Where lock files are made: the folder name inside parent.
struct LockFolder {
  std::string parent;
  std::string name;
  mode_t mode;
  FolderRule rule;
  // The parent, made when missing, must itself be root's or the user's and closed to
  // others' writing, so that nobody can swap the lock folder for another.
  bool checkParent;

  std::string Path() const { return parent + "/" + name; }
};

bool IsTrustedFolder(const std::string& path, FolderRule rule) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && FolderProblems(status, rule).empty();
}

LockFolder MachineFolder() {
  return {WideToLocale(MachineRoot()) + "/run", "corvane", 0755, FolderRule::kNotWritableByOthers, false};
}

LockFolder FirstUserFolder() {
  // The runtime folder is the user's own only while it is closed to others; a folder
  // another user can write would let that user take the name first.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && IsTrustedFolder(runtime, FolderRule::kUsersAlone)) {
    return {runtime, "corvane", 0700, FolderRule::kUsersAlone, false};
  }
  return {"/tmp", "corvane-" + std::to_string(geteuid()), 0700, FolderRule::kUsersAlone, false};
}

// The user's private folder below the home; nothing without a home.
std::optional<LockFolder> PrivateUserFolder() {
  const std::optional<std::wstring> state = GetSpecialFolderPath(kLocalAppDataFolder);
  if (!state) return std::nullopt;
  return LockFolder{WideToLocale(*state), "corvane", 0700, FolderRule::kUsersAlone, true};
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

// Errors of a folder or lock file that failed the rules (or that another user made);
// anything else is a failure of the system, not of the place.
bool IsRefusal(int error) { return error == EPERM || error == EACCES || error == ENOTDIR || error == ELOOP; }

// The lock file inside the folder, made when missing. The folder is opened without
// following a link and checked on its descriptor, so it cannot be swapped between check
// and use. -1 with errno set, and refusal saying what failed the rules.
int OpenLockFile(const LockFolder& where, const std::string& file, std::string& refusal) {
  const int parent = MakeDirectories(where.parent, where.mode)
                         ? open(where.parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                         : -1;
  if (parent < 0) {
    const int error = errno;
    if (IsRefusal(error)) refusal = where.parent + ": " + std::strerror(error);
    errno = error;
    return -1;
  }
  struct stat status {};
  if (where.checkParent && fstat(parent, &status) == 0) {
    const std::string problems = FolderProblems(status, FolderRule::kNotWritableByOthers);
    if (!problems.empty()) {
      close(parent);
      refusal = where.parent + ": " + problems;
      errno = EPERM;
      return -1;
    }
  }
  const int folder = MakeAndOpenFolderAt(parent, where.name, where.mode);
  if (folder < 0) {
    const int error = errno;
    if (IsRefusal(error)) refusal = where.Path() + ": " + DescribeEntry(parent, where.name, error, where.rule);
    close(parent);
    errno = error;
    return -1;
  }
  close(parent);
  std::string problems = fstat(folder, &status) == 0 ? FolderProblems(status, where.rule) : std::strerror(errno);
  if (!problems.empty()) {
    close(folder);
    refusal = where.Path() + ": " + problems;
    errno = EPERM;
    return -1;
  }
  const int descriptor = openat(folder, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int error = errno;
  close(folder);
  if (descriptor < 0) {
    if (IsRefusal(error)) refusal = where.Path() + "/" + file + ": " + (error == ELOOP ? "a link" : std::strerror(error));
    errno = error;
    return -1;
  }
  problems = fstat(descriptor, &status) == 0 ? LockFileProblems(status) : std::strerror(errno);
  if (!problems.empty()) {
    close(descriptor);
    refusal = where.Path() + "/" + file + ": " + problems;
    errno = EPERM;
    return -1;
  }
  return descriptor;
}

// The lock file for a name, in the first of the name's folders that passes the rules.
int OpenLockFileFor(const std::wstring& name, std::vector<std::string>* refused) {
  const bool global = StartsWith(name, kGlobalPrefix);
  const std::string file = FileName(name);
  std::vector<LockFolder> folders{global ? MachineFolder() : FirstUserFolder()};
  if (!global) {
    if (const std::optional<LockFolder> privateFolder = PrivateUserFolder()) folders.push_back(*privateFolder);
  }
  int descriptor = -1;
  for (const LockFolder& folder : folders) {
    std::string refusal;
    descriptor = OpenLockFile(folder, file, refusal);
    const int error = errno;
    if (refused && !refusal.empty()) refused->push_back(refusal);
    errno = error;
    if (descriptor >= 0 || !IsRefusal(error)) break;
  }
  return descriptor;
}

}  // namespace

std::string NamedMutex::LockFilePath(const std::wstring& name) {
  const LockFolder folder = StartsWith(name, kGlobalPrefix) ? MachineFolder() : FirstUserFolder();
  return folder.Path() + "/" + FileName(name);
}

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::wstring& name, bool initialOwner,
                                               std::vector<std::string>* refused) {
  if (name.empty()) {
    errno = EINVAL;
    return nullptr;
  }
  const int descriptor = OpenLockFileFor(name, refused);
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
