#pragma once
// File replacement that a crash, a power loss or a concurrent reader never sees half
// done, and the small file calls around it. Paths are Linux paths (bytes).
#include <string>

namespace platform {

// Writes all the bytes through interruptions and short writes. False (errno set) on an
// error.
bool WriteAll(int descriptor, const std::string& bytes);

// Appends the bytes to the file in one write: with O_APPEND they land whole even when
// another process appends to the same file. A file that is not there yet is made (and
// its missing folders) holding startOfNewFile before the bytes. False when nothing could
// be written.
bool AppendToFile(const std::string& path, const std::string& bytes, const std::string& startOfNewFile);

// What the descriptor gives up to its end; for a pipe, until every writer has closed it.
// A read error ends it early.
std::string ReadToEnd(int descriptor);

// Writes bytes to a new temporary file beside path, flushes it to disk, renames it over
// path and flushes the folder. The new file keeps the old one's permissions. On failure
// the old file is untouched, no temporary file is left and error says why.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

// Keeps the file's current bytes under a new name that does not exist yet (a hard link,
// or a copy where links do not work). True also when there is no file to keep.
bool KeepFileAs(const std::string& path, const std::string& newPath, bool& nameTaken, std::string& error);

// Removes the temporary files that ReplaceFileAtomically leaves behind when the process
// dies between creating and renaming them.
void RemoveLeftoverTemporaryFiles(const std::string& path);

}  // namespace platform
