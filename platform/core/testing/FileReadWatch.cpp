#include "platform/core/testing/FileReadWatch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace platform::testing {
namespace {

struct Watched {
  dev_t device = 0;
  ino_t inode = 0;
  std::function<void(int)> beforeRead;
  std::atomic<int> reads{0};
  std::atomic<std::uint64_t> furthestEnd{0};
};

std::mutex g_watchLock;
Watched* g_watched = nullptr;
thread_local bool t_insideBeforeRead = false;

Watched* WatchOf(int descriptor) {
  std::lock_guard<std::mutex> guard(g_watchLock);
  if (g_watched == nullptr) return nullptr;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) return nullptr;
  return status.st_dev == g_watched->device && status.st_ino == g_watched->inode ? g_watched : nullptr;
}

template <typename Read>
ssize_t Watch(int descriptor, std::uint64_t offset, Read read) {
  Watched* watched = t_insideBeforeRead ? nullptr : WatchOf(descriptor);
  if (watched != nullptr && watched->beforeRead) {
    t_insideBeforeRead = true;
    watched->beforeRead(watched->reads.load());
    t_insideBeforeRead = false;
  }
  const ssize_t got = read();
  if (watched != nullptr) {
    ++watched->reads;
    if (got > 0) {
      const std::uint64_t end = offset + static_cast<std::uint64_t>(got);
      std::uint64_t seen = watched->furthestEnd.load();
      while (end > seen && !watched->furthestEnd.compare_exchange_weak(seen, end)) {
      }
    }
  }
  return got;
}

}  // namespace

FileReadWatch::FileReadWatch(const std::string& path, std::function<void(int)> beforeRead) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    m_device = status.st_dev;
    m_inode = status.st_ino;
  }
  auto* watched = new Watched;
  watched->device = m_device;
  watched->inode = m_inode;
  watched->beforeRead = std::move(beforeRead);
  std::lock_guard<std::mutex> guard(g_watchLock);
  delete g_watched;
  g_watched = watched;
}

FileReadWatch::~FileReadWatch() {
  std::lock_guard<std::mutex> guard(g_watchLock);
  delete g_watched;
  g_watched = nullptr;
}

int FileReadWatch::Reads() const {
  std::lock_guard<std::mutex> guard(g_watchLock);
  return g_watched != nullptr ? g_watched->reads.load() : 0;
}

std::uint64_t FileReadWatch::FurthestEnd() const {
  std::lock_guard<std::mutex> guard(g_watchLock);
  return g_watched != nullptr ? g_watched->furthestEnd.load() : 0;
}

}  // namespace platform::testing

// The linker sends the program's calls of pread here (-Wl,--wrap=pread); __real_pread
// is the C library's.
extern "C" ssize_t __real_pread(int descriptor, void* buffer, size_t count, off_t offset);
extern "C" ssize_t __real_pread64(int descriptor, void* buffer, size_t count, off64_t offset);

extern "C" ssize_t __wrap_pread(int descriptor, void* buffer, size_t count, off_t offset) {
  return platform::testing::Watch(descriptor, static_cast<std::uint64_t>(offset),
                                  [&] { return __real_pread(descriptor, buffer, count, offset); });
}

extern "C" ssize_t __wrap_pread64(int descriptor, void* buffer, size_t count, off64_t offset) {
  return platform::testing::Watch(descriptor, static_cast<std::uint64_t>(offset),
                                  [&] { return __real_pread64(descriptor, buffer, count, offset); });
}
