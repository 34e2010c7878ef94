#include "platform/core/Folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool MakeDirectories(const std::string& path, mode_t mode) {
  std::size_t position = 0;
  while (position != std::string::npos) {
    position = path.find('/', position + 1);
    const std::string partial = path.substr(0, position);
    if (partial.empty()) continue;
    struct stat status {};
    if (stat(partial.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
    if (mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  return true;
}

int MakeAndOpenFolderAt(int parent, const std::string& name, mode_t mode) {
  if (mkdirat(parent, name.c_str(), mode) != 0 && errno != EEXIST) return -1;
  return openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int MakeAndOpenFolder(const std::string& path, mode_t mode) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash + 1 == path.size()) {
    errno = EINVAL;
    return -1;
  }
  const std::string parentPath = slash == 0 ? "/" : path.substr(0, slash);
  if (!MakeDirectories(parentPath, mode)) return -1;
  const int parent = open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return -1;
  const int folder = MakeAndOpenFolderAt(parent, path.substr(slash + 1), mode);
  const int error = errno;
  close(parent);
  errno = error;
  return folder;
}

bool IsOwnFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.empty() ? "." : path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         status.st_uid == ::geteuid();
}

}  // namespace platform
