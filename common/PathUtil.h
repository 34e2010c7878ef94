#pragma once
// Data-folder paths and %NAME% expansion. Paths are built with "\" separators; turn them
// into Linux paths with platform::ToNativePath only when a file is opened.
#include <string>

namespace Velunor::Quillon::Common {

// Special-folder numbers the programs ask for.
inline constexpr int kCsidlAppData = 26;
inline constexpr int kCsidlCommonAppData = 35;

// Per-user application data folder + "\" (just "\" when it cannot be found).
std::wstring GetAppDataFolder();
// Machine-wide application data folder + "\" (just "\" when it cannot be found).
std::wstring GetCommonAppDataFolder();
std::wstring GetLogFolder();
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
