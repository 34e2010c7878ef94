#pragma once
// A service's runtime folder, made by the runner.
#include <sys/types.h>

#include <string>

namespace platform {

// <root>/run/<name> for a service: a real folder (not a link), 0755, the user's.
bool MakeRuntimeDirectory(const std::string& path, uid_t uid, gid_t gid);

}  // namespace platform
