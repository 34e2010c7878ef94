// The size guard of whole-file reads (platform::ReadWholeFileAtMost), on a real file
// that the input grows, cuts and rewrites while it is read, checked against what the
// read promised: never more than the cap held or read (and one byte to see the end),
// a file within the cap handed on whole and equal to what is on disk, a larger one
// refused. The changes happen just before a chosen read of the file (a pread watch of
// the tests' own).
//
// Input: a header of 7 bytes, then up to 8 changes of 6 bytes, then the body.
//   0..2  cap, little endian, at most 262143 (four pieces of a read)
//   3..5  the file's size at the start: the body repeated (zeros without a body)
//   6     how many changes follow
// A change: the read it comes before (0 the first), what it does, and an argument of 4
// bytes, little endian:
//   0 size to the argument (a hole when larger), 1 the same in 4 KiB units (to 16 TB),
//   2 append argument % 65536 bytes, 3 flip the byte at argument % size,
//   4 rewrite the whole file with another byte, the same size.
// Every change is made as a writer makes it, its lock file's count odd meanwhile and one
// more after: two changes before one read can leave the size as it was, and the file's
// times alone show that only where the kernel's time stamps are fine enough (not on
// every file system a fuzzer runs on).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "platform/core/LockedFile.h"
#include "platform/core/testing/FileReadWatch.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_FUZZ_MALLOC_HOOKS 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace {

using platform::FileReadResult;

// A finding says which promise was broken.
void Check(bool condition, const char* promise) {
  if (condition) return;
  std::fprintf(stderr, "broken: %s\n", promise);
  std::abort();
}

// In shared memory where there is some; a hole costs nothing there either.
const std::string& ScratchFile() {
  static const std::string path = [] {
    const boost::filesystem::path base =
        boost::filesystem::is_directory("/dev/shm") ? "/dev/shm" : boost::filesystem::temp_directory_path();
    static const boost::filesystem::path folder = base / boost::filesystem::unique_path("read-fuzz-%%%%-%%%%");
    boost::filesystem::create_directories(folder);
    std::atexit([] {
      boost::system::error_code ignored;
      boost::filesystem::remove_all(folder, ignored);
    });
    return (folder / "file").string();
  }();
  return path;
}

