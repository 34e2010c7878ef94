#include "platform/core/Folders.h"

#include <sys/stat.h>

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

}  // namespace platform
