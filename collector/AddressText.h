#pragma once
// Address texts of the capture log lines.
#include <array>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

namespace Velunor::Quillon {

// Four bytes in network order, first octet first; padded gives "192.168.001.002".
inline std::wstring FormatIPv4Text(std::uint32_t storedAddress, bool padded) {
  std::uint8_t bytes[4];
  std::memcpy(bytes, &storedAddress, sizeof bytes);
  wchar_t text[20];
  std::swprintf(text, sizeof text / sizeof text[0], padded ? L"%03u.%03u.%03u.%03u" : L"%u.%u.%u.%u",
                unsigned{bytes[0]}, unsigned{bytes[1]}, unsigned{bytes[2]}, unsigned{bytes[3]});
  return text;
}

// Sixteen bytes in memory order as eight groups of four uppercase digits, never
// shortened: "FE80:0000:...".
inline std::wstring FormatIPv6Text(const std::array<std::uint8_t, 16>& address) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  text.reserve(39);
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i != 0 && i % 2 == 0) {
      text.push_back(L':');
    }
    text.push_back(kDigits[address[i] >> 4]);
    text.push_back(kDigits[address[i] & 0x0F]);
  }
  return text;
}

}  // namespace Velunor::Quillon
