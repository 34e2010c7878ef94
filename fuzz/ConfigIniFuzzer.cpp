// Any bytes as config.ini beside the program: every key is read with its default and
// clamps, and the profile reader never hands back more than its buffer holds.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/ConfigSettings.h"
#include "platform/core/NativePath.h"
#include "platform/core/ProfileReader.h"

namespace {

namespace Common = Velunor::Quillon::Common;

void Check(bool condition) {
  if (!condition) std::abort();
}

// config.ini lies beside the program, where the settings look for it.
const std::wstring& ConfigPath() {
  static const std::wstring path = Common::GetModuleFolder() + L"config.ini";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ofstream(platform::ToNativePathBytes(ConfigPath()), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  Common::ReadConfigIni();
  const int interval = Common::GetVersionCheckIntervalDays();
  Check(interval >= 1 && interval <= 99);
  Check(Common::GetConfigInt(&Common::ConfigSettings::PAYGUnitSize) >= 1);
  // 255-character buffers hold 254 characters and the terminator.
  Check(Common::GetGuidNotificationWndText().size() <= 254);
  Check(Common::GetUpdateNotificationWndText().size() <= 254);
  Check(Common::GetExclusionListFilePath().size() <= Common::GetModuleFolder().size() + 254);
  // Any section and key, in any case, and buffers down to one character.
  for (const wchar_t* section : {L"Config", L"config", L"", L"[Config]"}) {
    for (std::size_t chars : {std::size_t{1}, std::size_t{2}, std::size_t{255}}) {
      const std::wstring value = platform::ReadProfileString(ConfigPath(), section, L"LOGLEVEL", L"dflt", chars);
      Check(value.size() <= chars - 1);
    }
  }
  return 0;
}
