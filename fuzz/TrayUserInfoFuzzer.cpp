// Any bytes as userinfo.xml: both records are read, rewritten and read again.
#include <cstdint>
#include <cstdlib>

#include "fuzz/TrayStateFileFuzzing.h"
#include "platform/core/TextCodec.h"
#include "tray/UserInfoFile.h"

using Velunor::Quillon::Resident::CUserInfoFile;
using Velunor::Quillon::Resident::CVersionNumber;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = tray_fuzzing::ScratchFile("userinfo.xml");
  tray_fuzzing::WriteScratch(path, data, size);
  CUserInfoFile file(platform::Utf8ToWide(path));
  for (int round = 0; round < 2; ++round) {
    platform::DateTime date;
    CVersionNumber version;
    int count = 0, show = 0;
    if (file.GetNotificationDate(date, count, show) == 1 && (!date.IsValid() || (show != 0 && show != 1))) std::abort();
    if (file.GetUpdateDate(date, version, count) == 1 && !date.IsValid()) std::abort();
    if (round == 0) {
      version.Parse(L"1.2.0");
      file.SetNotificationDate(platform::DateTime(2016, 3, 16, 12, 34, 56), 1, 1);
      file.SetUpdateDate(platform::DateTime(2016, 3, 16), version, 2);
    }
  }
  return 0;
}
