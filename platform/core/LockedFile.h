#pragma once
// Whole-file reads with a size cap, and files that several users rewrite in place in a
// folder that belongs to none of them (so a rename is not possible there).
//
// Writers serialise on a lock file of the file's own beside it (path + kWriterLockSuffix),
// which the installation makes openable only by those who may write the file: whoever
// may only read the file cannot hold up its writers. A writer counts its rewrites in
// the lock file's size (odd while one is under way). Readers take no lock at all; they
// look at the open file and at the count before and after reading, and read again when
// the file changed or was being rewritten.
// Nobody waits longer than kLockWaitMilliseconds, so a lock held or a file changed
// without end by someone else ends in a failure instead of a hang. Paths are Linux paths
// (bytes).
#include <cstddef>
#include <string>

namespace platform {

inline constexpr int kLockWaitMilliseconds = 3000;
inline constexpr char kWriterLockSuffix[] = ".lock";

enum class FileReadResult {
  kWhole,       // bytes hold the whole file, as it was at one moment
  kMissing,     // nothing at the path
  kNotRegular,  // a folder, a pipe, a device; a link where links are refused
  kTooLarge,    // more than the cap; nothing beyond the cap was read or kept
  kFailed,      // cannot be opened or read, or changed while read for the whole bound
};

enum class LinkRule { kFollow, kRefuse };

// Reads the whole regular file, never more than maxBytes: the size is taken from the
// open descriptor, and past it one byte at most is read, to tell a file that grew. No
// buffer is larger than maxBytes, however the file grows meanwhile. A read during which
// the file changed (its size, modification or change time moved, or it ended before its
// size), or while a writer rewrote it (the lock file's count was odd or moved), is not
// taken: the file is read
// again, for up to kLockWaitMilliseconds. error says why for every result but kWhole.
FileReadResult ReadWholeFileAtMost(const std::string& path, std::size_t maxBytes, LinkRule links, std::string& bytes,
                                   std::string& error);

// Replaces the content of the existing regular file under an exclusive lock on its lock
// file: the whole text from the start, the file cut to its length, flushed to disk. The
// file keeps its owner, group and permissions. False (error set) when the file is
// missing, not a regular file (a link is not followed), not writable, its lock file is
// missing, not a regular file or not ours to open, the lock was not granted in time or
// the disk has no room for the text; the file is then untouched. Only a write error
// after that (an I/O error) can leave it damaged.
bool RewriteFileInPlace(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace platform
