#include "prices/PriceNumbers.h"

#include <charconv>
#include <cmath>
#include <cwchar>
#include <limits>

#include "prices/MonthTraffic.h"

namespace Velunor::Quillon::Ui {

namespace {

// The text as ASCII bytes; false for any character outside ASCII.
bool ToAscii(const std::wstring& text, std::string& ascii) {
  ascii.clear();
  ascii.reserve(text.size());
  for (const wchar_t ch : text) {
    if (ch < 0 || ch > 0x7F) {
      return false;
    }
    ascii.push_back(static_cast<char>(ch));
  }
  return true;
}

// The text as ASCII without one leading plus sign, which from_chars does not take; false
// for a text that is empty after it or that puts another sign after it.
bool ToAsciiWithoutPlus(const std::wstring& text, std::string& ascii) {
  if (!ToAscii(text, ascii) || ascii.empty()) {
    return false;
  }
  if (ascii[0] == '+') {
    ascii.erase(0, 1);
    if (ascii.empty() || ascii[0] == '-' || ascii[0] == '+') {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParsePriceUnsigned(const std::wstring& text, std::uint32_t& value) {
  std::string ascii;
  if (!ToAscii(text, ascii) || ascii.empty() || ascii[0] < '0' || ascii[0] > '9') {
    return false;
  }
  std::uint32_t parsed = 0;
  const char* end = ascii.data() + ascii.size();
  const auto result = std::from_chars(ascii.data(), end, parsed);
  if (result.ec != std::errc() || result.ptr != end) {
    return false;
  }
  value = parsed;
  return true;
}

bool ParsePriceSigned(const std::wstring& text, int& value) {
  std::string ascii;
  if (!ToAsciiWithoutPlus(text, ascii)) {
    return false;
  }
  const char* end = ascii.data() + ascii.size();
  int parsed = 0;
  const auto result = std::from_chars(ascii.data(), end, parsed);
  if (result.ec != std::errc() || result.ptr != end) {
    return false;
  }
  value = parsed;
  return true;
}

bool ParsePriceFloat(const std::wstring& text, float& value) {
  std::string ascii;
  if (!ToAsciiWithoutPlus(text, ascii)) {
    return false;
  }
  const char* end = ascii.data() + ascii.size();
  float parsed = 0.0f;
  const auto result = std::from_chars(ascii.data(), end, parsed, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) {
    return false;
  }
  value = parsed;
  return true;
}

std::uint32_t TruncatePrice(float price) {
  if (!(price > 0.0f)) {
    return 0;  // negative, zero and NaN
  }
  // 4294967296 is exactly representable; every float below it truncates into range.
  if (price >= 4294967296.0f) {
    return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(price);
}

std::uint64_t RoundUpToMiB(std::uint64_t bytes, std::uint64_t largest) {
  std::uint64_t mebibytes = bytes / CMonthTraffic::kBytesPerMiB;
  if (bytes % CMonthTraffic::kBytesPerMiB != 0) {
    ++mebibytes;
  }
  return mebibytes > largest ? largest : mebibytes;
}

std::wstring FormatThousands(std::int64_t number) {
  std::wstring text;
  while (number / 1000 != 0) {
    wchar_t group[8];
    std::swprintf(group, sizeof(group) / sizeof(group[0]), L",%03d", static_cast<int>(number % 1000));
    text = group + text;
    number /= 1000;
  }
  return std::to_wstring(number) + text;
}

}  // namespace Velunor::Quillon::Ui
