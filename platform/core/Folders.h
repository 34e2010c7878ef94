#pragma once
// Making folders.
#include <sys/types.h>

#include <string>

namespace platform {

// Makes every missing folder of the path with the mode (less the process's mask); a
// folder that exists is left as it is. False with errno set.
bool MakeDirectories(const std::string& path, mode_t mode);

}  // namespace platform
