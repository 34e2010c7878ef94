#pragma once
// The folders the runner makes: its state folder and a service's runtime folder.
#include <sys/types.h>

#include <string>

namespace platform {

// Makes every missing folder of the path, 0755. False with errno set.
bool MakeDirectories(const std::string& path);

// <root>/run/<name> for a service: a real folder (not a link), 0755, the user's.
bool MakeRuntimeDirectory(const std::string& path, uid_t uid, gid_t gid);

}  // namespace platform
