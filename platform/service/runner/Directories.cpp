#include "platform/service/runner/Directories.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/Folders.h"

namespace platform {

bool MakeRuntimeDirectory(const std::string& path, uid_t uid, gid_t gid) {
  if (!MakeDirectories(path.substr(0, path.rfind('/')), 0755)) return false;
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
