#pragma once
// Shared by the tray data tests: the log lines caught from the debugger output. The test
// programs run with LogLevel 4 from the config.ini that the build puts beside them, so
// every log line of the code under test passes the gate; each test that logs has a
// sandbox of its own, whose log lines reach only the debugger output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/DebugOutput.h"
#include "platform/core/TextCodec.h"
#include "tests/TestSandbox.h"
#include "tray/VersionNumber.h"

namespace tray_data_test {

struct LogEntry {
  std::wstring severity;  // "ERROR", "DEBUG", ...
  std::wstring function;
  std::wstring message;
};

// Catches the debugger output while it lives: log lines parsed, other texts kept apart.
class DebugOutputCapture {
 public:
  DebugOutputCapture() {
    platform::SetDebugOutputSink([this](const std::wstring& text) { Take(text); });
  }
  ~DebugOutputCapture() { platform::SetDebugOutputSink(nullptr); }
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

  const std::vector<LogEntry>& Entries() const { return entries_; }
  const std::vector<std::wstring>& OtherTexts() const { return others_; }
  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> messages;
    for (const auto& entry : entries_) messages.push_back(entry.message);
    return messages;
  }

 private:
  // "[date time] [SEVERITY] thread [ function, line ] message\r\n"
  void Take(const std::wstring& text) {
    std::size_t severityStart = text.find(L"] [");
    std::size_t functionStart = text.find(L" [ ");
    std::size_t functionEnd = text.find(L", ", functionStart == std::wstring::npos ? 0 : functionStart);
    std::size_t messageStart = text.find(L" ] ", functionEnd == std::wstring::npos ? 0 : functionEnd);
    if (text.empty() || text[0] != L'[' || severityStart == std::wstring::npos ||
        functionStart == std::wstring::npos || functionEnd == std::wstring::npos ||
        messageStart == std::wstring::npos) {
      // The settings also report the program folder here.
      bool programFolder = !text.empty() && text.front() == L'/' && text.back() == L'/';
      if (!programFolder) others_.push_back(text);
      return;
    }
    LogEntry entry;
    entry.severity = text.substr(severityStart + 3, text.find(L']', severityStart + 3) - severityStart - 3);
    entry.function = text.substr(functionStart + 3, functionEnd - functionStart - 3);
    entry.message = text.substr(messageStart + 3);
    while (!entry.message.empty() && (entry.message.back() == L'\n' || entry.message.back() == L'\r')) {
      entry.message.pop_back();
    }
    entries_.push_back(entry);
  }

  std::vector<LogEntry> entries_;
  std::vector<std::wstring> others_;
};

inline Velunor::Quillon::Resident::CVersionNumber Version(const std::wstring& text) {
  Velunor::Quillon::Resident::CVersionNumber version;
  EXPECT_EQ(version.Parse(text), 1) << "not a version: " << platform::WideToUtf8(text);
  return version;
}

// A version body of depth nested elements (never closed), about 3 bytes a level: deep
// enough at 60,000 to exhaust a thread's stack in the library's recursive parser.
inline std::string DeeplyNestedBody(std::size_t depth) {
  std::string body = "<version_info>";
  body.reserve(body.size() + depth * 3);
  for (std::size_t i = 0; i < depth; ++i) body += "<a>";
  return body;
}

inline const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";
inline const char kBom[] = "\xEF\xBB\xBF";

// Each line followed by CR LF, as the file writer puts them.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// One state file below folders that do not exist yet, in a folder of the test's own.
class StateFileTest : public corvane_test::SandboxedTest {
 protected:
  explicit StateFileTest(const char* fileName) : fileName_(fileName) {}
  boost::filesystem::path Path() const { return folder.path() / "Hoxa" / "Zembrolite" / fileName_; }
  std::wstring WidePath() const { return platform::Utf8ToWide(Path().string()); }
  void Write(const std::string& bytes) const { corvane_test::WriteFile(Path(), bytes); }
  std::string Read() const { return corvane_test::ReadFile(Path()); }

  corvane_test::TempFolder folder;

 private:
  const char* fileName_;
};

}  // namespace tray_data_test
