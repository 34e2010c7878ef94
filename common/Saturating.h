#pragma once
// Byte counts come from a file anyone can edit; sums of them stop at the largest value
// instead of wrapping round to a small one. The collector adds with it, and the viewer and
// the prices sum what it wrote.
#include <cstdint>
#include <limits>

namespace Velunor::Quillon::Common {

inline std::uint64_t AddSaturated(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return sum;
}

}  // namespace Velunor::Quillon::Common
