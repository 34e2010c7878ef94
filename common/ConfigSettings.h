#pragma once
// The process-wide settings: built-in values, config.ini beside the program (section
// "Config", read once on first use) and the developer URL overrides of DebugUrlTest.txt.
#include <string>

namespace Velunor::Quillon::Common {

// config.ini: its name beside the program, its section, and each key with the default
// text the ini reader is handed. Numbers are kept as text for that reason.
inline constexpr wchar_t kConfigFileName[] = L"config.ini";
inline constexpr wchar_t kConfigSection[] = L"Config";
inline constexpr wchar_t kKeyLogLevel[] = L"LogLevel";
inline constexpr wchar_t kDefaultLogLevel[] = L"0";
inline constexpr wchar_t kKeyBufferSize[] = L"BufferSize";
inline constexpr wchar_t kDefaultBufferSize[] = L"64";
inline constexpr wchar_t kKeyXMLWriteIntervalSec[] = L"XMLWriteIntervalSec";
inline constexpr wchar_t kDefaultXMLWriteIntervalSec[] = L"600";
inline constexpr wchar_t kKeyNicWatchIntervalSec[] = L"NicWatchIntervalSec";
inline constexpr wchar_t kDefaultNicWatchIntervalSec[] = L"5";
inline constexpr wchar_t kKeyExclusionListFileName[] = L"ExclusionListFileName";
inline constexpr wchar_t kDefaultExclusionListFileName[] = L"exclusion.dat";
inline constexpr wchar_t kKeyBasicCharge[] = L"BasicCharge";
inline constexpr wchar_t kDefaultBasicCharge[] = L"29400";
inline constexpr wchar_t kKeyBasicChargeLimitSize[] = L"BasicChargeLimitSize";
inline constexpr wchar_t kDefaultBasicChargeLimitSize[] = L"209715200";
inline constexpr wchar_t kKeyPAYGUnitCharge[] = L"PAYGUnitCharge";
inline constexpr wchar_t kDefaultPAYGUnitCharge[] = L"315";
inline constexpr wchar_t kKeyPAYGUnitSize[] = L"PAYGUnitSize";
inline constexpr wchar_t kDefaultPAYGUnitSize[] = L"10485760";
inline constexpr wchar_t kKeyPAYGChargeLimitSize[] = L"PAYGChargeLimitSize";
inline constexpr wchar_t kDefaultPAYGChargeLimitSize[] = L"1258291200";
inline constexpr wchar_t kKeyVersionCheckIntervalDays[] = L"VersionCheckIntervalDays";
inline constexpr wchar_t kDefaultVersionCheckIntervalDays[] = L"1";
inline constexpr wchar_t kKeyGuidNotificationWndText01[] = L"GuidNotificationWndText01";
inline constexpr wchar_t kDefaultGuidNotificationWndText01[] = L"";
inline constexpr wchar_t kKeyUpdateNotificationWndText01[] = L"UpdateNotificationWndText01";
inline constexpr wchar_t kDefaultUpdateNotificationWndText01[] = L"";

struct ConfigSettings {
  int LogLevel = 0;
  int BufferSize = 64;
  int XMLWriteIntervalSec = 600;
  int NicWatchIntervalSec = 5;
  std::wstring ExclusionListFilePath = L"exclusion.dat";
  int BasicCharge = 29400;
  int BasicChargeLimitSize = 209715200;
  int PAYGUnitCharge = 315;
  int PAYGUnitSize = 10485760;
  int PAYGChargeLimitSize = 1258291200;
  int VersionCheckIntervalDays = 1;
  std::wstring GuidNotificationWndText;
  std::wstring UpdateNotificationWndText;
  std::wstring TopPageUrl;
  std::wstring DownloadUrl;
  std::wstring VersionCheckUrl;
  std::wstring DownloadPageUrl;
  std::wstring ComparisonPageUrl;
  bool IsConfigLoaded = false;

  ConfigSettings();
};

// Folder of the running program, ending in a separator.
std::wstring GetModuleFolder();

// Fills the record from config.ini; false (record as it was) when there is no such file.
bool ReadConfigIni();

// Getter cores: load on first use (and again while no load has succeeded), then return
// the field. They never fail.
int GetConfigInt(int ConfigSettings::*field);
std::wstring GetConfigString(std::wstring ConfigSettings::*field);

int GetLogLevel();
int GetBufferSize();
int GetXMLWriteIntervalSec();
int GetNicWatchIntervalSec();
std::wstring GetExclusionListFilePath();
int GetVersionCheckIntervalDays();
std::wstring GetGuidNotificationWndText();
std::wstring GetUpdateNotificationWndText();
std::wstring GetTopPageUrl();
std::wstring GetDownloadUrl();
std::wstring GetVersionCheckUrl();
std::wstring GetDownloadPageUrl();
std::wstring GetComparisonPageUrl();

// Replaces DownloadUrl, VersionCheckUrl and ComparisonPageUrl by the first three lines of
// DebugUrlTest.txt in the product's program folder, when that file exists.
void LoadDebugUrlTest();

}  // namespace Velunor::Quillon::Common
