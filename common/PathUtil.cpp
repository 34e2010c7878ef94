#include "common/PathUtil.h"

#include <boost/regex.hpp>

#include <cwctype>
#include <map>

#include "common/StringUtil.h"
#include "platform/core/Environment.h"
#include "platform/core/SpecialFolders.h"

namespace Velunor::Quillon::Common {
namespace {

// Fixed-size buffers of the folder queries: longer answers count as failures.
constexpr std::size_t kMaxPathChars = 260;
constexpr std::size_t kEnvironmentBufferChars = 256;

const std::map<std::wstring, int>& CsidlTokenMap() {
  // A function-local static is built exactly once, even on concurrent first use.
  static const std::map<std::wstring, int> map = {
      {L"%CSIDL_ADMINTOOLS%", 48},       {L"%CSIDL_COMMON_ADMINTOOLS%", 47},
      {L"%CSIDL_APPDATA%", 26},          {L"%CSIDL_COMMON_APPDATA%", 35},
      {L"%CSIDL_COMMON_DOCUMENTS%", 46}, {L"%CSIDL_COOKIES%", 33},
      {L"%CSIDL_HISTORY%", 34},          {L"%CSIDL_INTERNET_CACHE%", 32},
      {L"%CSIDL_LOCAL_APPDATA%", 28},    {L"%CSIDL_MYPICTURES%", 39},
      {L"%CSIDL_PERSONAL%", 5},          {L"%CSIDL_PROGRAM_FILES%", 38},
      {L"%CSIDL_PROGRAM_FILES_COMMON%", 43}, {L"%CSIDL_SYSTEM%", 37},
      {L"%CSIDL_WINDOWS%", 36},          {L"%CSIDL_DESKTOP%", 0},
  };
  return map;
}

std::wstring ToUpper(std::wstring text) {
  for (auto& ch : text) ch = static_cast<wchar_t>(std::towupper(ch));
  return text;
}

std::wstring FolderWithSeparator(int csidl) { return GetSpecialFolder(csidl) + L"\\"; }

std::wstring ReplaceAllLiteral(const std::wstring& text, const std::wstring& search, const std::wstring& value) {
  return ReplaceString(text, search, value, 0, -1);
}

}  // namespace

std::wstring GetSpecialFolder(int csidl) {
  const auto folder = platform::GetSpecialFolderPath(csidl);
  if (!folder || folder->size() >= kMaxPathChars) return std::wstring();
  return *folder;
}

std::wstring GetAppDataFolder() { return FolderWithSeparator(kCsidlAppData); }
std::wstring GetCommonAppDataFolder() { return FolderWithSeparator(kCsidlCommonAppData); }

std::wstring GetLogFolder() {
  return GetCommonAppDataFolder() + kDataFolderName + L"\\" + kLogFolderName + L"\\";
}
std::wstring GetUserLogFolder() {
  return FolderWithSeparator(kCsidlLocalAppData) + kDataFolderName + L"\\" + kLogFolderName + L"\\";
}
std::wstring GetUserInfoFilePath() { return GetAppDataFolder() + kDataFolderName + L"\\" + kUserInfoFileName; }
std::wstring GetSysInfoFilePath() { return GetCommonAppDataFolder() + kDataFolderName + L"\\" + kSysInfoFileName; }
std::wstring GetSummaryDataFilePath() {
  return GetCommonAppDataFolder() + kDataFolderName + L"\\" + kSummaryDataFileName;
}

std::wstring GetTempFolder() {
  const std::wstring folder = platform::GetTempFolderPath();
  return folder.size() >= kMaxPathChars ? std::wstring() : folder;
}

std::wstring ExpandEnvVariable(const std::wstring& token) {
  return platform::ExpandEnvironmentStrings(token, kEnvironmentBufferChars).value_or(token);
}

std::wstring GetCsidlFolder(const std::wstring& token) {
  const auto& map = CsidlTokenMap();
  const auto found = map.find(token);
  return found == map.end() ? std::wstring() : GetSpecialFolder(found->second);
}

std::wstring ExpandPath(const std::wstring& path) {
  static const boost::wregex placeholder(L"%\\w+%");
  std::wstring result = path;
  auto begin = path.cbegin();
  boost::wsmatch match;
  while (boost::regex_search(begin, path.cend(), match, placeholder)) {
    const std::wstring found = match.str();
    const std::wstring token = ToUpper(found);
    std::wstring value;
    if (token == L"%TEMP%") {
      value = GetTempFolder();
    } else if (token.rfind(L"%CSIDL_", 0) == 0) {
      value = GetCsidlFolder(token);
    } else {
      value = ExpandEnvVariable(token);
    }
    if (value != token) {
      // Folders end in a separator; the path already has one after the placeholder.
      if (!value.empty() && (value.back() == L'\\' || value.back() == L'/')) value.pop_back();
      result = ReplaceAllLiteral(result, found, value);
    }
    begin = match[0].second;
  }
  return result;
}

}  // namespace Velunor::Quillon::Common
