// The version check's version file fetched from a real server on 127.0.0.1:80, inside a
// network namespace of this test process's own.
#include <gtest/gtest.h>

#include "common/ConfigSettings.h"
#include "platform/net/HttpError.h"
#include "tests/platform_net/LoopbackHttpTest.h"
#include "tests/tray_data/TrayDataSupport.h"
#include "tray/VersionFile.h"

using corvane_test::Code;
using corvane_test::LoopbackHttpServer;
using corvane_test::Response;
using tray_data_test::DebugOutputCapture;
using Velunor::Quillon::Resident::CVersionFile;

namespace {

class VersionFileFetch : public corvane_test::LoopbackHttpTest {
 protected:
  void SetVersionCheckUrl(const std::string& url) {
    corvane_test::WriteFile(sandbox.InstallFolder() / "DebugUrlTest.txt", "http://download.example/\n" + url + "\n");
    Velunor::Quillon::Common::LoadDebugUrlTest();
  }
};

}  // namespace

TEST_F(VersionFileFetch, TheVersionFileComesFromTheVersionCheckAddress) {
  struct Case {
    const char* name;
    std::string body;
    int result;
    const wchar_t* lastMessage;
  } cases[] = {
      {"Standard", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><version_info><version>1.0.4</version></version_info>", 1,
       L"Version Check successful"},
      {"OtherRootName", "<info><version>1.0.4</version></info>", 1, L"Version Check successful"},
      {"NotADirectChild", "<version_info><a><version>1.0.4</version></a></version_info>", 0,
       L"Version Check invlid version element xml"},
      {"ErrorPage", "Not Found", 0, L"Version Check invlid root xml"},
      {"NestedSixtyThousandDeep", tray_data_test::DeeplyNestedBody(60000), 0, L"Version Check invlid root xml"},
  };
  SetVersionCheckUrl("http://127.0.0.1/ver_check/version.xml");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Serve(Response("HTTP/1.1 200 OK", c.body));
    DebugOutputCapture capture;
    CVersionFile file;
    EXPECT_EQ(file.Load(), c.result);
    if (c.result == 1) {
      EXPECT_EQ(file.GetVersion().GetMajor(), L"1");
      EXPECT_EQ(file.GetVersion().GetMinor(), L"0");
      EXPECT_EQ(file.GetVersion().GetBuild(), L"4");
    }
    EXPECT_EQ(capture.Messages(), (std::vector<std::wstring>{
                                      L"Version Check Start url[http://127.0.0.1/ver_check/version.xml]",
                                      c.lastMessage}));
    server->Stop();
    EXPECT_EQ(server->RequestHeads().size(), 1u);
  }
}

TEST_F(VersionFileFetch, AnUnreachableSiteIsAFailedAccess) {
  SetVersionCheckUrl("http://127.0.0.1/ver_check/version.xml");
  DebugOutputCapture capture;
  CVersionFile file;
  EXPECT_EQ(file.Load(), 0);
  EXPECT_EQ(capture.Messages(), (std::vector<std::wstring>{
                                    L"Version Check Start url[http://127.0.0.1/ver_check/version.xml]",
                                    L"HttpSendRequest ERROR " + Code(platform::kHttpErrorCannotConnect),
                                    L"Version Check access Failed"}));
}

TEST_F(VersionFileFetch, AVersionFileThatHasMovedIsReadWhereItWentTo) {
  server = std::make_unique<LoopbackHttpServer>([](const std::string& head) {
    if (head.rfind("GET /found ", 0) == 0) {
      return std::string(
          "HTTP/1.1 302 Found\r\nLocation: /version.xml\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    }
    return Response("HTTP/1.1 200 OK", "<version_info><version>1.0.4</version></version_info>");
  });
  std::string error;
  ASSERT_TRUE(server->Start(80, error)) << error;
  SetVersionCheckUrl("http://127.0.0.1/found");
  CVersionFile file;
  EXPECT_EQ(file.Load(), 1);
  EXPECT_EQ(file.GetVersion().GetBuild(), L"4");
  server->Stop();
  EXPECT_EQ(server->RequestHeads().size(), 2u);
}
