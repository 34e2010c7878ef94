#include "platform/core/SpecialFolders.h"

#include <cstdlib>

#include "platform/core/TextCodec.h"

namespace platform {
namespace {

std::wstring Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::wstring() : LocaleToWide(value);
}

std::wstring StripTrailingSlash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'/') path.pop_back();
  return path;
}

// An XDG base directory: the variable when it is an absolute path, else HOME + fallback.
std::optional<std::wstring> XdgBase(const char* variable, const wchar_t* homeRelative) {
  const std::wstring value = Env(variable);
  if (!value.empty() && value[0] == L'/') return StripTrailingSlash(value);
  const std::wstring home = Env("HOME");
  if (home.empty()) return std::nullopt;
  return StripTrailingSlash(home) + L"/" + homeRelative;
}

}  // namespace

std::wstring MachineRoot() {
  std::wstring root = Env("CORVANE_ROOT");
  while (!root.empty() && root.back() == L'/') root.pop_back();
  return root;
}

std::optional<std::wstring> GetSpecialFolderPath(int number) {
  const std::wstring root = MachineRoot();
  switch (number) {
    case 0: return XdgBase("XDG_DESKTOP_DIR", L"Desktop");
    case 5: return XdgBase("XDG_DOCUMENTS_DIR", L"Documents");
    case 26: return XdgBase("XDG_DATA_HOME", L".local/share");
    case 28: return XdgBase("XDG_STATE_HOME", L".local/state");
    case 32: return XdgBase("XDG_CACHE_HOME", L".cache");
    case 33: {
      auto base = XdgBase("XDG_DATA_HOME", L".local/share");
      if (base) *base += L"/cookies";
      return base;
    }
    case 34: {
      auto base = XdgBase("XDG_STATE_HOME", L".local/state");
      if (base) *base += L"/history";
      return base;
    }
    case 35: return root + L"/var/lib";
    case 36: return root + L"/etc";
    case 37: return root + L"/usr/lib";
    case 38: return root + L"/opt";
    case 39: return XdgBase("XDG_PICTURES_DIR", L"Pictures");
    case 43: return root + L"/usr/share";
    case 46: return root + L"/srv";
    case 47: return root + L"/usr/sbin";
    case 48: return XdgBase("XDG_BIN_HOME", L".local/bin");
    default: return std::nullopt;
  }
}

std::wstring GetTempFolderPath() {
  std::wstring folder = Env("TMPDIR");
  if (folder.empty() || folder[0] != L'/') folder = L"/tmp";
  folder = StripTrailingSlash(folder);
  if (folder.back() != L'/') folder += L'/';
  return folder;
}

}  // namespace platform
