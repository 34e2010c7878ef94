#include "platform/core/TextCodec.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {
namespace {

std::wstring UpToNul(const std::wstring& text) {
  const auto nul = text.find(L'\0');
  return nul == std::wstring::npos ? text : text.substr(0, nul);
}

std::string UpToNul(const std::string& text) {
  const auto nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

bool IsScalar(std::uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (!IsScalar(c)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The locale's character set, or empty when it is plain ASCII (then UTF-8 is used).
std::string LocaleCharset() {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr) return std::string();
  std::string name(codeset);
  if (name.empty() || name == "ANSI_X3.4-1968" || name == "ASCII" || name == "US-ASCII" ||
      name == "UTF-8" || name == "utf8") {
    return std::string();
  }
  return name;
}

// iconv between the locale charset and UTF-8; unconvertible input becomes '?'.
std::string Recode(const std::string& input, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // Invalid or unconvertible: replace one input byte and go on.
      out += '?';
      ++in;
      --inLeft;
    }
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : UpToNul(text)) AppendUtf8(out, static_cast<std::uint32_t>(ch));
  return out;
}

std::wstring Utf8ToWide(const std::string& input) {
  const std::string text = UpToNul(input);
  std::wstring out;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    const unsigned char lead = bytes[i];
    std::size_t length = 0;
    std::uint32_t c = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2; c = lead & 0x1F; minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3; c = lead & 0x0F; minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4; c = lead & 0x07; minimum = 0x10000;
    } else {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    std::size_t taken = 1;
    while (taken < length && i + taken < size && (bytes[i + taken] & 0xC0) == 0x80) {
      c = (c << 6) | (bytes[i + taken] & 0x3F);
      ++taken;
    }
    if (taken < length || c < minimum || !IsScalar(c)) {
      out += L'\xFFFD';
      i += taken;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += length;
  }
  return out;
}

std::string WideToLocale(const std::wstring& text) {
  const std::string charset = LocaleCharset();
  const std::string utf8 = WideToUtf8(text);
  if (charset.empty()) return utf8;
  return Recode(utf8, (charset + "//TRANSLIT").c_str(), "UTF-8");
}

std::wstring LocaleToWide(const std::string& text) {
  const std::string charset = LocaleCharset();
  if (charset.empty()) return Utf8ToWide(text);
  return Utf8ToWide(Recode(UpToNul(text), "UTF-8", charset.c_str()));
}

std::u16string WideToUtf16(const std::wstring& text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t ch : text) {
    std::uint32_t c = static_cast<std::uint32_t>(ch);
    if (!IsScalar(c)) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  return units;
}

std::size_t Utf16Length(const std::wstring& text) {
  std::size_t units = 0;
  for (wchar_t ch : text) {
    const std::uint32_t c = static_cast<std::uint32_t>(ch);
    units += IsScalar(c) && c >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::string WideToUtf16LeBytes(const std::wstring& text) {
  const std::u16string units = WideToUtf16(text);
  std::string out;
  out.reserve(units.size() * 2);
  for (char16_t unit : units) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
  }
  return out;
}

std::wstring Utf16LeBytesToWide(const std::string& bytes) {
  auto unitAt = [&bytes](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
  };
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
      const std::uint32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    out += static_cast<wchar_t>(unit);
  }
  return out;
}

}  // namespace platform
