#pragma once
// Daily UTF-16 log files, gated by LogLevel: the service's in the machine-wide Log folder,
// the tray's in the user's own.
#include <boost/format.hpp>

#include <mutex>
#include <string>

namespace Velunor::Quillon::Common::Log {

// The end of the day files' names (their folder: Common::GetLogFolder,
// Common::GetUserLogFolder).
inline constexpr wchar_t kLogFileExtension[] = L".log";

enum LogSeverity {
  kEmergency = 0,
  kAlert = 1,
  kCritical = 2,
  kError = 3,
  kWarning = 4,
  kNotice = 5,
  kInfo = 6,
  kDebug = 7,
};

bool IsErrorLogEnabled();  // LogLevel > 0
bool IsInfoLogEnabled();   // LogLevel > 2
bool IsDebugLogEnabled();  // LogLevel > 3

// Where this program's day files go; chosen once at the start, before the first line.
enum class LogFolderKind {
  kMachine,  // GetLogFolder: the service, which owns the machine-wide data folder
  kUser,     // GetUserLogFolder: programs run by desktop users (the tray)
  kNone,     // no file: lines reach the debugger output only (the viewer)
};
void SetLogFolderKind(LogFolderKind kind);

// The log entry point: one line for one event, written when its severity (3, 6 or 7)
// passes the LogLevel gate. functionName names class and method in full.
void WriteLog(const std::wstring& functionName, int sourceLine, const std::wstring& message, int severity);

class CLogMessage {
 public:
  CLogMessage() = default;
  virtual ~CLogMessage() = default;
  CLogMessage(const CLogMessage&) = delete;
  CLogMessage& operator=(const CLogMessage&) = delete;

  // Formats with boost::wformat ("%d", "%s", ...), appends CR LF and writes the line.
  template <typename... Args>
  void Error(const std::wstring& format, const Args&... args) { Write(kError, Format(format, args...)); }
  template <typename... Args>
  void Info(const std::wstring& format, const Args&... args) { Write(kInfo, Format(format, args...)); }
  template <typename... Args>
  void Debug(const std::wstring& format, const Args&... args) { Write(kDebug, Format(format, args...)); }

  // Writes one line (text already ends in CR LF) to today's file and the debug output.
  void Write(int severity, const std::wstring& text);
  // Sets the folder (ending in a separator) and days kept; an empty folder changes nothing.
  void SetLogFolder(const std::wstring& folder, int keepDays);
  bool HasLogFolder();

  static std::wstring GetLevelName(int severity);
  void DeleteOldLogs();
  // Deletes the *.log files in folder whose leading number is below cutoff's.
  static void DeleteFilesBefore(const std::wstring& folder, const std::wstring& cutoff);

 private:
  template <typename... Args>
  static std::wstring Format(const std::wstring& format, const Args&... args) {
    boost::wformat formatter(format);
    formatter.exceptions(boost::io::no_error_bits);
    (void)std::initializer_list<int>{((formatter % args), 0)...};
    return formatter.str() + L"\r\n";
  }
  void AppendLine(const std::wstring& path, const std::string& bytes);

  std::wstring m_logFolder;
  int m_keepDays = 0;
  std::mutex m_lock;
};

}  // namespace Velunor::Quillon::Common::Log
