#pragma once
// One network adapter as the capture library lists it: device name, description,
// IPv4 address and netmask, and every IPv6 address with its netmask.
#include <pcap/pcap.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Velunor::Quillon {

// One IPv6 address of an adapter and its netmask, both in network byte order.
struct NicIPv6Entry {
  std::array<std::uint8_t, 16> address{};
  std::array<std::uint8_t, 16> netmask{};
};

class CNicInfo {
 public:
  CNicInfo();
  CNicInfo(const CNicInfo& other);
  CNicInfo& operator=(const CNicInfo& other);
  ~CNicInfo();

  void Clear();

  // Fills a fresh descriptor from one entry of the library's adapter list; 1 when the
  // adapter is one we capture (not loopback, at least one usable address), else 0.
  int SetFromPcapIf(const pcap_if_t* entry);
  // 1 when the entry carried an IPv4 address with its netmask (the last one wins).
  int SetIPv4(const pcap_addr_t* entry);
  // 1 when the entry carried an IPv6 address with its netmask and it was appended.
  int AddIPv6(const pcap_addr_t* entry);

  std::wstring GetName() const { return m_name; }
  // The library's description, or the device name where it gives none.
  std::wstring GetDescription() const { return m_description; }
  std::uint32_t GetIPv4Address() const { return m_ipv4Address; }
  std::uint32_t GetNetmask() const { return m_netmask; }
  void GetIPv6List(std::vector<NicIPv6Entry>& list) const;
  // The entries without a copy, for the per-frame address tests.
  const std::vector<NicIPv6Entry>& IPv6Entries() const { return m_ipv6List; }

  // Exact, case-sensitive comparison of device names.
  int IsSameName(const std::wstring& name) const;
  // 1 when other still describes this adapter unchanged: names, descriptions, IPv4
  // address and netmask equal, and every IPv6 entry of this descriptor found with the
  // same netmask among other's (an address that only other has does not matter).
  int IsSame(const CNicInfo& other) const;
  // The comparison behind IsSame, seen from the freshly listed side: other's IPv6
  // entries must all be present in this descriptor's list.
  bool Equals(const CNicInfo& other) const;
  // 1 when every entry of this descriptor's list is found in list with an equal netmask.
  int IsSameIPv6List(const std::vector<NicIPv6Entry>& list) const;

 private:
  std::wstring m_name;
  std::wstring m_description;
  std::uint32_t m_ipv4Address;
  std::uint32_t m_netmask;
  std::vector<NicIPv6Entry> m_ipv6List;
};

}  // namespace Velunor::Quillon
