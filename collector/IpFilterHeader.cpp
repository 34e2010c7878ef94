#include "collector/IpFilterHeader.h"

#include <arpa/inet.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "common/LogMessage.h"
#include "common/StringUtil.h"
#include "platform/core/NativePath.h"

namespace Velunor::Quillon {

namespace {

constexpr int kUtf8 = 1;
constexpr int kDebug = 7;
// Lines are read in pieces of at most this many characters, as a line buffer of 65535
// characters with its terminator holds.
constexpr std::size_t kLinePieceChars = 65534;
constexpr wchar_t kBlanks[] = L" \u3000\t";
constexpr wchar_t kTrailingBlanks[] = L" \u3000\t\n";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Splits the file into lines the way a text-mode read does: each byte becomes one
// character, CR LF becomes LF, a line keeps its LF, and a longer line arrives in pieces.
class ExclusionFileReader {
 public:
  explicit ExclusionFileReader(std::FILE* file) : m_file(file) {
    // Editors often save this file with a UTF-8 byte-order mark; it is not part of
    // the first address.
    const int first = std::getc(m_file);
    if (first == 0xEF) {
      const int second = std::getc(m_file);
      const int third = second == 0xBB ? std::getc(m_file) : EOF;
      if (second == 0xBB && third == 0xBF) {
        return;
      }
      m_pending.push_back(static_cast<wchar_t>(first));
      if (second != EOF) {
        m_pending.push_back(static_cast<wchar_t>(second));
      }
      if (third != EOF) {
        m_pending.push_back(static_cast<wchar_t>(third));
      }
    } else if (first != EOF) {
      m_pending.push_back(static_cast<wchar_t>(first));
    }
  }

  bool ReadLine(std::wstring& line) {
    line.clear();
    while (line.size() < kLinePieceChars) {
      int c = NextByte();
      if (c == EOF) {
        break;
      }
      if (c == '\r') {
        const int next = NextByte();
        if (next == '\n') {
          c = '\n';
        } else if (next != EOF) {
          m_pending.insert(m_pending.begin(), static_cast<wchar_t>(next));
        }
      }
      line.push_back(static_cast<wchar_t>(c));
      if (c == '\n') {
        break;
      }
    }
    if (line.empty()) {
      return false;
    }
    // The line is a C string from here on: a NUL byte ends it.
    const std::size_t nul = line.find(L'\0');
    if (nul != std::wstring::npos) {
      line.erase(nul);
    }
    return true;
  }

 private:
  int NextByte() {
    if (!m_pending.empty()) {
      const int c = static_cast<int>(m_pending.front());
      m_pending.erase(m_pending.begin());
      return c;
    }
    return std::getc(m_file);
  }

  std::FILE* m_file;
  std::vector<wchar_t> m_pending;
};

}  // namespace

IpFilterHeader::IpFilterHeader() = default;

IpFilterHeader::IpFilterHeader(const IpFilterHeader& other) = default;

IpFilterHeader& IpFilterHeader::operator=(const IpFilterHeader& other) = default;

IpFilterHeader::~IpFilterHeader() {
  m_ipv4Set.clear();
  m_ipv6Set.clear();
}

void IpFilterHeader::LoadFile(std::wstring path) {
  std::unique_ptr<std::FILE, FileCloser> file(
      std::fopen(platform::ToNativePathBytes(path).c_str(), "rb"));
  if (!file) {
    return;
  }
  ExclusionFileReader reader(file.get());
  std::wstring line;
  while (reader.ReadLine(line)) {
    AddAddress(line);
    Common::Log::WriteLog(L"Velunor::Quillon::IpFilterHeader::LoadFile", __LINE__,
                          L"ExclusionIP=" + line, kDebug);
  }
}

void IpFilterHeader::AddAddress(std::wstring line) {
  Trim(line);
  const std::string text = Common::ToMultiByteString(line, kUtf8);
  const in_addr_t ipv4 = inet_addr(text.c_str());
  if (ipv4 != INADDR_NONE) {
    AddIPv4(ipv4);
    return;
  }
  IPv6Address ipv6{};
  if (ParseIPv6(line, ipv6) == 1) {
    AddIPv6(ipv6);
  }
}

void IpFilterHeader::Trim(std::wstring& text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first != std::wstring::npos) {
    text.erase(0, first);
  }
  const std::size_t last = text.find_last_not_of(kTrailingBlanks);
  if (last != std::wstring::npos) {
    text.erase(last + 1);
  }
}

int IpFilterHeader::ParseIPv6(std::wstring text, IPv6Address& address) {
  address.fill(0);
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') {
      c = static_cast<wchar_t>(c - L'a' + L'A');
    }
  }
  if (text.find_first_not_of(L"0123456789ABCDEF:") != std::wstring::npos) {
    return 0;
  }
  if (text.find(L':') == std::wstring::npos) {
    return 0;
  }
  // Only one run of zero groups can be placed; a second "::" or three colons in a row
  // leave the address ambiguous.
  const std::size_t doubleColon = text.find(L"::");
  if (text.find(L":::") != std::wstring::npos ||
      (doubleColon != std::wstring::npos && text.find(L"::", doubleColon + 2) != std::wstring::npos)) {
    return 0;
  }

  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = text.find(L':', start);
    pieces.push_back(text.substr(start, colon == std::wstring::npos ? std::wstring::npos : colon - start));
    if (colon == std::wstring::npos) {
      break;
    }
    start = colon + 1;
  }

  std::size_t groupCount = 0;
  for (const std::wstring& piece : pieces) {
    groupCount += piece.empty() ? 0 : 1;
  }
  // "::" stands for at least one zero group.
  if (groupCount > 8 || (doubleColon != std::wstring::npos && groupCount > 7)) {
    return 0;
  }

  const long pieceCount = static_cast<long>(pieces.size());
  long position = 0;
  for (const std::wstring& piece : pieces) {
    if (piece.size() > 4) {
      address.fill(0);
      return 0;
    }
    if (!piece.empty()) {
      // More groups than the address has.
      if (position < 0 || position > 7) {
        address.fill(0);
        return 0;
      }
      const unsigned long value = std::stoul(piece, nullptr, 16);
      address[static_cast<std::size_t>(position) * 2] = static_cast<std::uint8_t>(value >> 8);
      address[static_cast<std::size_t>(position) * 2 + 1] = static_cast<std::uint8_t>(value & 0xFF);
      ++position;
    } else if (position == 0) {
      position = 1;
    } else if (position > 6) {
      return 1;
    } else {
      position = position + 1 + (8 - pieceCount);
    }
  }
  return 1;
}

void IpFilterHeader::AddIPv4(std::uint32_t address) { m_ipv4Set.insert(address); }

void IpFilterHeader::AddIPv6(const IPv6Address& address) { m_ipv6Set.insert(address); }

}  // namespace Velunor::Quillon
