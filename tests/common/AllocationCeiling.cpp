#include "tests/common/AllocationCeiling.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace corvane_test {
namespace {

std::atomic<std::size_t> g_ceiling{0};  // 0: none
std::atomic<std::size_t> g_refused{0};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t bytes) {
  const std::size_t ceiling = g_ceiling.load(std::memory_order_relaxed);
  if (ceiling != 0) {
    std::size_t largest = g_largest.load(std::memory_order_relaxed);
    while (bytes > largest && !g_largest.compare_exchange_weak(largest, bytes)) {
    }
    if (bytes > ceiling) {
      ++g_refused;
      throw std::bad_alloc();
    }
  }
  if (void* memory = std::malloc(bytes == 0 ? 1 : bytes)) return memory;
  throw std::bad_alloc();
}

}  // namespace

AllocationCeiling::AllocationCeiling(std::size_t bytes) {
  g_refused = 0;
  g_largest = 0;
  g_ceiling = bytes;
}

AllocationCeiling::~AllocationCeiling() { g_ceiling = 0; }

std::size_t AllocationCeiling::Refused() const { return g_refused.load(); }
std::size_t AllocationCeiling::Largest() const { return g_largest.load(); }

}  // namespace corvane_test

// The program's operator new and delete, on malloc and free as the library's are; all
// of them, so that nothing the program frees here came from another allocator. (The
// aligned ones stay the library's, with their own delete.)
void* operator new(std::size_t bytes) { return corvane_test::Allocate(bytes); }
void* operator new[](std::size_t bytes) { return corvane_test::Allocate(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  try {
    return corvane_test::Allocate(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept { return operator new(bytes, tag); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
