#pragma once
// The link types whose frames are counted, and how a frame of each is read and sized.
// The classification reads every frame with the Ethernet layout (EtherType at byte 12,
// the network header from byte 14), so a link that delivers no Ethernet header has its
// frames read behind a synthetic one.
#include <cstddef>
#include <cstdint>

namespace Velunor::Quillon {

inline constexpr int kLinkTypeEthernet = 1;
// Frames begin with the PPPoE header, of the discovery stage or of a session.
inline constexpr int kLinkTypePPPoE = 51;

struct LinkType {
  int number;  // the capture library's link type
  // Read in front of every frame; none where frames carry their own Ethernet header.
  const std::uint8_t* syntheticHeader;
  std::size_t syntheticHeaderLength;
  // Only PPPoE session frames are classified: the link also carries the discovery
  // stage, whose frames hold no PPP payload.
  bool sessionFramesOnly;

  // A frame counts its length on the wire plus the synthetic header, so it counts what
  // the same frame counts behind an Ethernet header.
  std::uint64_t CountedSize(std::uint32_t wireLength) const {
    return std::uint64_t{wireLength} + syntheticHeaderLength;
  }
};

// A PPPoE link's frames become PPPoE session frames of the Ethernet layout.
inline constexpr std::uint8_t kPPPoESessionHeader[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x88, 0x64};

// Every link type that is captured; an adapter of any other is refused when it opens.
inline constexpr LinkType kLinkTypes[] = {
    {kLinkTypeEthernet, nullptr, 0, false},
    {kLinkTypePPPoE, kPPPoESessionHeader, sizeof kPPPoESessionHeader, true},
};

// The table's entry for a link type; null for one that is not captured.
constexpr const LinkType* FindLinkType(int number) {
  for (const LinkType& type : kLinkTypes) {
    if (type.number == number) return &type;
  }
  return nullptr;
}

}  // namespace Velunor::Quillon
