#pragma once
// Test-only: code of the test's own run just before each read (pread) of one file, to
// change the file between a reader's look at it and its read, or between two pieces of
// a read. The code under test has no hook for it: programs that link
// platform_core_testing have pread wrapped at link time.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace platform::testing {

// One watch at a time; threads that may read the file end before the watch goes.
class FileReadWatch {
 public:
  // beforeRead gets how many reads of the file came before this one. Reads that it
  // makes itself are not watched.
  FileReadWatch(const std::string& path, std::function<void(int reads)> beforeRead);
  ~FileReadWatch();
  FileReadWatch(const FileReadWatch&) = delete;
  FileReadWatch& operator=(const FileReadWatch&) = delete;

  // Reads of the file so far.
  int Reads() const;
  // The furthest byte of the file that a read returned (its offset + 1), 0 for none.
  std::uint64_t FurthestEnd() const;

 private:
  dev_t m_device = 0;
  ino_t m_inode = 0;
};

}  // namespace platform::testing
