#include "platform/core/Shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cwctype>
#include <optional>
#include <vector>

#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"
#include "platform/core/TextCodec.h"

namespace platform {

namespace process_detail {
bool SpawnDetached(const std::vector<std::string>& argv, bool searchPath);
std::optional<std::string> ProgramFileOf(const std::wstring& path);
std::vector<std::wstring> SplitArgumentText(const std::wstring& text);
}  // namespace process_detail

namespace {

// "scheme:" with a scheme of two letters or more, so "C:\..." stays a path.
bool IsUrl(const std::wstring& text) {
  std::size_t colon = text.find(L':');
  if (colon == std::wstring::npos || colon < 2) return false;
  if (!std::iswalpha(text[0])) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    wchar_t c = text[i];
    if (!std::iswalnum(c) && c != L'+' && c != L'-' && c != L'.') return false;
  }
  return true;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

bool ShellOpen(const std::wstring& file, const std::wstring& parameters) {
  if (file.empty()) return false;
  if (IsUrl(file)) return process_detail::SpawnDetached({"xdg-open", WideToUtf8(file)}, true);
  std::optional<std::string> program = process_detail::ProgramFileOf(file);
  if (program && IsExecutableFile(*program)) {
    std::vector<std::string> argv{*program};
    for (const std::wstring& argument : process_detail::SplitArgumentText(parameters)) argv.push_back(WideToLocale(argument));
    return process_detail::SpawnDetached(argv, false);
  }
  std::string native = program ? *program : ToNativePathBytes(file);
  if (!Exists(native)) {
    OutputDebugString(L"ShellOpen: nothing to open at " + file);
    return false;
  }
  return process_detail::SpawnDetached({"xdg-open", native}, true);
}

}  // namespace platform
