#pragma once
// Bytes counted in each class: sent from the adapter's address, received for it, and
// counted traffic of neither direction (unknown).
#include <cstdint>

#include "common/Saturating.h"

namespace Velunor::Quillon {

struct TrafficCounts {
  std::uint64_t sent = 0;
  std::uint64_t received = 0;
  std::uint64_t unknown = 0;

  std::uint64_t Total() const { return sent + received + unknown; }

  // Stops at the largest count, as the summary file's sums do.
  TrafficCounts& operator+=(const TrafficCounts& other) {
    sent = Common::AddSaturated(sent, other.sent);
    received = Common::AddSaturated(received, other.received);
    unknown = Common::AddSaturated(unknown, other.unknown);
    return *this;
  }
  bool operator==(const TrafficCounts& other) const {
    return sent == other.sent && received == other.received && unknown == other.unknown;
  }
  bool operator!=(const TrafficCounts& other) const { return !(*this == other); }
};

}  // namespace Velunor::Quillon
