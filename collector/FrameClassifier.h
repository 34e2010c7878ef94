#pragma once
// Classifies the captured frames of one adapter: reads each with the layout of its link
// type, applies the address rules (local, multicast, excluded, then sent, received or
// unknown) and adds the counted size to a TrafficCounts; writes the per-frame trace lines.
#include <pcap/pcap.h>

#include <cstdint>

#include "collector/FrameView.h"
#include "collector/IpFilterHeader.h"
#include "collector/LinkType.h"
#include "collector/NicInfo.h"
#include "collector/TrafficCounts.h"

namespace Velunor::Quillon {

// Per-frame log gates of the capture threads: LogLevel above 4 and above 5.
bool IsTraceLogEnabled();
bool IsFullTraceLogEnabled();

class FrameClassifier {
 public:
  // Frames are read as Ethernet until SetLinkType says otherwise. The trace gates are
  // read here, once: reading the settings for every frame would cost more than
  // classifying it.
  FrameClassifier(CNicInfo nic, const IpFilterHeader& filter);

  void SetLinkType(const LinkType& linkType) { m_linkType = &linkType; }
  const CNicInfo& GetNic() const { return m_nic; }

  // Classifies one captured frame and adds what it counts to counts. The frame's length
  // on the wire (header.len) is what counts; nothing beyond header.caplen is ever read.
  void DispatchFrame(const pcap_pkthdr& header, const std::uint8_t* data, TrafficCounts& counts) const;

 private:
  // Classification of one frame kind each; the view starts at the Ethernet header.
  // Sizes are 64-bit here, so adding the synthetic header of a link never wraps.
  void CountIPv4(const FrameView& frame, std::uint64_t size, TrafficCounts& counts) const;
  void CountIPv6(const FrameView& frame, std::uint64_t size, TrafficCounts& counts) const;
  void CountPPPoE(const FrameView& frame, std::uint64_t size, TrafficCounts& counts) const;

  // The address rules, inline: the library is built position-independent, where GCC
  // inlines no function of external linkage, and these run for every frame.
  static inline int IsLocalIPv4(std::uint32_t source, std::uint32_t destination);
  static inline int IsMulticastIPv4(std::uint32_t source, std::uint32_t destination);
  static inline int IsLocalIPv6(const IpFilterHeader::IPv6Address& source,
                                const IpFilterHeader::IPv6Address& destination);
  static inline int IsMulticastIPv6(const IpFilterHeader::IPv6Address& source,
                                    const IpFilterHeader::IPv6Address& destination);
  inline int IsSentIPv4(std::uint32_t source) const;
  inline int IsReceivedIPv4(std::uint32_t destination) const;
  inline int IsSentIPv6(const IpFilterHeader::IPv6Address& source) const;
  inline int IsReceivedIPv6(const IpFilterHeader::IPv6Address& destination) const;
  inline int IsOwnIPv6(const IpFilterHeader::IPv6Address& address) const;

  void DebugLog(int kind, const wchar_t* label, std::uint32_t source, std::uint32_t destination,
                std::uint64_t size, int pppoe) const;
  void DebugLog(int kind, const wchar_t* label, const IpFilterHeader::IPv6Address& source,
                const IpFilterHeader::IPv6Address& destination, std::uint64_t size, int pppoe) const;
  inline bool IsDebugLineEnabled(int kind) const;

  CNicInfo m_nic;
  IpFilterHeader m_filter;
  // How the frames are read and sized.
  const LinkType* m_linkType = FindLinkType(kLinkTypeEthernet);
  bool m_traceLog;
  bool m_fullTraceLog;
};

}  // namespace Velunor::Quillon
