#include "platform/service/runner/Directories.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/Folders.h"

namespace platform {

bool MakeRuntimeDirectory(const std::string& path, uid_t uid, gid_t gid) {
  // Owner and mode are set on the folder opened, never on whatever a link points to.
  const int folder = MakeAndOpenFolder(path, 0755);
  if (folder < 0) return false;
  const bool made = fchown(folder, uid, gid) == 0 && fchmod(folder, 0755) == 0;
  const int error = errno;
  close(folder);
  errno = error;
  return made;
}

}  // namespace platform
