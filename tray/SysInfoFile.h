#pragma once
// sysinfo.xml, the machine-wide state of the installation: the installed version
// (written by the installation, only read here) and the record of the last version
// check. This class never creates the file and writes no log lines.
//
//   <system_info>
//       <version>a.b.c</version>
//       <update_chk><date>yyyyMMdd</date><version>a.b.c</version></update_chk>
//   </system_info>
#include <cstddef>
#include <string>

#include "platform/core/DateTime.h"
#include "tray/VersionNumber.h"

namespace Velunor::Quillon::Resident {

inline constexpr wchar_t kSysInfoVersionElement[] = L"version";
inline constexpr wchar_t kUpdateCheckElement[] = L"update_chk";
inline constexpr wchar_t kUpdateCheckDateElement[] = L"date";
inline constexpr wchar_t kUpdateCheckVersionElement[] = L"version";
// update_chk's date: the day of the check, yyyyMMdd.
inline constexpr wchar_t kUpdateCheckDateFormat[] = L"%04d%02d%02d";
inline constexpr std::size_t kUpdateCheckDateLength = 8;

class CSysInfoFile {
 public:
  explicit CSysInfoFile(const std::wstring& filePath) : m_filePath(filePath) {}
  ~CSysInfoFile() = default;

  // 1 with the installed version, else 0.
  int GetVersion(CVersionNumber& version);
  // 1 with the check date (at 00:00) and the newest version found then, else 0.
  int GetUpdateCheck(platform::DateTime& date, CVersionNumber& version);
  // Replaces the check record (only the date of date is stored). 0 when the file is
  // missing or has no root; 1 otherwise, whether or not the save succeeded.
  int SetUpdateCheck(const platform::DateTime& date, const CVersionNumber& version);

 private:
  std::wstring m_filePath;
};

}  // namespace Velunor::Quillon::Resident
