// Arbitrary frames through the capture worker's own receive loop and through the frame
// classifier on the input's own bytes: the first input byte picks one of the link types
// the capture accepts, the rest is one captured frame of an adapter with IPv4 and IPv6
// addresses. Nothing may be read beyond the captured length, and both ways count the same.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pcap/pcap.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "collector/CaptureWorker.h"
#include "collector/FrameClassifier.h"
#include "collector/IpFilterHeader.h"
#include "collector/LinkType.h"
#include "collector/NicInfo.h"
#include "collector/TrafficCounts.h"
#include "tests/collector_capture/CaptureWorkerTestPeer.h"

namespace {

using Velunor::Quillon::CaptureWorker;
using Velunor::Quillon::CNicInfo;
using Velunor::Quillon::FrameClassifier;
using Velunor::Quillon::TrafficCounts;

CNicInfo MakeAdapter() {
  static sockaddr_in ipv4{}, mask4{};
  static sockaddr_in6 ipv6{}, mask6{};
  ipv4.sin_family = mask4.sin_family = AF_INET;
  inet_pton(AF_INET, "10.77.0.1", &ipv4.sin_addr);
  inet_pton(AF_INET, "255.255.255.0", &mask4.sin_addr);
  ipv6.sin6_family = mask6.sin6_family = AF_INET6;
  inet_pton(AF_INET6, "2001:db8::1", &ipv6.sin6_addr);
  inet_pton(AF_INET6, "ffff:ffff:ffff:ffff::", &mask6.sin6_addr);
  static pcap_addr_t second{nullptr, reinterpret_cast<sockaddr*>(&ipv6), reinterpret_cast<sockaddr*>(&mask6),
                            nullptr, nullptr};
  static pcap_addr_t first{&second, reinterpret_cast<sockaddr*>(&ipv4), reinterpret_cast<sockaddr*>(&mask4),
                           nullptr, nullptr};
  static char name[] = "fuzz0";
  static char description[] = "fuzz adapter";
  static pcap_if_t entry{nullptr, name, description, &first, 0};
  CNicInfo nic;
  nic.SetFromPcapIf(&entry);
  return nic;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 70000) return 0;
  static const CNicInfo adapter = MakeAdapter();
  static const Velunor::Quillon::IpFilterHeader filter = [] {
    Velunor::Quillon::IpFilterHeader list;
    list.AddAddress(L"192.168.77.9");
    list.AddAddress(L"2001:db8::9");
    return list;
  }();
  const Velunor::Quillon::LinkType& linkType =
      Velunor::Quillon::kLinkTypes[data[0] % std::size(Velunor::Quillon::kLinkTypes)];
  const std::uint32_t frameLength = static_cast<std::uint32_t>(size - 1);

  // A savefile in memory with the one frame: global header, record header, bytes.
  std::vector<std::uint8_t> file;
  Put32(file, 0xA1B2C3D4);
  Put32(file, 0x00040002);  // version 2.4
  Put32(file, 0);
  Put32(file, 0);
  Put32(file, 65535);
  Put32(file, static_cast<std::uint32_t>(linkType.number));
  Put32(file, 0);
  Put32(file, 0);
  Put32(file, frameLength);
  Put32(file, frameLength);
  file.insert(file.end(), data + 1, data + size);

  std::FILE* stream = fmemopen(file.data(), file.size(), "rb");
  if (stream == nullptr) return 0;
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* handle = pcap_fopen_offline(stream, error);
  if (handle == nullptr) {
    std::fclose(stream);
    return 0;
  }
  CaptureWorker worker(adapter, filter, 1, 1000);
  Velunor::Quillon::CaptureWorkerTestPeer::ReceiveLoop(worker, handle);
  pcap_close(handle);
  const TrafficCounts counted = worker.TakeCounts();
  // A frame counts at most the size its link type's rule gives its length (the wire
  // length is the captured length here).
  if (counted.Total() > linkType.CountedSize(frameLength)) __builtin_trap();

  // The library hands the loop a copy inside a larger buffer; the input itself is fenced
  // by the sanitizer at its last byte, so a read past the frame shows here.
  FrameClassifier classifier(adapter, filter);
  classifier.SetLinkType(linkType);
  pcap_pkthdr header{};
  header.caplen = header.len = frameLength;
  TrafficCounts direct;
  classifier.DispatchFrame(header, data + 1, direct);
  if (direct != counted) __builtin_trap();
  return 0;
}
