#include "platform/core/ProfileReader.h"

#include <cwctype>
#include <fstream>
#include <iterator>

#include "platform/core/NativePath.h"
#include "platform/core/TextCodec.h"

namespace platform {
namespace {

std::wstring Trim(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

std::wstring DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
    return Utf16LeBytesToWide(bytes.substr(2));
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    return Utf8ToWide(bytes.substr(3));
  }
  return Utf8ToWide(bytes);
}

std::wstring CutToBuffer(std::wstring value, std::size_t bufferChars) {
  const std::size_t room = bufferChars == 0 ? 0 : bufferChars - 1;
  if (value.size() > room) value.resize(room);
  return value;
}

}  // namespace

std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section,
                               const std::wstring& key, const std::wstring& defaultText,
                               std::size_t bufferChars) {
  std::wstring fallback = defaultText;
  while (!fallback.empty() && fallback.back() == L' ') fallback.pop_back();
  fallback = CutToBuffer(fallback, bufferChars);

  std::ifstream in(ToNativePathBytes(path), std::ios::binary);
  if (!in) return fallback;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::wstring text = DecodeFile(bytes);

  bool inSection = false;
  std::size_t position = 0;
  while (position <= text.size()) {
    auto end = text.find(L'\n', position);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(position, end - position);
    position = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    const std::wstring trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == L';') continue;
    if (trimmed[0] == L'[') {
      const auto close = trimmed.find(L']');
      const std::wstring name = Trim(trimmed.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
      inSection = EqualNoCase(name, section);
      continue;
    }
    if (!inSection) continue;
    const auto equals = trimmed.find(L'=');
    if (equals == std::wstring::npos) continue;
    if (!EqualNoCase(Trim(trimmed.substr(0, equals)), key)) continue;
    std::wstring value = Trim(trimmed.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return CutToBuffer(value, bufferChars);
  }
  return fallback;
}

}  // namespace platform
