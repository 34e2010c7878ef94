#include "platform/core/NativePath.h"

#include <cwctype>

#include "platform/core/SpecialFolders.h"
#include "platform/core/TextCodec.h"

namespace platform {
namespace {

constexpr int kProgramFilesFolder = 38;

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

std::wstring ToNativePath(const std::wstring& path) {
  std::wstring result = path;
  for (auto& ch : result) {
    if (ch == L'\\') ch = L'/';
  }
  const bool hasDrive = result.size() >= 2 && result[1] == L':' && std::iswalpha(result[0]);
  if (!hasDrive) return result;

  // Longest prefix first: "Program Files (x86)" also starts with "Program Files".
  for (const std::wstring prefix : {L"C:/Program Files (x86)", L"C:/Program Files"}) {
    if (StartsWithNoCase(result, prefix) &&
        (result.size() == prefix.size() || result[prefix.size()] == L'/')) {
      const auto programFiles = GetSpecialFolderPath(kProgramFilesFolder);
      return programFiles.value_or(L"/opt") + result.substr(prefix.size());
    }
  }
  std::wstring rest = result.substr(2);
  if (rest.empty() || rest[0] != L'/') rest.insert(rest.begin(), L'/');
  return MachineRoot() + rest;
}

std::string ToNativePathBytes(const std::wstring& path) { return WideToLocale(ToNativePath(path)); }

}  // namespace platform
