#pragma once
// Bytes counted in each class: sent from the adapter's address, received for it, and
// counted traffic of neither direction (unknown).
#include <cstdint>

namespace Velunor::Quillon {

struct TrafficCounts {
  std::uint64_t sent = 0;
  std::uint64_t received = 0;
  std::uint64_t unknown = 0;

  std::uint64_t Total() const { return sent + received + unknown; }

  TrafficCounts& operator+=(const TrafficCounts& other) {
    sent += other.sent;
    received += other.received;
    unknown += other.unknown;
    return *this;
  }
  bool operator==(const TrafficCounts& other) const {
    return sent == other.sent && received == other.received && unknown == other.unknown;
  }
  bool operator!=(const TrafficCounts& other) const { return !(*this == other); }
};

}  // namespace Velunor::Quillon
