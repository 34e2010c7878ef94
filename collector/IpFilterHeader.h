#pragma once
// The addresses whose traffic is not counted, read once from the exclusion file.
// Each capture worker holds its own copy.
#include <array>
#include <cstdint>
#include <set>
#include <string>

namespace Velunor::Quillon {

class IpFilterHeader {
 public:
  using IPv6Address = std::array<std::uint8_t, 16>;

  IpFilterHeader();
  IpFilterHeader(const IpFilterHeader& other);
  IpFilterHeader& operator=(const IpFilterHeader& other);
  ~IpFilterHeader();

  // Adds every address of the file, one per line; a file that cannot be opened adds
  // nothing.
  void LoadFile(std::wstring path);
  // Trims one line and adds it when it is an IPv4 or IPv6 address.
  void AddAddress(std::wstring line);

  // Removes leading spaces, ideographic spaces and tabs, and trailing ones plus line
  // feeds. A text made only of those stays as it is.
  static void Trim(std::wstring& text);
  // 1 when text is an IPv6 address in hexadecimal groups (with at most one "::"),
  // written into address; 0 otherwise.
  static int ParseIPv6(std::wstring text, IPv6Address& address);

  void AddIPv4(std::uint32_t address);
  void AddIPv6(const IPv6Address& address);

  // address in network byte order. Defined here, so the per-frame path inlines them.
  int IsExcludedIPv4(std::uint32_t address) const { return m_ipv4Set.count(address) != 0 ? 1 : 0; }
  int IsExcludedIPv6(const IPv6Address& address) const { return m_ipv6Set.count(address) != 0 ? 1 : 0; }

 private:
  std::set<std::uint32_t> m_ipv4Set;
  // Keyed by all sixteen bytes: addresses that only share their interface part are
  // different addresses and are excluded each on its own.
  std::set<IPv6Address> m_ipv6Set;
};

}  // namespace Velunor::Quillon
