#pragma once
// The newest version the product site publishes, read from its version.xml:
//   <version_info><version>1.0.4</version></version_info>
// The root's name is not checked; the first "version" child of the root counts.
#include <string>

#include "tray/VersionNumber.h"

namespace Velunor::Quillon::Resident {

inline constexpr wchar_t kVersionFileRootElement[] = L"version_info";
inline constexpr wchar_t kVersionFileVersionElement[] = L"version";

class CVersionFile {
 public:
  CVersionFile() = default;
  ~CVersionFile() = default;

  // Downloads the version file from the version-check address and parses it: 1 on
  // success, else 0 after one DEBUG log line. Blocks for the whole download.
  int Load();
  // The part of Load after the download: the body of version.xml as text.
  int ParseVersionXml(const std::wstring& body);

  // Not to be used after a failed Load.
  CVersionNumber GetVersion() const { return m_version; }

 private:
  CVersionNumber m_version;
};

}  // namespace Velunor::Quillon::Resident
