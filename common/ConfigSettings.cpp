#include "common/ConfigSettings.h"

#include <boost/filesystem.hpp>
#include <boost/lexical_cast.hpp>

#include <cstdio>
#include <memory>
#include <mutex>

#include "common/StringUtil.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"
#include "platform/core/Process.h"
#include "platform/core/ProfileReader.h"
#include "platform/core/TextCodec.h"

namespace Velunor::Quillon::Common {
namespace {

constexpr std::size_t kProfileBufferChars = 255;
constexpr std::size_t kModuleNameChars = 260;
constexpr std::size_t kDebugUrlReadChars = 255;

// The product web site is under the reserved .example domain, so no address of this build
// reaches a real host.
#define CORVANE_SITE L"www.zembrolite.example"

ConfigSettings& Settings() {
  static ConfigSettings settings;
  return settings;
}

std::mutex& LoadLock() {
  static std::mutex lock;
  return lock;
}

// A whole decimal integer in the signed 32-bit range, nothing before or after it.
bool ParseInt(const std::wstring& text, int& value) {
  try {
    value = boost::lexical_cast<int>(text);
    return true;
  } catch (const boost::bad_lexical_cast&) {
    return false;
  }
}

void ReadIntKey(const std::wstring& path, const wchar_t* key, const wchar_t* defaultText, int& field) {
  try {
    int value = 0;
    if (ParseInt(platform::ReadProfileString(path, kConfigSection, key, defaultText, kProfileBufferChars), value)) {
      field = value;
    }
  } catch (const std::exception&) {
    // One key failing never stops the others.
  }
}

void ReadStringKey(const std::wstring& path, const wchar_t* key, const wchar_t* defaultText, std::wstring& field,
                   const std::wstring& prefix = std::wstring()) {
  try {
    field = prefix + platform::ReadProfileString(path, kConfigSection, key, defaultText, kProfileBufferChars);
  } catch (const std::exception&) {
  }
}

bool ReadConfigIniLocked() {
  ConfigSettings& s = Settings();
  try {
    const std::wstring folder = GetModuleFolder();
    const std::wstring path = folder + kConfigFileName;
    boost::system::error_code error;
    if (!boost::filesystem::exists(platform::ToNativePathBytes(path), error)) return false;

    ReadIntKey(path, kKeyLogLevel, kDefaultLogLevel, s.LogLevel);
    ReadIntKey(path, kKeyBufferSize, kDefaultBufferSize, s.BufferSize);
    ReadIntKey(path, kKeyXMLWriteIntervalSec, kDefaultXMLWriteIntervalSec, s.XMLWriteIntervalSec);
    ReadIntKey(path, kKeyNicWatchIntervalSec, kDefaultNicWatchIntervalSec, s.NicWatchIntervalSec);
    ReadStringKey(path, kKeyExclusionListFileName, kDefaultExclusionListFileName, s.ExclusionListFilePath, folder);
    ReadIntKey(path, kKeyBasicCharge, kDefaultBasicCharge, s.BasicCharge);
    ReadIntKey(path, kKeyBasicChargeLimitSize, kDefaultBasicChargeLimitSize, s.BasicChargeLimitSize);
    ReadIntKey(path, kKeyPAYGUnitCharge, kDefaultPAYGUnitCharge, s.PAYGUnitCharge);
    ReadIntKey(path, kKeyPAYGUnitSize, kDefaultPAYGUnitSize, s.PAYGUnitSize);
    if (s.PAYGUnitSize < 1) ParseInt(kDefaultPAYGUnitSize, s.PAYGUnitSize);
    ReadIntKey(path, kKeyPAYGChargeLimitSize, kDefaultPAYGChargeLimitSize, s.PAYGChargeLimitSize);
    ReadIntKey(path, kKeyVersionCheckIntervalDays, kDefaultVersionCheckIntervalDays, s.VersionCheckIntervalDays);
    if (s.VersionCheckIntervalDays < 1 || s.VersionCheckIntervalDays > 99) s.VersionCheckIntervalDays = 1;
    ReadStringKey(path, kKeyGuidNotificationWndText01, kDefaultGuidNotificationWndText01, s.GuidNotificationWndText);
    ReadStringKey(path, kKeyUpdateNotificationWndText01, kDefaultUpdateNotificationWndText01,
                  s.UpdateNotificationWndText);
    s.IsConfigLoaded = true;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

template <typename T>
T GetField(T ConfigSettings::*field) {
  std::lock_guard<std::mutex> guard(LoadLock());
  if (!Settings().IsConfigLoaded) ReadConfigIniLocked();
  return Settings().*field;
}

// One read of at most maxChars bytes of a line; the line end is removed. False at end
// of file.
bool ReadLine(std::FILE* file, std::size_t maxChars, std::wstring& line) {
  std::string bytes;
  int ch = 0;
  bool any = false;
  while (bytes.size() < maxChars && (ch = std::fgetc(file)) != EOF) {
    any = true;
    if (ch == '\n') break;
    bytes += static_cast<char>(ch);
  }
  if (!any) return false;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  line = platform::LocaleToWide(bytes);
  return true;
}

}  // namespace

ConfigSettings::ConfigSettings()
    : TopPageUrl(L"https://" CORVANE_SITE L"/"),
      DownloadUrl(L"http://" CORVANE_SITE L"/sorane/mervix_v2/download.html#download"),
      VersionCheckUrl(L"http://" CORVANE_SITE L"/sorane/mervix_v2/ver_check/version.xml"),
      DownloadPageUrl(L"http://" CORVANE_SITE L"/sorane/mervix_v2/download.html"),
      ComparisonPageUrl(L"http://" CORVANE_SITE L"/sorane/mervix/hikaku.php") {}

std::wstring GetModuleFolder() {
  std::wstring module = platform::GetModuleFileName();
  if (module.size() >= kModuleNameChars) module.clear();
  const auto slash = module.find_last_of(L"/\\");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : module.substr(0, slash + 1);
  platform::OutputDebugString(folder);
  return folder;
}

bool ReadConfigIni() {
  std::lock_guard<std::mutex> guard(LoadLock());
  return ReadConfigIniLocked();
}

int GetConfigInt(int ConfigSettings::*field) { return GetField(field); }
std::wstring GetConfigString(std::wstring ConfigSettings::*field) { return GetField(field); }

int GetLogLevel() { return GetConfigInt(&ConfigSettings::LogLevel); }
int GetBufferSize() { return GetConfigInt(&ConfigSettings::BufferSize); }
int GetXMLWriteIntervalSec() { return GetConfigInt(&ConfigSettings::XMLWriteIntervalSec); }
int GetNicWatchIntervalSec() { return GetConfigInt(&ConfigSettings::NicWatchIntervalSec); }
std::wstring GetExclusionListFilePath() { return GetConfigString(&ConfigSettings::ExclusionListFilePath); }
int GetVersionCheckIntervalDays() { return GetConfigInt(&ConfigSettings::VersionCheckIntervalDays); }
std::wstring GetGuidNotificationWndText() { return GetConfigString(&ConfigSettings::GuidNotificationWndText); }
std::wstring GetUpdateNotificationWndText() { return GetConfigString(&ConfigSettings::UpdateNotificationWndText); }
std::wstring GetTopPageUrl() { return GetConfigString(&ConfigSettings::TopPageUrl); }
std::wstring GetDownloadUrl() { return GetConfigString(&ConfigSettings::DownloadUrl); }
std::wstring GetVersionCheckUrl() { return GetConfigString(&ConfigSettings::VersionCheckUrl); }
std::wstring GetDownloadPageUrl() { return GetConfigString(&ConfigSettings::DownloadPageUrl); }
std::wstring GetComparisonPageUrl() { return GetConfigString(&ConfigSettings::ComparisonPageUrl); }

void LoadDebugUrlTest() {
  std::FILE* file = nullptr;
  for (const wchar_t* path : {L"C:/Program Files/Hoxa/Zembrolite/DebugUrlTest.txt",
                              L"C:/Program Files (x86)/Hoxa/Zembrolite/DebugUrlTest.txt"}) {
    file = std::fopen(platform::ToNativePathBytes(path).c_str(), "r");
    if (file != nullptr) break;
  }
  if (file == nullptr) return;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);

  std::lock_guard<std::mutex> guard(LoadLock());
  ConfigSettings& s = Settings();
  std::wstring* fields[] = {&s.DownloadUrl, &s.VersionCheckUrl, &s.ComparisonPageUrl};
  for (std::wstring* field : fields) {
    std::wstring line;
    if (ReadLine(file, kDebugUrlReadChars, line)) *field = line;
  }
}

}  // namespace Velunor::Quillon::Common
