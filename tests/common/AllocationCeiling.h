#pragma once
// While an object lives, every single allocation of the program (operator new) larger
// than the ceiling fails with std::bad_alloc and is counted: a test sees a reader that
// would hold more in memory than it may, before the machine runs out of memory.
#include <cstddef>

namespace corvane_test {

class AllocationCeiling {
 public:
  explicit AllocationCeiling(std::size_t bytes);
  ~AllocationCeiling();
  AllocationCeiling(const AllocationCeiling&) = delete;
  AllocationCeiling& operator=(const AllocationCeiling&) = delete;

  // Allocations refused so far, and the largest one asked for, refused or not.
  std::size_t Refused() const;
  std::size_t Largest() const;
};

}  // namespace corvane_test
