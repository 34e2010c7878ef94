#pragma once
// userinfo.xml, the per-user state of the tray program: the notification record of the
// monthly guidance popup and the update record of the update popup. Every call reads
// the file (and a write saves it) within the call; nothing is kept between calls.
//
//   <user_info>
//       <notification><date>yyyyMMddHHmm</date><count>n</count><show /></notification>
//       <update><date>yyyyMMddHHmm</date><version>a.b.c</version><count>n</count></update>
//   </user_info>
#include <cstddef>
#include <string>

#include "platform/core/DateTime.h"
#include "tray/VersionNumber.h"

namespace Velunor::Quillon::Resident {

inline constexpr wchar_t kUserInfoRootElement[] = L"user_info";
inline constexpr wchar_t kNotificationElement[] = L"notification";
inline constexpr wchar_t kNotificationDateElement[] = L"date";
inline constexpr wchar_t kNotificationCountElement[] = L"count";
inline constexpr wchar_t kNotificationShowElement[] = L"show";
inline constexpr wchar_t kUpdateElement[] = L"update";
inline constexpr wchar_t kUpdateDateElement[] = L"date";
inline constexpr wchar_t kUpdateVersionElement[] = L"version";
inline constexpr wchar_t kUpdateCountElement[] = L"count";
// The date of both records: the minute of the write, yyyyMMddHHmm.
inline constexpr wchar_t kRecordDateFormat[] = L"%04d%02d%02d%02d%02d";
inline constexpr std::size_t kRecordDateLength = 12;

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
