#pragma once
// The programs' log lines as they reach the debugger output, caught for a test.
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/DebugOutput.h"

namespace corvane_test {

struct LogEntry {
  std::wstring severity;  // "ERROR", "DEBUG", ...
  std::wstring function;
  std::wstring message;
};

// Catches the debugger output while it lives: log lines parsed, other texts kept apart,
// and every text as it came. The output may come from any thread, and the capture may be
// read meanwhile.
class DebugOutputCapture {
 public:
  DebugOutputCapture() {
    platform::SetDebugOutputSink([this](const std::wstring& text) { Take(text); });
  }
  ~DebugOutputCapture() { platform::SetDebugOutputSink(nullptr); }
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

  std::vector<LogEntry> Entries() const {
    std::lock_guard<std::mutex> guard(lock_);
    return entries_;
  }
  std::vector<std::wstring> OtherTexts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return others_;
  }
  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> messages;
    for (const auto& entry : Entries()) messages.push_back(entry.message);
    return messages;
  }
  // The log lines whole, as they came.
  std::vector<std::wstring> Lines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return lines_;
  }
  // Every text, in the order it came.
  std::vector<std::wstring> Texts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
  }
  // Forgets what was caught so far.
  void Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
    others_.clear();
    lines_.clear();
    texts_.clear();
  }

 private:
  // "[date time] [SEVERITY] thread [ function, line ] message\r\n"
  void Take(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(lock_);
    texts_.push_back(text);
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
    lines_.push_back(text);
  }

  mutable std::mutex lock_;
  std::vector<LogEntry> entries_;
  std::vector<std::wstring> others_;
  std::vector<std::wstring> lines_;
  std::vector<std::wstring> texts_;
};

}  // namespace corvane_test
