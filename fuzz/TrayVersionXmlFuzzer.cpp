// Any bytes as the body of version.xml, as the HTTP fetch would hand it over.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/core/TextCodec.h"
#include "tray/VersionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  Velunor::Quillon::Resident::CVersionFile file;
  if (file.ParseVersionXml(platform::Utf8ToWide(bytes)) == 1) {
    // The parts come from splitting at the dots.
    auto version = file.GetVersion();
    for (const std::wstring& part : {version.GetMajor(), version.GetMinor(), version.GetBuild()}) {
      if (part.find(L'.') != std::wstring::npos) std::abort();
    }
  }
  return 0;
}
