#include "tests/collector_capture/CaptureTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <ostream>
#include <stdexcept>

#include "tests/collector_capture/CaptureWorkerTestPeer.h"

namespace Velunor::Quillon {

void PrintTo(const TrafficCounts& counts, std::ostream* out) {
  *out << "{sent " << counts.sent << ", received " << counts.received << ", unknown " << counts.unknown << "}";
}

}  // namespace Velunor::Quillon

namespace capture_test {

using Velunor::Quillon::CaptureWorker;
using Velunor::Quillon::CNicInfo;

FakeAdapter::FakeAdapter(const char* name, const char* description, bpf_u_int32 flags)
    : m_name(name != nullptr ? name : ""),
      m_description(description != nullptr ? description : ""),
      m_hasDescription(description != nullptr),
      m_flags(flags) {}

sockaddr* FakeAdapter::Store(int family, const char* text) {
  m_storage.emplace_back();
  sockaddr_storage& storage = m_storage.back();
  std::memset(&storage, 0, sizeof storage);
  storage.ss_family = static_cast<sa_family_t>(family);
  void* target = family == AF_INET ? static_cast<void*>(&reinterpret_cast<sockaddr_in&>(storage).sin_addr)
                                   : static_cast<void*>(&reinterpret_cast<sockaddr_in6&>(storage).sin6_addr);
  if (inet_pton(family, text, target) != 1) {
    throw std::invalid_argument(std::string("not an address: ") + text);
  }
  return reinterpret_cast<sockaddr*>(&storage);
}

void FakeAdapter::Append(sockaddr* address, sockaddr* netmask) {
  pcap_addr_t entry{};
  entry.addr = address;
  entry.netmask = netmask;
  m_addresses.push_back(entry);
}

FakeAdapter& FakeAdapter::IPv4(const char* address, const char* netmask) {
  sockaddr* a = Store(AF_INET, address);
  Append(a, netmask != nullptr ? Store(AF_INET, netmask) : nullptr);
  return *this;
}

FakeAdapter& FakeAdapter::IPv6(const char* address, const char* netmask) {
  sockaddr* a = Store(AF_INET6, address);
  Append(a, netmask != nullptr ? Store(AF_INET6, netmask) : nullptr);
  return *this;
}

FakeAdapter& FakeAdapter::PacketAddress() {
  m_storage.emplace_back();
  std::memset(&m_storage.back(), 0, sizeof(sockaddr_storage));
  m_storage.back().ss_family = AF_PACKET;
  Append(reinterpret_cast<sockaddr*>(&m_storage.back()), nullptr);
  return *this;
}

FakeAdapter& FakeAdapter::EmptyAddressEntry() {
  Append(nullptr, nullptr);
  return *this;
}

const pcap_if_t* FakeAdapter::Entry() {
  for (std::size_t i = 0; i < m_addresses.size(); ++i) {
    m_addresses[i].next = i + 1 < m_addresses.size() ? &m_addresses[i + 1] : nullptr;
  }
  m_entry.next = nullptr;
  m_entry.name = const_cast<char*>(m_name.c_str());
  m_entry.description = m_hasDescription ? const_cast<char*>(m_description.c_str()) : nullptr;
  m_entry.addresses = m_addresses.empty() ? nullptr : &m_addresses.front();
  m_entry.flags = m_flags;
  return &m_entry;
}

CNicInfo FakeAdapter::Nic() {
  CNicInfo nic;
  nic.SetFromPcapIf(Entry());
  return nic;
}

std::uint32_t IPv4(const char* text) {
  in_addr address{};
  if (inet_pton(AF_INET, text, &address) != 1) {
    throw std::invalid_argument(std::string("not an IPv4 address: ") + text);
  }
  return address.s_addr;
}

std::array<std::uint8_t, 16> IPv6(const char* text) {
  std::array<std::uint8_t, 16> address{};
  if (inet_pton(AF_INET6, text, address.data()) != 1) {
    throw std::invalid_argument(std::string("not an IPv6 address: ") + text);
  }
  return address;
}

namespace {

void Put16(Bytes& frame, std::size_t offset, std::uint16_t value) {
  frame.at(offset) = static_cast<std::uint8_t>(value >> 8);
  frame.at(offset + 1) = static_cast<std::uint8_t>(value & 0xFF);
}

void PutIPv4(Bytes& frame, std::size_t offset, const char* text) {
  const std::uint32_t address = IPv4(text);
  std::memcpy(&frame.at(offset), &address, 4);
}

void PutIPv6(Bytes& frame, std::size_t offset, const char* text) {
  const auto address = IPv6(text);
  if (offset + 16 > frame.size()) {
    throw std::out_of_range("frame too short for an IPv6 address");
  }
  std::memcpy(&frame[offset], address.data(), 16);
}

}  // namespace

Bytes EthernetFrame(std::uint16_t etherType, std::size_t length) {
  Bytes frame(length < 14 ? 14 : length, 0);
  const std::uint8_t macs[12] = {0x02, 0, 0, 0, 0, 0x02, 0x02, 0, 0, 0, 0, 0x01};
  std::memcpy(frame.data(), macs, sizeof macs);
  Put16(frame, 12, etherType);
  frame.resize(length);
  return frame;
}

Bytes IPv4Frame(const char* source, const char* destination, std::size_t length) {
  Bytes frame = EthernetFrame(0x0800, length < 34 ? 34 : length);
  frame[14] = 0x45;
  Put16(frame, 16, static_cast<std::uint16_t>(frame.size() - 14));
  PutIPv4(frame, 26, source);
  PutIPv4(frame, 30, destination);
  frame.resize(length);
  return frame;
}

Bytes IPv6Frame(const char* source, const char* destination, std::size_t length) {
  Bytes frame = EthernetFrame(0x86DD, length < 54 ? 54 : length);
  frame[14] = 0x60;
  Put16(frame, 18, static_cast<std::uint16_t>(frame.size() - 54));
  PutIPv6(frame, 22, source);
  PutIPv6(frame, 38, destination);
  frame.resize(length);
  return frame;
}

Bytes PPPoEFrame(std::uint16_t pppProtocol, std::size_t length) {
  Bytes frame = EthernetFrame(0x8864, length < 22 ? 22 : length);
  frame[14] = 0x11;  // version 1, type 1
  frame[15] = 0x00;  // session data
  Put16(frame, 16, 0x1234);
  Put16(frame, 18, static_cast<std::uint16_t>(frame.size() - 20));
  Put16(frame, 20, pppProtocol);
  frame.resize(length);
  return frame;
}

Bytes PPPoEIPv4Frame(const char* source, const char* destination, std::size_t length) {
  Bytes frame = PPPoEFrame(0x0021, length < 42 ? 42 : length);
  frame[22] = 0x45;
  PutIPv4(frame, 34, source);
  PutIPv4(frame, 38, destination);
  frame.resize(length);
  return frame;
}

Bytes PPPoEIPv6Frame(const char* source, const char* destination, std::size_t length) {
  Bytes frame = PPPoEFrame(0x0057, length < 62 ? 62 : length);
  frame[22] = 0x60;
  PutIPv6(frame, 30, source);
  PutIPv6(frame, 46, destination);
  frame.resize(length);
  return frame;
}

Bytes WithoutEthernetHeader(const Bytes& frame) {
  return frame.size() <= 14 ? Bytes() : Bytes(frame.begin() + 14, frame.end());
}

void WriteSavefile(const std::string& path, int linkType, const std::vector<SavedFrame>& frames) {
  pcap_t* dead = pcap_open_dead(linkType, 65535);
  if (dead == nullptr) {
    throw std::runtime_error("pcap_open_dead failed");
  }
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  if (dumper == nullptr) {
    const std::string error = pcap_geterr(dead);
    pcap_close(dead);
    throw std::runtime_error("pcap_dump_open failed: " + error);
  }
  long microseconds = 0;
  for (const SavedFrame& frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_sec = 1700000000;
    header.ts.tv_usec = ++microseconds;
    header.caplen = static_cast<bpf_u_int32>(frame.bytes.size());
    header.len = frame.wireLength != 0 ? frame.wireLength : header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frame.bytes.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

void ReceiveSavefile(CaptureWorker& worker, const std::string& path) {
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* handle = pcap_open_offline(path.c_str(), error);
  if (handle == nullptr) {
    throw std::runtime_error(std::string("pcap_open_offline failed: ") + error);
  }
  Velunor::Quillon::CaptureWorkerTestPeer::ReceiveLoop(worker, handle);
  pcap_close(handle);
}

}  // namespace capture_test
