#pragma once
// Data-folder paths and %NAME% expansion. Paths are built with "\" separators; turn them
// into Linux paths with platform::ToNativePath only when a file is opened.
#include <string>

#include "platform/core/SpecialFolders.h"

namespace Velunor::Quillon::Common {

// The product's data folder below the machine's and the user's data folders, and the
// data files whose paths are built here. kProductFolderName, the folder's last part, is
// also the agent name of the tray's HTTP requests.
inline constexpr wchar_t kProductFolderName[] = L"Zembrolite";
inline constexpr wchar_t kDataFolderName[] = L"Hoxa\\Zembrolite";
inline constexpr wchar_t kSummaryDataFileName[] = L"summarydata.xml";
inline constexpr wchar_t kSysInfoFileName[] = L"sysinfo.xml";
inline constexpr wchar_t kUserInfoFileName[] = L"userinfo.xml";
// The day log files' folder inside the data folder.
inline constexpr wchar_t kLogFolderName[] = L"Log";

// Special-folder numbers the programs ask for.
inline constexpr int kCsidlAppData = platform::kAppDataFolder;
inline constexpr int kCsidlCommonAppData = platform::kCommonAppDataFolder;
inline constexpr int kCsidlLocalAppData = platform::kLocalAppDataFolder;

// Per-user application data folder + "\" (just "\" when it cannot be found).
std::wstring GetAppDataFolder();
// Machine-wide application data folder + "\" (just "\" when it cannot be found).
std::wstring GetCommonAppDataFolder();
// The machine-wide Log folder: the service's day files.
std::wstring GetLogFolder();
// The same folders below the user's own state folder (LOCAL_APPDATA): the day files of
// programs that desktop users run, who cannot write the machine-wide one.
std::wstring GetUserLogFolder();
std::wstring GetUserInfoFilePath();
std::wstring GetSysInfoFilePath();
std::wstring GetSummaryDataFilePath();

// Replaces %TEMP%, %CSIDL_...% and environment-variable placeholders in any letter case.
// Unknown environment variables stay; unknown %CSIDL_...% names disappear.
std::wstring ExpandPath(const std::wstring& path);

// The environment expansion of token, or token itself when it cannot be expanded.
std::wstring ExpandEnvVariable(const std::wstring& token);
// The special folder for a number, or empty text.
std::wstring GetSpecialFolder(int csidl);
// The temporary folder with its trailing separator, or empty text.
std::wstring GetTempFolder();
// The special folder for a "%CSIDL_...%" token, or empty text for a token not known.
std::wstring GetCsidlFolder(const std::wstring& token);

}  // namespace Velunor::Quillon::Common
