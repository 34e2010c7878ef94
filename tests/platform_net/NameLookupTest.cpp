// Name lookups inside the HTTP layer's bounds, through the tray's fetch: with name
// servers that never answer (three of them, five tries of six seconds each, so a lookup
// left to itself takes 90 s), a fetch that needs a name still ends once the bound to
// connect or the whole exchange's has passed, whether the name is the server's, the
// proxy's or a redirect's.
// Servers on 127.0.0.1 in a network namespace of this test process's own, resolv.conf
// and hosts in a mount namespace of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/ConfigSettings.h"
#include "platform/core/TextCodec.h"
#include "platform/net/HttpError.h"
#include "tests/DebugOutputCapture.h"
#include "tests/platform_net/LoopbackHttpTest.h"
#include "tests/platform_net/OwnNameLookup.h"
#include "tray/GetHttpFile.h"

using corvane_test::Code;
using corvane_test::DebugOutputCapture;
using corvane_test::LoopbackHttpServer;
using corvane_test::Response;
using corvane_test::ScopedEnv;
using Velunor::Quillon::Resident::CGetHttpFile;

namespace {

constexpr char kSilentServers[] =
    "nameserver 127.0.0.2\nnameserver 127.0.0.3\nnameserver 127.0.0.4\noptions attempts:5 timeout:6\n";
// No route leads there from the namespace: every lookup fails at once.
constexpr char kUnreachableServer[] = "nameserver 192.0.2.1\n";
constexpr char kHosts[] = "127.0.0.1 localhost\n::1 localhost\n127.0.0.1 listed.example\n";

const char kVersion[] = "<version_info><version>1.0.4</version></version_info>";

std::string RedirectTo(const std::string& location) {
  return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}
const std::string kMoved = RedirectTo("http://moved.example/version.xml");
const std::string kLate = RedirectTo("http://late.example/version.xml");

class NameLookup : public corvane_test::LoopbackHttpTest {
 protected:
  void SetUp() override {
    LoopbackHttpTest::SetUp();
    if (IsSkipped()) return;
    // The log's level comes from config.ini beside the program: read it before the mount
    // namespace changes, as under a chroot the program's own path (/proc/self/exe) then
    // reads as the path outside it.
    Velunor::Quillon::Common::GetLogLevel();
    std::string reason;
    if (!corvane_test::EnterOwnMountNamespace(reason) || !nameServers.Start(reason)) {
      GTEST_SKIP() << "needs a mount namespace of its own and UDP port 53: " << reason;
    }
  }

  static platform::HttpLimits ShortBounds() {
    platform::HttpLimits limits;
    limits.connectSeconds = 2;
    limits.transferSeconds = 4;
    return limits;
  }

  corvane_test::SilentNameServers nameServers;
  corvane_test::ResolverFiles resolverFiles;
  corvane_test::ScopedHttpLimits bounds{ShortBounds()};
};

}  // namespace

TEST_F(NameLookup, AFetchThatNeedsANameEndsWithinTheBoundsHoweverTheResolverBehaves) {
  using Environment = std::vector<std::pair<const char*, const char*>>;
  struct Case {
    const char* name;
    const char* resolvConf;
    Environment environment;
    std::wstring url;
    unsigned short serverPort;
    std::size_t slowTail;  // the last bytes of each response come one a second
    int result;
    std::wstring message;  // the one log line, empty for none
    // The name this case alone uses, and whether the name servers are asked for it.
    // Each case has its own, as lookups of earlier cases may still be going on.
    const char* lookedUpName;
    bool lookedUp;
    std::size_t requests;
  } cases[] = {
      {"the server's name", kSilentServers, {}, L"http://version.example/version.xml", 80, 0, 0,
       L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTimeout), "version.example", true, 0},
      {"the proxy's name", kSilentServers, {{"http_proxy", "http://proxy.example:3128"}},
       L"http://127.0.0.1/version.xml", 80, 0, 0, L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTimeout),
       "proxy.example", true, 0},
      {"the name a redirect sends the fetch to", kSilentServers, {}, L"http://127.0.0.1/moved", 80, 0, 0,
       L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTimeout), "moved.example", true, 1},
      // The redirect comes after 3 s: the whole exchange runs out before the bound to
      // connect does.
      {"a redirect's name when the exchange is nearly over", kSilentServers, {}, L"http://127.0.0.1/late", 80, 3, 0,
       L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTimeout), "late.example", true, 1},
      {"the server's name past a proxy that no_proxy names", kSilentServers,
       {{"http_proxy", "http://127.0.0.1:3128"}, {"no_proxy", "example.org, .example"}},
       L"http://direct.example/version.xml", 3128, 0, 0, L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTimeout),
       "direct.example", true, 0},
      // Names that the proxy looks up itself are never looked up here.
      {"the server's name through an HTTP proxy", kSilentServers, {{"http_proxy", "http://127.0.0.1:3128"}},
       L"http://proxied.example/version.xml", 3128, 0, 1, L"", "proxied.example", false, 1},
      {"a name of the hosts file", kSilentServers, {}, L"http://listed.example/version.xml", 80, 0, 1, L"",
       "listed.example", false, 1},
      // A lookup that fails at once fails as it always has.
      {"the server's name, no name server reachable", kUnreachableServer, {}, L"http://lost.example/version.xml", 80,
       0, 0, L"HttpSendRequest ERROR " + Code(platform::kHttpErrorNameNotResolved), "lost.example", false, 0},
      {"the proxy's name, no name server reachable", kUnreachableServer,
       {{"http_proxy", "http://lost-proxy.example:3128"}}, L"http://127.0.0.1/version.xml", 80, 0, 0,
       L"HttpSendRequest ERROR " + Code(platform::kHttpErrorNameNotResolved), "lost-proxy.example", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string reason;
    ASSERT_TRUE(resolverFiles.Use(c.resolvConf, kHosts, reason)) << reason;
    std::vector<std::unique_ptr<ScopedEnv>> environment;
    for (const auto& variable : c.environment) {
      environment.push_back(std::make_unique<ScopedEnv>(variable.first, variable.second));
    }
    server = std::make_unique<LoopbackHttpServer>([](const std::string& head) {
      if (head.rfind("GET /moved ", 0) == 0) return kMoved;
      if (head.rfind("GET /late ", 0) == 0) return kLate;
      return Response("HTTP/1.1 200 OK", kVersion);
    });
    if (c.slowTail != 0) server->Trickle(1, 1000, kLate.size() - c.slowTail);
    ASSERT_TRUE(server->Start(c.serverPort, reason)) << reason;
    nameServers.TakeNames();
    DebugOutputCapture capture;
    CGetHttpFile http;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.GetFile(c.url), c.result);
    // The bounds are 2 s to connect and 4 s in all; left to itself a lookup takes 90 s.
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(took).count(), 15);
    EXPECT_EQ(http.GetBodyText(), c.result == 1 ? platform::Utf8ToWide(kVersion) : L"");
    if (c.message.empty()) {
      EXPECT_TRUE(capture.Entries().empty()) << platform::WideToUtf8(capture.Entries()[0].message);
    } else {
      std::string texts;
      for (const std::wstring& text : capture.Texts()) texts += platform::WideToUtf8(text) + "\n";
      ASSERT_EQ(capture.Entries().size(), 1u) << texts;
      EXPECT_EQ(capture.Entries()[0].message, c.message);
    }
    EXPECT_EQ(nameServers.TakeNames().count(c.lookedUpName), c.lookedUp ? 1u : 0u);
    server->Stop();
    EXPECT_EQ(server->RequestHeads().size(), c.requests);
  }
}
