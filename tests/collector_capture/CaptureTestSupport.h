#pragma once
// Helpers of the capture tests: adapter list entries as the capture library builds
// them, crafted frames, savefiles, and a way into the worker's own receive loop.
#include <pcap/pcap.h>

#include <array>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "collector/CaptureWorker.h"
#include "collector/NicInfo.h"
#include "collector/TrafficCounts.h"

namespace Velunor::Quillon {

// How a test's failure message shows counts.
void PrintTo(const TrafficCounts& counts, std::ostream* out);

}  // namespace Velunor::Quillon

namespace capture_test {

using Bytes = std::vector<std::uint8_t>;
using Velunor::Quillon::TrafficCounts;

// One entry of the library's adapter list with the address entries it is given.
class FakeAdapter {
 public:
  explicit FakeAdapter(const char* name, const char* description = nullptr, bpf_u_int32 flags = 0);
  FakeAdapter(const FakeAdapter&) = delete;
  FakeAdapter& operator=(const FakeAdapter&) = delete;

  // A null netmask leaves the entry without one.
  FakeAdapter& IPv4(const char* address, const char* netmask);
  FakeAdapter& IPv6(const char* address, const char* netmask);
  FakeAdapter& PacketAddress();
  FakeAdapter& EmptyAddressEntry();

  const pcap_if_t* Entry();
  // A descriptor filled from the entry (whether or not it is accepted).
  Velunor::Quillon::CNicInfo Nic();

 private:
  sockaddr* Store(int family, const char* text);
  void Append(sockaddr* address, sockaddr* netmask);

  std::string m_name;
  std::string m_description;
  bool m_hasDescription;
  bpf_u_int32 m_flags;
  std::deque<sockaddr_storage> m_storage;
  std::deque<pcap_addr_t> m_addresses;
  pcap_if_t m_entry{};
};

std::uint32_t IPv4(const char* text);  // network byte order
std::array<std::uint8_t, 16> IPv6(const char* text);

// Crafted frames; length is the whole frame, Ethernet header included.
Bytes EthernetFrame(std::uint16_t etherType, std::size_t length);
Bytes IPv4Frame(const char* source, const char* destination, std::size_t length = 100);
Bytes IPv6Frame(const char* source, const char* destination, std::size_t length = 100);
Bytes PPPoEIPv4Frame(const char* source, const char* destination, std::size_t length = 100);
Bytes PPPoEIPv6Frame(const char* source, const char* destination, std::size_t length = 100);
Bytes PPPoEFrame(std::uint16_t pppProtocol, std::size_t length = 100);
// The frame without its Ethernet header, as a PPPoE link delivers it.
Bytes WithoutEthernetHeader(const Bytes& frame);

struct SavedFrame {
  Bytes bytes;
  std::uint32_t wireLength = 0;  // 0: the captured length
};

// Writes the frames to a savefile of the given link type with the library's dump calls.
void WriteSavefile(const std::string& path, int linkType, const std::vector<SavedFrame>& frames);
// Feeds the savefile through the worker's receive loop until the file ends.
void ReceiveSavefile(Velunor::Quillon::CaptureWorker& worker, const std::string& path);

}  // namespace capture_test
