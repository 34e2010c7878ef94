#pragma once
// userinfo.xml, the per-user state of the tray program: the notification record of the
// monthly guidance popup and the update record of the update popup. Every call reads
// the file (and a write saves it) within the call; nothing is kept between calls.
//
//   <user_info>
//       <notification><date>yyyyMMddHHmm</date><count>n</count><show /></notification>
//       <update><date>yyyyMMddHHmm</date><version>a.b.c</version><count>n</count></update>
//   </user_info>
#include <string>

#include "platform/core/DateTime.h"
#include "tray/VersionNumber.h"

namespace Velunor::Quillon::Resident {

class CUserInfoFile {
 public:
  // The path is kept as given and expanded at every call; log lines show it as given.
  explicit CUserInfoFile(const std::wstring& filePath) : m_filePath(filePath) {}
  ~CUserInfoFile() = default;

  // Replaces the first notification record (seconds are not stored); show 1 adds the
  // show element. Creates the file and its folders when missing. Outcome only logged.
  void SetNotificationDate(const platform::DateTime& date, int count, int show);
  // 1 with all three outputs set from a complete record, else 0 (outputs then unusable).
  int GetNotificationDate(platform::DateTime& date, int& count, int& show);

  void SetUpdateDate(const platform::DateTime& date, const CVersionNumber& version, int count);
  int GetUpdateDate(platform::DateTime& date, CVersionNumber& version, int& count);

 private:
  std::wstring m_filePath;
};

}  // namespace Velunor::Quillon::Resident
