#pragma once
// Files that several users rewrite in place, in a folder that belongs to none of them
// (so a rename is not possible): a writer holds an exclusive lock while it writes, and a
// reader a shared lock while it reads, so nobody sees a file half written. Locks are
// whole-file flock locks; nobody waits for one longer than kLockWaitMilliseconds, so a
// lock held by someone else (another user, a stuck program) ends in a failure instead of
// a hang. Paths are Linux paths (bytes).
#include <string>

namespace platform {

inline constexpr int kLockWaitMilliseconds = 3000;

// Reads the whole regular file under a shared lock. False when it cannot be read: errno
// ENOENT for a missing file, EWOULDBLOCK when the lock was not granted in time; error
// says why.
bool ReadWholeFileShared(const std::string& path, std::string& bytes, std::string& error);

// Replaces the content of the existing regular file under an exclusive lock: the whole
// text from the start, the file cut to its length, flushed to disk. The file keeps its
// owner, group and permissions. False (error set) when the file is missing, not a
// regular file (a link is not followed), not writable, the lock was not granted in time
// or the disk has no room for the text; the file is then untouched. Only a write error
// after that (an I/O error) can leave it damaged.
bool RewriteFileInPlace(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace platform
