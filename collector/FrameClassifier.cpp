#include "collector/FrameClassifier.h"

#include <arpa/inet.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "collector/AddressText.h"
#include "common/ConfigSettings.h"
#include "common/LogMessage.h"

namespace Velunor::Quillon {

namespace {

using IPv6Address = IpFilterHeader::IPv6Address;

constexpr std::uint16_t kEtherTypeIPv4 = 0x0800;
constexpr std::uint16_t kEtherTypeIPv6 = 0x86DD;
constexpr std::uint16_t kEtherTypePPPoESession = 0x8864;
constexpr std::uint16_t kPPPProtocolIPv4 = 0x0021;
constexpr std::uint16_t kPPPProtocolIPv6 = 0x0057;

// Offsets from the start of an Ethernet frame.
constexpr std::size_t kEtherTypeOffset = 12;
constexpr std::size_t kIPv4SourceOffset = 26;
constexpr std::size_t kIPv4DestinationOffset = 30;
constexpr std::size_t kIPv6SourceOffset = 22;
constexpr std::size_t kIPv6DestinationOffset = 38;
constexpr std::size_t kPPPProtocolOffset = 20;
constexpr std::size_t kPPPoEIPv4SourceOffset = 34;
constexpr std::size_t kPPPoEIPv4DestinationOffset = 38;
constexpr std::size_t kPPPoEIPv6SourceOffset = 30;
constexpr std::size_t kPPPoEIPv6DestinationOffset = 46;
constexpr std::size_t kPPPoECodeOffset = 15;
constexpr std::uint8_t kPPPoESessionCode = 0x00;
// The PPPoE header (6 bytes) and the PPP protocol field (2) are not traffic of the line.
constexpr std::uint64_t kPPPoEOverhead = 8;

constexpr int kCounted = 2;
constexpr int kNotCounted = 3;
constexpr wchar_t kLocalLabel[] = L"Local Packet";
constexpr wchar_t kMulticastLabel[] = L"Multicast Packet";
constexpr wchar_t kExclusionLabel[] = L"Exclusion Packet";
constexpr wchar_t kCountLabel[] = L"Count Packet";

bool InRange(std::uint32_t hostOrder, std::uint32_t first, std::uint32_t last) {
  return hostOrder >= first && hostOrder <= last;
}

constexpr std::uint32_t Address(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  return (a << 24) | (b << 16) | (c << 8) | d;
}

bool ReadIPv6(const FrameView& frame, std::size_t offset, IPv6Address& address) {
  return frame.ReadBytes(offset, address.data(), address.size());
}

}  // namespace

bool IsTraceLogEnabled() { return Common::GetLogLevel() > 4; }

bool IsFullTraceLogEnabled() { return Common::GetLogLevel() > 5; }

FrameClassifier::FrameClassifier(CNicInfo nic, const IpFilterHeader& filter)
    : m_nic(std::move(nic)),
      m_filter(filter),
      m_traceLog(IsTraceLogEnabled()),
      m_fullTraceLog(IsFullTraceLogEnabled()) {}

void FrameClassifier::DispatchFrame(const pcap_pkthdr& header, const std::uint8_t* data,
                                    TrafficCounts& counts) const {
  const std::uint32_t size = header.len;
  const std::size_t readable = header.caplen < size ? header.caplen : size;
  const LinkType& link = *m_linkType;
  const FrameView frame(data, readable, link.syntheticHeader, link.syntheticHeaderLength);
  if (link.sessionFramesOnly) {
    std::uint8_t code = 0;
    if (!frame.ReadBytes(kPPPoECodeOffset, &code, 1) || code != kPPPoESessionCode) {
      return;
    }
  }
  std::uint16_t etherType = 0;
  if (!frame.ReadU16(kEtherTypeOffset, etherType)) {
    return;
  }
  const std::uint64_t counted = link.CountedSize(size);
  switch (etherType) {
    case kEtherTypeIPv4:
      CountIPv4(frame, counted, counts);
      break;
    case kEtherTypeIPv6:
      CountIPv6(frame, counted, counts);
      break;
    case kEtherTypePPPoESession:
      CountPPPoE(frame, counted, counts);
      break;
    default:
      break;
  }
}

// CountIPv4, CountIPv6 and the two halves of CountPPPoE follow one pattern on purpose:
// one template over the address type took more instructions per frame, mostly on PPPoE
// frames, which then pass through one more call.
void FrameClassifier::CountIPv4(const FrameView& frame, std::uint64_t size, TrafficCounts& counts) const {
  std::uint32_t source = 0;
  std::uint32_t destination = 0;
  if (!frame.ReadStored32(kIPv4SourceOffset, source) || !frame.ReadStored32(kIPv4DestinationOffset, destination)) {
    return;
  }
  const wchar_t* label = kCountLabel;
  if (IsLocalIPv4(source, destination)) {
    label = kLocalLabel;
  } else if (IsMulticastIPv4(source, destination)) {
    label = kMulticastLabel;
  } else if (m_filter.IsExcludedIPv4(source) || m_filter.IsExcludedIPv4(destination)) {
    label = kExclusionLabel;
  } else if (IsSentIPv4(source)) {
    counts.sent += size;
  } else if (IsReceivedIPv4(destination)) {
    counts.received += size;
  } else {
    counts.unknown += size;
  }
  const int kind = label == kCountLabel ? kCounted : kNotCounted;
  if (IsDebugLineEnabled(kind)) {
    DebugLog(kind, label, source, destination, size, 0);
  }
}

void FrameClassifier::CountIPv6(const FrameView& frame, std::uint64_t size, TrafficCounts& counts) const {
  IPv6Address source;
  IPv6Address destination;
  if (!ReadIPv6(frame, kIPv6SourceOffset, source) || !ReadIPv6(frame, kIPv6DestinationOffset, destination)) {
    return;
  }
  const wchar_t* label = kCountLabel;
  if (IsLocalIPv6(source, destination)) {
    label = kLocalLabel;
  } else if (IsMulticastIPv6(source, destination)) {
    label = kMulticastLabel;
  } else if (m_filter.IsExcludedIPv6(source) || m_filter.IsExcludedIPv6(destination)) {
    label = kExclusionLabel;
  } else if (IsSentIPv6(source)) {
    counts.sent += size;
  } else if (IsReceivedIPv6(destination)) {
    counts.received += size;
  } else {
    counts.unknown += size;
  }
  const int kind = label == kCountLabel ? kCounted : kNotCounted;
  if (IsDebugLineEnabled(kind)) {
    DebugLog(kind, label, source, destination, size, 0);
  }
}

void FrameClassifier::CountPPPoE(const FrameView& frame, std::uint64_t size, TrafficCounts& counts) const {
  std::uint16_t protocol = 0;
  if (!frame.ReadU16(kPPPProtocolOffset, protocol)) {
    return;
  }
  // Every frame that reaches here holds at least the Ethernet, PPPoE and PPP headers,
  // so the size cannot drop below zero.
  const std::uint64_t payloadSize = size - kPPPoEOverhead;
  if (protocol == kPPPProtocolIPv4) {
    std::uint32_t source = 0;
    std::uint32_t destination = 0;
    if (!frame.ReadStored32(kPPPoEIPv4SourceOffset, source) ||
        !frame.ReadStored32(kPPPoEIPv4DestinationOffset, destination)) {
      return;
    }
    const wchar_t* label = kCountLabel;
    if (IsMulticastIPv4(source, destination)) {
      label = kMulticastLabel;
    } else if (m_filter.IsExcludedIPv4(source) || m_filter.IsExcludedIPv4(destination)) {
      label = kExclusionLabel;
    }
    const int kind = label == kCountLabel ? kCounted : kNotCounted;
    if (IsDebugLineEnabled(kind)) {
      DebugLog(kind, label, source, destination, payloadSize, 1);
    }
    if (kind == kCounted) {
      counts.unknown += payloadSize;
    }
  } else if (protocol == kPPPProtocolIPv6) {
    IPv6Address source;
    IPv6Address destination;
    if (!ReadIPv6(frame, kPPPoEIPv6SourceOffset, source) || !ReadIPv6(frame, kPPPoEIPv6DestinationOffset, destination)) {
      return;
    }
    const wchar_t* label = kCountLabel;
    if (IsMulticastIPv6(source, destination)) {
      label = kMulticastLabel;
    } else if (m_filter.IsExcludedIPv6(source) || m_filter.IsExcludedIPv6(destination)) {
      label = kExclusionLabel;
    }
    const int kind = label == kCountLabel ? kCounted : kNotCounted;
    if (IsDebugLineEnabled(kind)) {
      DebugLog(kind, label, source, destination, payloadSize, 1);
    }
    if (kind == kCounted) {
      counts.unknown += payloadSize;
    }
  }
}

int FrameClassifier::IsLocalIPv4(std::uint32_t source, std::uint32_t destination) {
  struct PrivateBlock {
    std::uint32_t first;
    std::uint32_t last;
  };
  static constexpr PrivateBlock kBlocks[] = {
      {Address(10, 0, 0, 0), Address(10, 255, 255, 255)},
      {Address(172, 16, 0, 0), Address(172, 31, 255, 255)},
      {Address(192, 168, 0, 0), Address(192, 168, 255, 255)},
  };
  const std::uint32_t from = ntohl(source);
  const std::uint32_t to = ntohl(destination);
  for (const PrivateBlock& block : kBlocks) {
    if (InRange(from, block.first, block.last) && InRange(to, block.first, block.last)) {
      return 1;
    }
  }
  return 0;
}

int FrameClassifier::IsMulticastIPv4(std::uint32_t source, std::uint32_t destination) {
  constexpr std::uint32_t kFirst = Address(224, 0, 0, 0);
  constexpr std::uint32_t kLast = Address(239, 255, 255, 255);
  return InRange(ntohl(source), kFirst, kLast) || InRange(ntohl(destination), kFirst, kLast) ? 1 : 0;
}

int FrameClassifier::IsLocalIPv6(const IPv6Address& source, const IPv6Address& destination) {
  static constexpr std::uint8_t kLinkLocalPrefix[8] = {0xFE, 0x80, 0, 0, 0, 0, 0, 0};
  return std::memcmp(source.data(), kLinkLocalPrefix, sizeof kLinkLocalPrefix) == 0 &&
                 std::memcmp(destination.data(), kLinkLocalPrefix, sizeof kLinkLocalPrefix) == 0
             ? 1
             : 0;
}

int FrameClassifier::IsMulticastIPv6(const IPv6Address& source, const IPv6Address& destination) {
  return source[0] == 0xFF || destination[0] == 0xFF ? 1 : 0;
}

int FrameClassifier::IsSentIPv4(std::uint32_t source) const { return source == m_nic.GetIPv4Address() ? 1 : 0; }

int FrameClassifier::IsReceivedIPv4(std::uint32_t destination) const {
  return destination == m_nic.GetIPv4Address() ? 1 : 0;
}

int FrameClassifier::IsOwnIPv6(const IPv6Address& address) const {
  for (const NicIPv6Entry& entry : m_nic.IPv6Entries()) {
    if (entry.address == address) {
      return 1;
    }
  }
  return 0;
}

int FrameClassifier::IsSentIPv6(const IPv6Address& source) const { return IsOwnIPv6(source); }

int FrameClassifier::IsReceivedIPv6(const IPv6Address& destination) const { return IsOwnIPv6(destination); }

bool FrameClassifier::IsDebugLineEnabled(int kind) const {
  return (kind == kCounted && m_traceLog) || (kind == kNotCounted && m_fullTraceLog);
}

namespace {

std::wstring PacketLine(const wchar_t* label, const wchar_t* type, const std::wstring& source,
                        const std::wstring& destination, std::uint64_t size, const std::wstring& nic) {
  wchar_t sizeText[24];
  std::swprintf(sizeText, sizeof sizeText / sizeof sizeText[0], L"%05llu", static_cast<unsigned long long>(size));
  return std::wstring(label) + L" type " + type + L" src " + source + L" dest " + destination + L" size " +
         sizeText + L" nic " + nic;
}

// The trace lines keep the capture worker's name, by which readers of the log find them.
constexpr wchar_t kDebugLogFunction[] = L"Velunor::Quillon::CaptureWorker::DebugLog";

}  // namespace

void FrameClassifier::DebugLog(int kind, const wchar_t* label, std::uint32_t source, std::uint32_t destination,
                               std::uint64_t size, int pppoe) const {
  if (!IsDebugLineEnabled(kind)) {
    return;
  }
  Common::Log::WriteLog(kDebugLogFunction, __LINE__,
                        PacketLine(label, pppoe == 1 ? L"PPPoE(IPv4)" : L"IPv4", FormatIPv4Text(source, true),
                                   FormatIPv4Text(destination, true), size, m_nic.GetDescription()),
                        Common::Log::kDebug);
}

void FrameClassifier::DebugLog(int kind, const wchar_t* label, const IPv6Address& source,
                               const IPv6Address& destination, std::uint64_t size, int pppoe) const {
  if (!IsDebugLineEnabled(kind)) {
    return;
  }
  Common::Log::WriteLog(kDebugLogFunction, __LINE__,
                        PacketLine(label, pppoe == 1 ? L"PPPoE(IPv6)" : L"IPv6", FormatIPv6Text(source),
                                   FormatIPv6Text(destination), size, m_nic.GetDescription()),
                        Common::Log::kDebug);
}

}  // namespace Velunor::Quillon