std::uint32_t Little(const std::uint8_t* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

struct Change {
  int beforeRead;
  int kind;
  std::uint32_t argument;
};

off_t SizeOf(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

std::string LockOf(const std::string& path) { return path + platform::kWriterLockSuffix; }

// Moves the writers' count on by one.
void Count(const std::string& path) {
  const off_t count = SizeOf(LockOf(path));
  if (count >= 0) (void)!::truncate(LockOf(path).c_str(), count + 1);
}

void Apply(const std::string& path, const Change& change) {
  const int file = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (file < 0) return;
  const off_t size = SizeOf(path);
  Count(path);
  switch (change.kind) {
    case 0:
      (void)!::ftruncate(file, static_cast<off_t>(change.argument));
      break;
    case 1:
      (void)!::ftruncate(file, static_cast<off_t>(change.argument) << 12);
      break;
    case 2: {
      const std::string more(change.argument % 65536, static_cast<char>('a' + change.beforeRead % 26));
      (void)!::pwrite(file, more.data(), more.size(), size);
      break;
    }
    case 3:
      if (size > 0) {
        const off_t at = static_cast<off_t>(change.argument % static_cast<std::uint64_t>(size));
        char byte = 0;
        if (::pread(file, &byte, 1, at) == 1) {
          byte = static_cast<char>(byte ^ 0xFF);
          (void)!::pwrite(file, &byte, 1, at);
        }
      }
      break;
    default:
      // A rewrite of a file grown to a hole of terabytes would write terabytes.
      if (size > 0 && size <= (1 << 20)) {
        const std::string bytes(static_cast<std::size_t>(size), static_cast<char>(change.argument));
        (void)!::pwrite(file, bytes.data(), bytes.size(), 0);
      }
      break;
  }
  ::close(file);
  Count(path);
}

#ifdef CORVANE_FUZZ_MALLOC_HOOKS
// The largest block allocated while the read runs.
std::size_t g_largestBlock = 0;
bool g_measuring = false;
void OnMalloc(const volatile void*, std::size_t size) {
  if (g_measuring && size > g_largestBlock) g_largestBlock = size;
}
void OnFree(const volatile void*) {}
const bool g_hooked = __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 7) return 0;
  const std::size_t cap = Little(data, 3) & 0x3FFFF;
  const std::size_t initialSize = Little(data + 3, 3) & 0x3FFFF;
  const std::size_t changeCount = data[6] % 9;
  std::size_t offset = 7;
  std::vector<Change> changes;
  for (std::size_t i = 0; i < changeCount && offset + 6 <= size; ++i, offset += 6) {
    changes.push_back(Change{data[offset] % 16, data[offset + 1] % 5, Little(data + offset + 2, 4)});
  }
  const std::string body(reinterpret_cast<const char*>(data) + offset, size - offset);

  const std::string& path = ScratchFile();
  std::string initial(initialSize, '\0');
  for (std::size_t i = 0; !body.empty() && i < initialSize; ++i) initial[i] = body[i % body.size()];
  ::unlink(path.c_str());
  ::unlink(LockOf(path).c_str());
  {
    const int lock = ::open(LockOf(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (lock < 0) return 0;
    ::close(lock);
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (file < 0) return 0;
    const bool written = ::write(file, initial.data(), initial.size()) == static_cast<ssize_t>(initial.size());
    ::close(file);
    if (!written) return 0;
  }

  std::string bytes;
  std::string error;
  FileReadResult result;
  std::uint64_t furthest = 0;
  {
    platform::testing::FileReadWatch watch(path, [&](int reads) {
#ifdef CORVANE_FUZZ_MALLOC_HOOKS
      // What the changes allocate is not the read's.
      const bool measuring = g_measuring;
      g_measuring = false;
#endif
      for (const Change& change : changes) {
        if (change.beforeRead == reads) Apply(path, change);
      }
#ifdef CORVANE_FUZZ_MALLOC_HOOKS
      g_measuring = measuring;
#endif
    });
#ifdef CORVANE_FUZZ_MALLOC_HOOKS
    g_largestBlock = 0;
    g_measuring = true;
#endif
    result = platform::ReadWholeFileAtMost(path, cap, platform::LinkRule::kRefuse, bytes, error);
#ifdef CORVANE_FUZZ_MALLOC_HOOKS
    g_measuring = false;
    // The buffer of at most the cap, and small blocks (the error text).
    Check(!g_hooked || g_largestBlock <= cap + 4096, "!g_hooked || g_largestBlock <= cap + 4096");
#endif
    furthest = watch.FurthestEnd();
  }

  Check(bytes.size() <= cap, "bytes.size() <= cap");
  Check(furthest <= cap + 1, "furthest <= cap + 1");
  // The changes are done once the read is: the file on disk is what a whole read gives.
  const off_t onDisk = SizeOf(path);
  Check(onDisk >= 0, "onDisk >= 0");
  if (static_cast<std::uint64_t>(onDisk) <= cap) {
    Check(result == FileReadResult::kWhole, "result == FileReadResult::kWhole");
    std::string expected(static_cast<std::size_t>(onDisk), '\0');
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    Check(file >= 0, "file >= 0");
    std::size_t done = 0;
    while (done < expected.size()) {
      const ssize_t got = ::read(file, &expected[done], expected.size() - done);
      Check(got > 0, "got > 0");
      done += static_cast<std::size_t>(got);
    }
    ::close(file);
    Check(bytes == expected, "bytes == expected");
  } else {
    Check(result == FileReadResult::kTooLarge, "result == FileReadResult::kTooLarge");
    Check(bytes.empty(), "bytes.empty()");
  }
  ::unlink(path.c_str());
  ::unlink(LockOf(path).c_str());
  return 0;
}
