#pragma once
// Checks and encodings for text that goes onto the wire; internal to the HTTP layer.
#include <string>

namespace platform::http_text {

// True when the text holds a byte below 0x20 or 0x7F: such text would split a header
// or the request line.
inline bool HasControlCharacters(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// Percent-encodes the bytes that may not stand in a request target as they are
// (blanks, non-ASCII, quotes, angle brackets and the like); '%' stays, so an object
// name that is already encoded goes out unchanged.
inline std::string EncodeRequestTarget(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool plain = c > 0x20 && c < 0x7F && c != '"' && c != '<' && c != '>' && c != '\\' &&
                 c != '^' && c != '`' && c != '{' && c != '|' && c != '}';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0x0F];
    }
  }
  return out;
}

// A plain host name (letters, digits, '-', '.', '_'), a dotted IPv4 address, or an IPv6
// address in brackets.
inline bool IsPlainHost(const std::string& host) {
  if (host.empty()) return false;
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    for (std::size_t i = 1; i + 1 < host.size(); ++i) {
      char c = host[i];
      bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                c == ':' || c == '.';
      if (!ok) return false;
    }
    return true;
  }
  for (char c : host) {
    bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              c == '-' || c == '.' || c == '_';
    if (!ok) return false;
  }
  return true;
}

}  // namespace platform::http_text
