#pragma once
// The programs' log lines as they reach the debugger output, caught for a test.
#include <string>
#include <vector>

#include "platform/core/DebugOutput.h"

namespace corvane_test {

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

}  // namespace corvane_test
