#pragma once
// Making folders, and whose they are.
#include <sys/types.h>

#include <string>

namespace platform {

// Makes every missing folder of the path with the mode (less the process's mask); a
// folder that exists is left as it is. False with errno set.
bool MakeDirectories(const std::string& path, mode_t mode);

// Opens the folder name inside the open folder parent, making it with the mode (less the
// mask) when it is missing. A link in its place is not followed, so a check made on the
// descriptor is a check of the folder that is then used. The descriptor (close-on-exec),
// or -1 with errno set: ENOTDIR for a link or a file in its place.
int MakeAndOpenFolderAt(int parent, const std::string& name, mode_t mode);
// The same for a path, whose missing parents are made as MakeDirectories makes them.
int MakeAndOpenFolder(const std::string& path, mode_t mode);

// True when the folder at the path (the working folder for an empty one) belongs to the
// process's effective user, who can then replace files in it by a rename.
bool IsOwnFolder(const std::string& path);

}  // namespace platform
