#pragma once
// Shared by the tray data tests: version values, bodies and state files. The test
// programs run with LogLevel 4 from the config.ini that the build puts beside them, so
// every log line of the code under test passes the gate; each test that logs has a
// sandbox of its own, whose log lines reach only the debugger output, where the tests
// read them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/TextCodec.h"
#include "tests/DebugOutputCapture.h"
#include "tests/TestSandbox.h"
#include "tray/VersionNumber.h"

namespace tray_data_test {

using corvane_test::DebugOutputCapture;
using corvane_test::LogEntry;

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
