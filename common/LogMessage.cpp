#include "common/LogMessage.h"

#include <boost/filesystem.hpp>

#include <atomic>
#include <cerrno>
#include <cwchar>

#include "common/ConfigSettings.h"
#include "common/PathUtil.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Clock.h"
#include "platform/core/DateTime.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"
#include "platform/core/Process.h"
#include "platform/core/TextCodec.h"

namespace Velunor::Quillon::Common::Log {
namespace {

constexpr int kKeepDays = 6;
const std::string kByteOrderMark("\xFF\xFE", 2);

CLogMessage& Writer() {
  static CLogMessage writer;
  return writer;
}

std::atomic<LogFolderKind> folderKind{LogFolderKind::kMachine};

// The day files' folder of this program, not yet expanded; empty for none.
std::wstring ProgramLogFolder() {
  switch (folderKind.load()) {
    case LogFolderKind::kMachine: return GetLogFolder();
    case LogFolderKind::kUser: return GetUserLogFolder();
    case LogFolderKind::kNone: break;
  }
  return std::wstring();
}

std::wstring DateText(int year, int month, int day) {
  wchar_t buffer[16];
  std::swprintf(buffer, 16, L"%04d%02d%02d", year, month, day);
  return buffer;
}

// Leading decimal digits as a number; no digit gives 0.
unsigned long long LeadingNumber(const std::wstring& text) {
  unsigned long long value = 0;
  for (wchar_t ch : text) {
    if (ch < L'0' || ch > L'9') break;
    if (value > (~0ULL - 9) / 10) break;
    value = value * 10 + static_cast<unsigned>(ch - L'0');
  }
  return value;
}

}  // namespace

void SetLogFolderKind(LogFolderKind kind) { folderKind = kind; }

bool IsErrorLogEnabled() { return GetLogLevel() > 0; }
bool IsInfoLogEnabled() { return GetLogLevel() > 2; }
bool IsDebugLogEnabled() { return GetLogLevel() > 3; }

void WriteLog(const std::wstring& functionName, int sourceLine, const std::wstring& message, int severity) {
  const long threadId = platform::CurrentThreadId();
  CLogMessage& writer = Writer();
  if (!writer.HasLogFolder()) {
    const std::wstring folder = ProgramLogFolder();
    if (!folder.empty()) writer.SetLogFolder(ExpandPath(folder), kKeepDays);
  }
  static const std::wstring kFormat = L"%d [ %s, %d ] %s";
  switch (severity) {
    case kError:
      if (IsErrorLogEnabled()) writer.Error(kFormat, threadId, functionName, sourceLine, message);
      break;
    case kInfo:
      if (IsInfoLogEnabled()) writer.Info(kFormat, threadId, functionName, sourceLine, message);
      break;
    case kDebug:
      if (IsDebugLogEnabled()) writer.Debug(kFormat, threadId, functionName, sourceLine, message);
      break;
    default:
      break;
  }
}

std::wstring CLogMessage::GetLevelName(int severity) {
  static const wchar_t* const kNames[] = {L"EMERGENCY", L"ALERT", L"CRITICAL", L"ERROR",
                                          L"WARNING",   L"NOTICE", L"INFO",    L"DEBUG"};
  return severity >= 0 && severity <= 7 ? kNames[severity] : L"UNKNOWN";
}

void CLogMessage::SetLogFolder(const std::wstring& folder, int keepDays) {
  if (folder.empty()) return;
  std::lock_guard<std::mutex> guard(m_lock);
  m_logFolder = folder;
  m_keepDays = keepDays;
}

bool CLogMessage::HasLogFolder() {
  std::lock_guard<std::mutex> guard(m_lock);
  return !m_logFolder.empty();
}

void CLogMessage::AppendLine(const std::wstring& path, const std::string& bytes) {
  // A day file that vanished (or was never made) starts again with its byte-order mark.
  platform::AppendToFile(platform::ToNativePathBytes(path), bytes, kByteOrderMark);
}

void CLogMessage::Write(int severity, const std::wstring& text) {
  const platform::LocalTime now = platform::Clock::Now();
  wchar_t stamp[64];
  std::swprintf(stamp, 64, L"[%04d-%02d-%02d %02d:%02d:%02d.%03d] [", now.year, now.month, now.day, now.hour,
                now.minute, now.second, now.microsecond / 1000);
  const std::wstring line = stamp + GetLevelName(severity) + L"] " + text;

  bool wroteFile = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_logFolder.empty()) {
      const std::wstring date = DateText(now.year, now.month, now.day);
      const std::wstring path = m_logFolder + date + kLogFileExtension;
      AppendLine(path, platform::WideToUtf16LeBytes(line));
      wroteFile = true;
    }
  }
  if (wroteFile) DeleteOldLogs();
  platform::OutputDebugString(line);
}

void CLogMessage::DeleteOldLogs() {
  int keepDays = 0;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    keepDays = m_keepDays;
  }
  if (keepDays <= 0) return;
  const platform::LocalTime now = platform::Clock::Now();
  // Walk back by whole days from today's date.
  platform::DateTime today(now.year, now.month, now.day);
  int year = today.GetYear(), month = today.GetMonth(), day = today.GetDay() - keepDays;
  while (day < 1) {
    if (--month < 1) {
      month = 12;
      --year;
    }
    day += platform::DateTime::DaysInMonth(year, month);
  }
  const std::wstring folder = ProgramLogFolder();
  if (!folder.empty()) DeleteFilesBefore(ExpandPath(folder), DateText(year, month, day));
}

void CLogMessage::DeleteFilesBefore(const std::wstring& folder, const std::wstring& cutoff) {
  namespace fs = boost::filesystem;
  const unsigned long long cutoffNumber = LeadingNumber(cutoff);
  boost::system::error_code error;
  fs::directory_iterator it(platform::ToNativePathBytes(folder), error);
  if (error) return;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    boost::system::error_code statusError;
    if (fs::is_directory(it->path(), statusError)) continue;
    const std::wstring name = platform::LocaleToWide(it->path().filename().string());
    if (name.empty()) continue;
    const auto extension = name.find(kLogFileExtension);
    if (extension == std::wstring::npos || extension + std::wcslen(kLogFileExtension) != name.size()) continue;
    if (LeadingNumber(name) < cutoffNumber) {
      boost::system::error_code removeError;
      fs::remove(it->path(), removeError);
    }
  }
}

}  // namespace Velunor::Quillon::Common::Log
