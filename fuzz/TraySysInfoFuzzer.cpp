// Any bytes as sysinfo.xml: the installed version and the check record are read, the
// check record rewritten and read again.
#include <cstdint>
#include <cstdlib>

#include "fuzz/TrayStateFileFuzzing.h"
#include "platform/core/TextCodec.h"
#include "tray/SysInfoFile.h"

using Velunor::Quillon::Resident::CSysInfoFile;
using Velunor::Quillon::Resident::CVersionNumber;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = tray_fuzzing::ScratchFile("sysinfo.xml");
  tray_fuzzing::WriteScratch(path, data, size);
  CSysInfoFile file(platform::Utf8ToWide(path));
  for (int round = 0; round < 2; ++round) {
    platform::DateTime date;
    CVersionNumber version;
    file.GetVersion(version);
    if (file.GetUpdateCheck(date, version) == 1 &&
        (!date.IsValid() || date.GetHour() != 0 || date.GetMinute() != 0)) {
      std::abort();
    }
    if (round == 0) {
      version.Parse(L"1.2.0");
      file.SetUpdateCheck(platform::DateTime(2016, 3, 16, 23, 59), version);
    }
  }
  return 0;
}
