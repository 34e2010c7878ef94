#include "platform/service/runner/Directories.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool MakeDirectories(const std::string& path) {
  std::size_t position = 0;
  while (position != std::string::npos) {
    position = path.find('/', position + 1);
    const std::string partial = path.substr(0, position);
    if (partial.empty()) continue;
    struct stat status {};
    if (stat(partial.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool MakeRuntimeDirectory(const std::string& path, uid_t uid, gid_t gid) {
  if (!MakeDirectories(path.substr(0, path.rfind('/')))) return false;
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return false;
  if (!S_ISDIR(status.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return lchown(path.c_str(), uid, gid) == 0 && chmod(path.c_str(), 0755) == 0;
}

}  // namespace platform
