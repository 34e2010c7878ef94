#pragma once
// The process-wide settings: built-in values, config.ini beside the program (section
// "Config", read once on first use) and the developer URL overrides of DebugUrlTest.txt.
#include <string>

namespace Velunor::Quillon::Common {

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
