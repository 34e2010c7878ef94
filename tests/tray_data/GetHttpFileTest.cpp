// The parts of the HTTP fetch that need no server: splitting the address, and the
// addresses that are refused before any network activity.
#include <gtest/gtest.h>

#include "platform/net/HttpError.h"
#include "tests/tray_data/TrayDataSupport.h"
#include "tray/GetHttpFile.h"

using tray_data_test::DebugOutputCapture;
using Velunor::Quillon::Resident::CGetHttpFile;

// The fetch logs its failures; the lines stay in a sandbox of the test's own.
class GetHttpFile : public corvane_test::SandboxedTest {};

TEST_F(GetHttpFile, SplitsTheAddressAfterTheDoubleSlash) {
  struct Case {
    const wchar_t* url;
    int result;
    const wchar_t* host;
    const wchar_t* path;
  } cases[] = {
      {L"http://site.example/ver_check/version.xml", 1, L"site.example", L"ver_check/version.xml"},
      {L"https://site.example/a?b=c#d", 1, L"site.example", L"a?b=c#d"},
      {L"http://site.example", 1, L"site.example", L""},
      {L"http://site.example/", 1, L"site.example", L""},
      {L"http://site.example:8080/x", 1, L"site.example:8080", L"x"},
      {L"//site.example/x", 1, L"site.example", L"x"},
      {L"anything//h//p", 1, L"h", L"/p"},
      {L"http:///x", 1, L"", L"x"},
      {L"http://", 0, nullptr, nullptr},
      {L"site.example/x", 0, nullptr, nullptr},
      {L"http:/site.example/x", 0, nullptr, nullptr},
      {L"", 0, nullptr, nullptr},
  };
  CGetHttpFile http;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.url, c.url + std::wcslen(c.url)));
    std::wstring host = L"unchanged", path = L"unchanged";
    ASSERT_EQ(http.SplitUrl(c.url, host, path), c.result);
    if (c.result != 1) continue;
    EXPECT_EQ(host, c.host);
    EXPECT_EQ(path, c.path);
  }
}

TEST_F(GetHttpFile, RefusesBadAddressesBeforeAnyNetworkActivity) {
  struct Case {
    const wchar_t* url;
    const wchar_t* message;  // nullptr: no log line at all
  } cases[] = {
      {L"site.example/version.xml", nullptr},
      {L"http://", nullptr},
      // The host is checked when connecting: a port or blanks in it fail there.
      {L"http://127.0.0.1:8080/version.xml", L"InternetConnect ERROR code["},
      {L"http://bad host/version.xml", L"InternetConnect ERROR code["},
      {L"http:///version.xml", L"InternetConnect ERROR code["},
      // Control characters would split the request line or the Referer header.
      {L"http://site.example/a\r\nX-Injected: 1", L"HttpOpenRequest ERROR path[a\r\nX-Injected: 1] url[http://site.example/a\r\nX-Injected: 1] code["},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.url, c.url + std::wcslen(c.url)));
    DebugOutputCapture capture;
    CGetHttpFile http;
    EXPECT_EQ(http.GetFile(c.url), 0);
    EXPECT_EQ(http.GetBodyText(), L"");
    if (!c.message) {
      EXPECT_TRUE(capture.Entries().empty());
      EXPECT_TRUE(capture.OtherTexts().empty());
      continue;
    }
    ASSERT_EQ(capture.Entries().size(), 1u);
    EXPECT_EQ(capture.Entries()[0].severity, L"ERROR");
    EXPECT_EQ(capture.Entries()[0].message.rfind(c.message, 0), 0u);
  }
}

TEST_F(GetHttpFile, LogsTheLayersErrorNumbers) {
  DebugOutputCapture capture;
  CGetHttpFile http;
  EXPECT_EQ(http.GetFile(L"http://127.0.0.1:8080/"), 0);
  ASSERT_EQ(capture.Entries().size(), 1u);
  EXPECT_EQ(capture.Entries()[0].function, L"Velunor::Quillon::Resident::CGetHttpFile::ConnectServer");
  EXPECT_EQ(capture.Entries()[0].message,
            L"InternetConnect ERROR code[" + std::to_wstring(platform::kHttpErrorInvalidHostName) + L"]");
}
