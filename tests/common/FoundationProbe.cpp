// Test program: prints every setting, or writes log lines, as the real programs would.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/ConfigSettings.h"
#include "common/LogMessage.h"
#include "common/StringUtil.h"

using namespace Velunor::Quillon::Common;

namespace {

std::string Narrow(const std::wstring& text) { return ToMultiByteString(text, kUtf8CodePageFlag); }

void PrintSettings() {
  std::printf("LogLevel=%d\nBufferSize=%d\nXMLWriteIntervalSec=%d\nNicWatchIntervalSec=%d\n", GetLogLevel(),
              GetBufferSize(), GetXMLWriteIntervalSec(), GetNicWatchIntervalSec());
  std::printf("ExclusionListFilePath=%s\nVersionCheckIntervalDays=%d\n", Narrow(GetExclusionListFilePath()).c_str(),
              GetVersionCheckIntervalDays());
  std::printf("PAYGUnitSize=%d\n", GetConfigInt(&ConfigSettings::PAYGUnitSize));
  std::printf("BasicCharge=%d\n", GetConfigInt(&ConfigSettings::BasicCharge));
  std::printf("Guid=%s\nUpdate=%s\n", Narrow(GetGuidNotificationWndText()).c_str(),
              Narrow(GetUpdateNotificationWndText()).c_str());
  std::printf("DownloadUrl=%s\nVersionCheckUrl=%s\nComparisonPageUrl=%s\nTopPageUrl=%s\nDownloadPageUrl=%s\n",
              Narrow(GetDownloadUrl()).c_str(), Narrow(GetVersionCheckUrl()).c_str(),
              Narrow(GetComparisonPageUrl()).c_str(), Narrow(GetTopPageUrl()).c_str(),
              Narrow(GetDownloadPageUrl()).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "settings";
  if (mode == "settings") {
    PrintSettings();
  } else if (mode == "debug-url") {
    LoadDebugUrlTest();
    PrintSettings();
  } else if (mode == "late" && argc > 2) {
    // A config.ini that appears after the first getter call is still picked up.
    std::printf("before=%d\n", GetLogLevel());
    std::ofstream(Narrow(GetModuleFolder()) + "config.ini") << argv[2];
    std::printf("after=%d\n", GetLogLevel());
  } else if (mode == "log" && argc > 3) {
    Log::WriteLog(L"Velunor::Quillon::Test::Probe", 42, ToWideString(std::string(argv[3]), kUtf8CodePageFlag),
                  std::atoi(argv[2]));
  } else if (mode == "log-into" && argc > 3) {
    // The day files of a program of that kind: machine, user or none.
    const std::string kind = argv[2];
    Log::SetLogFolderKind(kind == "user" ? Log::LogFolderKind::kUser
                          : kind == "none" ? Log::LogFolderKind::kNone
                                           : Log::LogFolderKind::kMachine);
    Log::WriteLog(L"Velunor::Quillon::Test::Probe", 42, ToWideString(std::string(argv[3]), kUtf8CodePageFlag),
                  Log::kError);
  } else if (mode == "log-lines" && argc > 3) {
    const int count = std::atoi(argv[2]);
    const std::wstring tag = ToWideString(std::string(argv[3]), kUtf8CodePageFlag);
    for (int i = 0; i < count; ++i) {
      Log::WriteLog(L"Velunor::Quillon::Test::Probe", i, tag + std::wstring(200, L'x'), Log::kInfo);
    }
  } else {
    return 2;
  }
  return 0;
}
