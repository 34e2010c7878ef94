// The HTTP layer against a real server on 127.0.0.1, inside a network namespace of this
// test process's own: through the tray's fetch, which makes one layer call a step and
// logs the layer's error number of the step that failed, and on the layer's own calls.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/core/TextCodec.h"
#include "platform/net/HttpError.h"
#include "platform/net/HttpSession.h"
#include "tests/DebugOutputCapture.h"
#include "tests/platform_net/LoopbackHttpTest.h"
#include "tray/GetHttpFile.h"

using corvane_test::DebugOutputCapture;
using corvane_test::HeaderValue;
using corvane_test::Code;
using corvane_test::LoopbackHttpServer;
using corvane_test::Response;
using corvane_test::ScopedHttpLimits;
using Velunor::Quillon::Resident::CGetHttpFile;

namespace {

std::string FirstLine(const std::string& head) { return head.substr(0, head.find("\r\n")); }

class HttpFetch : public corvane_test::LoopbackHttpTest {};

}  // namespace

TEST_F(HttpFetch, FetchesTheBodyWhateverTheStatus) {
  const std::string version = "<?xml version=\"1.0\"?>\n<version_info><version>1.0.4</version></version_info>\n";
  const std::string megabyte(CGetHttpFile::kMaxBodySize, 'a');
  struct Case {
    const char* name;
    std::wstring url;
    std::string response;
    int result;
    std::wstring body;
    std::wstring message;  // the one log line, empty for none
    const char* requestLine;
  } cases[] = {
      {"VersionFile", L"http://127.0.0.1/sorane/ver_check/version.xml", Response("HTTP/1.1 200 OK", version), 1,
       platform::Utf8ToWide(version), L"", "GET /sorane/ver_check/version.xml HTTP/1.1"},
      {"HttpsIsPlainHttpOnPort80", L"https://127.0.0.1/v.xml", Response("HTTP/1.1 200 OK", "x"), 1, L"x", L"",
       "GET /v.xml HTTP/1.1"},
      {"HostOnlyAsksForTheEmptyPath", L"http://127.0.0.1", Response("HTTP/1.1 200 OK", "root"), 1, L"root", L"",
       "GET / HTTP/1.1"},
      {"QueryAndBlanksInThePath", L"http://127.0.0.1/a b/v.xml?x=1", Response("HTTP/1.1 200 OK", "q"), 1, L"q", L"",
       "GET /a%20b/v.xml?x=1 HTTP/1.1"},
      {"ContentLengthZero", L"http://127.0.0.1/empty", Response("HTTP/1.1 200 OK", ""), 1, L"", L"",
       "GET /empty HTTP/1.1"},
      {"NotFoundPageIsTheBody", L"http://127.0.0.1/missing", Response("HTTP/1.1 404 Not Found", "<h1>Not Found</h1>"),
       1, L"<h1>Not Found</h1>", L"", "GET /missing HTTP/1.1"},
      {"Utf8Body", L"http://127.0.0.1/u", Response("HTTP/1.1 200 OK", "\xE7\x89\x88 1.0.4"), 1, L"\u7248 1.0.4", L"",
       "GET /u HTTP/1.1"},
      {"BodyEndsAtAZeroByte", L"http://127.0.0.1/z", Response("HTTP/1.1 200 OK", std::string("ab\0cd", 5)), 1, L"ab",
       L"", "GET /z HTTP/1.1"},
      {"ShortBodyIsWhatCame", L"http://127.0.0.1/short",
       "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\nabcd", 1, L"abcd", L"",
       "GET /short HTTP/1.1"},
      {"BodyAtTheCap", L"http://127.0.0.1/big", Response("HTTP/1.1 200 OK", megabyte), 1,
       std::wstring(megabyte.begin(), megabyte.end()), L"", "GET /big HTTP/1.1"},
      {"ChunkedWithoutLength", L"http://127.0.0.1/chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n3\r\nabc\r\n0\r\n\r\n", 0, L"",
       L"HttpQueryInfo ERROR " + Code(platform::kHttpErrorHeaderNotFound), "GET /chunked HTTP/1.1"},
      {"LengthOfTenDigits", L"http://127.0.0.1/ten",
       "HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\nConnection: close\r\n\r\nabc", 0, L"",
       L"HttpQueryInfo ERROR " + Code(platform::kHttpErrorInsufficientBuffer), "GET /ten HTTP/1.1"},
      // Refused before any memory is taken for it, however much the server sends.
      {"BodyOverTheCap", L"http://127.0.0.1/huge", Response("HTTP/1.1 200 OK", megabyte + "a"), 0, L"",
       L"InternetReadFile ERROR " + Code(platform::kHttpErrorBodyTooLarge), "GET /huge HTTP/1.1"},
      {"NineDigitLengthOverTheCap", L"http://127.0.0.1/nine",
       "HTTP/1.1 200 OK\r\nContent-Length: 999999999\r\nConnection: close\r\n\r\nabc", 0, L"",
       L"InternetReadFile ERROR " + Code(platform::kHttpErrorBodyTooLarge), "GET /nine HTTP/1.1"},
      {"NotHttp", L"http://127.0.0.1/junk", "SSH-2.0-OpenSSH\r\n", 0, L"",
       L"HttpSendRequest ERROR " + Code(platform::kHttpErrorInvalidResponse), "GET /junk HTTP/1.1"},
      {"NoAnswer", L"http://127.0.0.1/closed", "", 0, L"",
       L"HttpSendRequest ERROR " + Code(platform::kHttpErrorConnectionAborted), "GET /closed HTTP/1.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Serve(c.response);
    DebugOutputCapture capture;
    CGetHttpFile http;
    EXPECT_EQ(http.GetFile(c.url), c.result);
    EXPECT_EQ(http.GetBodyText(), c.body);
    if (c.message.empty()) {
      EXPECT_TRUE(capture.Entries().empty()) << platform::WideToUtf8(capture.Entries()[0].message);
    } else {
      ASSERT_EQ(capture.Entries().size(), 1u);
      EXPECT_EQ(capture.Entries()[0].severity, L"ERROR");
      EXPECT_EQ(capture.Entries()[0].message, c.message);
    }
    server->Stop();
    auto heads = server->RequestHeads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(FirstLine(heads[0]), c.requestLine);
    EXPECT_EQ(HeaderValue(heads[0], "Host"), "127.0.0.1");
    EXPECT_EQ(HeaderValue(heads[0], "User-Agent"), "Zembrolite");
    EXPECT_EQ(HeaderValue(heads[0], "Referer"), platform::WideToUtf8(c.url));
    EXPECT_EQ(HeaderValue(heads[0], "Accept"), "");
  }
}

TEST_F(HttpFetch, NoServerOnPort80FailsWhenSending) {
  DebugOutputCapture capture;
  CGetHttpFile http;
  EXPECT_EQ(http.GetFile(L"http://127.0.0.1/version.xml"), 0);
  ASSERT_EQ(capture.Entries().size(), 1u);
  EXPECT_EQ(capture.Entries()[0].function, L"Velunor::Quillon::Resident::CGetHttpFile::Request");
  EXPECT_EQ(capture.Entries()[0].message, L"HttpSendRequest ERROR " + Code(platform::kHttpErrorCannotConnect));
}

TEST_F(HttpFetch, AHostWithAPortFailsAtConnectAndNothingIsSent) {
  Serve(Response("HTTP/1.1 200 OK", "never"), 8080);
  DebugOutputCapture capture;
  CGetHttpFile http;
  EXPECT_EQ(http.GetFile(L"http://127.0.0.1:8080/version.xml"), 0);
  ASSERT_EQ(capture.Entries().size(), 1u);
  EXPECT_EQ(capture.Entries()[0].message, L"InternetConnect ERROR " + Code(platform::kHttpErrorInvalidHostName));
  server->Stop();
  EXPECT_TRUE(server->RequestHeads().empty());
}

TEST_F(HttpFetch, AFailedFetchDropsThePreviousBody) {
  Serve(Response("HTTP/1.1 200 OK", "first"));
  CGetHttpFile http;
  ASSERT_EQ(http.GetFile(L"http://127.0.0.1/a"), 1);
  EXPECT_EQ(http.GetBodyText(), L"first");
  server->Stop();
  EXPECT_EQ(http.GetFile(L"http://127.0.0.1/a"), 0);
  EXPECT_EQ(http.GetBodyText(), L"");
}

TEST_F(HttpFetch, TheProxyVariableIsHonoured) {
  Serve(Response("HTTP/1.1 200 OK", "via proxy"), 3128);
  corvane_test::ScopedEnv proxy("http_proxy", "http://127.0.0.1:3128");
  CGetHttpFile http;
  // The name is never resolved here: the proxy gets the whole address.
  EXPECT_EQ(http.GetFile(L"http://version.example/ver_check/version.xml"), 1);
  EXPECT_EQ(http.GetBodyText(), L"via proxy");
  server->Stop();
  auto heads = server->RequestHeads();
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(FirstLine(heads[0]).rfind("GET http://version.example", 0), 0u) << heads[0];
  EXPECT_NE(FirstLine(heads[0]).find("/ver_check/version.xml HTTP/1.1"), std::string::npos) << heads[0];
}

TEST_F(HttpFetch, TheLayerHandsTheBodyOverInPieces) {
  Serve(Response("HTTP/1.1 200 OK", "abcdefgh"));
  auto session = platform::HttpSession::Open(L"Zembrolite");
  ASSERT_TRUE(session);
  auto connection = session->Connect(L"127.0.0.1", 80);
  ASSERT_TRUE(connection);
  auto request = connection->OpenGetRequest(L"x", L"");
  ASSERT_TRUE(request);
  char buffer[16] = {};
  std::size_t read = 99;
  EXPECT_FALSE(request->Read(buffer, 3, read));
  EXPECT_EQ(platform::HttpGetLastError(), platform::kHttpErrorInvalidState);
  ASSERT_TRUE(request->Send());
  EXPECT_FALSE(request->Send());
  std::wstring length;
  EXPECT_FALSE(request->QueryContentLength(length, 1));
  EXPECT_EQ(platform::HttpGetLastError(), platform::kHttpErrorInsufficientBuffer);
  ASSERT_TRUE(request->QueryContentLength(length, 2));
  EXPECT_EQ(length, L"8");
  ASSERT_TRUE(request->Read(buffer, 3, read));
  EXPECT_EQ(std::string(buffer, read), "abc");
  ASSERT_TRUE(request->Read(buffer, sizeof buffer, read));
  EXPECT_EQ(std::string(buffer, read), "defgh");
  ASSERT_TRUE(request->Read(buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);
  server->Stop();
  EXPECT_EQ(HeaderValue(server->RequestHeads().at(0), "Referer"), "");
}

namespace {

std::string RequestPath(const std::string& head) {
  const std::string line = FirstLine(head);
  const std::size_t start = line.find(' ') + 1;
  return line.substr(start, line.find(' ', start) - start);
}

std::string Redirect(int status, const std::string& location, const std::string& extraHeader = "",
                     const std::string& body = "") {
  return "HTTP/1.1 " + std::to_string(status) + " Moved\r\n" +
         (location.empty() ? std::string() : "Location: " + location + "\r\n") + extraHeader +
         "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

TEST_F(HttpFetch, ATricklingServerFailsOnceTheWholeTransferRunsOutOfTime) {
  platform::HttpLimits limits;
  limits.transferSeconds = 2;
  ScopedHttpLimits shorter(limits);
  const std::string response = Response("HTTP/1.1 200 OK", "<version_info><version>1.0.4</version></version_info>");
  struct Case {
    const char* name;
    std::size_t fastBytes;  // sent at once, the rest 2 bytes every 200 ms (fast enough for the stall time-out)
    std::wstring message;
  } cases[] = {
      {"headers trickle", 0, L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTimeout)},
      {"body trickles", response.find("<version_info>"), L"InternetReadFile ERROR " + Code(platform::kHttpErrorTimeout)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server = std::make_unique<LoopbackHttpServer>([&](const std::string&) { return response; });
    server->Trickle(2, 200, c.fastBytes);
    std::string error;
    ASSERT_TRUE(server->Start(80, error)) << error;
    DebugOutputCapture capture;
    CGetHttpFile http;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.GetFile(L"http://127.0.0.1/version.xml"), 0);
    // The whole response would take over 10 s at this pace.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(http.GetBodyText(), L"");
    ASSERT_EQ(capture.Entries().size(), 1u);
    EXPECT_EQ(capture.Entries()[0].message, c.message);
    server->Stop();
  }
}

TEST_F(HttpFetch, RedirectsAreFollowedAFewHopsToHttpAndHttpsOnly) {
  const std::string version = "<version_info><version>1.0.4</version></version_info>";
  const std::string bigHeader = "X-Padding: " + std::string(30 * 1024, 'p') + "\r\n";
  server = std::make_unique<LoopbackHttpServer>([&](const std::string& head) {
    const std::string path = RequestPath(head);
    if (path == "/version.xml") return Response("HTTP/1.1 200 OK", version);
    if (path == "/found") return Redirect(302, "/version.xml");
    if (path == "/moved") return Redirect(301, "http://127.0.0.1/version.xml");
    if (path == "/see-other") return Redirect(303, "version.xml");
    if (path == "/temporary") return Redirect(307, "/version.xml");
    if (path == "/permanent") return Redirect(308, "/version.xml");
    if (path == "/loop") return Redirect(302, "/loop");
    if (path.rfind("/hops/", 0) == 0) {
      const int left = std::stoi(path.substr(6));
      return left == 0 ? Response("HTTP/1.1 200 OK", version) : Redirect(302, "/hops/" + std::to_string(left - 1));
    }
    if (path == "/ftp") return Redirect(302, "ftp://127.0.0.1/version.xml");
    if (path == "/file") return Redirect(302, "file:///etc/hostname");
    if (path == "/https") return Redirect(302, "https://127.0.0.1/version.xml");
    // A redirect's own body is never read, so it counts against nothing.
    if (path == "/big-body") return Redirect(302, "/version.xml", "", std::string(3 * 1024 * 1024, 'b'));
    if (path == "/to-huge") return Redirect(302, "/huge");
    if (path == "/huge") return Response("HTTP/1.1 200 OK", std::string(CGetHttpFile::kMaxBodySize + 1, 'h'));
    if (path == "/no-location") return Redirect(302, "", "", "moved");
    if (path.rfind("/fat/", 0) == 0) {
      const int left = std::stoi(path.substr(5));
      return Redirect(302, left == 0 ? "/version.xml" : "/fat/" + std::to_string(left - 1), bigHeader);
    }
    return Response("HTTP/1.1 404 Not Found", "none");
  });
  std::string error;
  ASSERT_TRUE(server->Start(80, error)) << error;
  const std::wstring versionBody = platform::Utf8ToWide(version);
  struct Case {
    const char* path;
    int result;
    std::wstring body;
    std::wstring message;  // the one log line, empty for none
    std::size_t requests;
  } cases[] = {
      {"/found", 1, versionBody, L"", 2},
      {"/moved", 1, versionBody, L"", 2},
      {"/see-other", 1, versionBody, L"", 2},
      {"/temporary", 1, versionBody, L"", 2},
      {"/permanent", 1, versionBody, L"", 2},
      {"/hops/10", 1, versionBody, L"", 11},
      {"/hops/11", 0, L"", L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTooManyRedirects), 11},
      {"/loop", 0, L"", L"HttpSendRequest ERROR " + Code(platform::kHttpErrorTooManyRedirects), 11},
      {"/ftp", 0, L"", L"HttpSendRequest ERROR " + Code(platform::kHttpErrorRedirectScheme), 1},
      {"/file", 0, L"", L"HttpSendRequest ERROR " + Code(platform::kHttpErrorRedirectScheme), 1},
      // Followed: nothing listens on 443 here.
      {"/https", 0, L"", L"HttpSendRequest ERROR " + Code(platform::kHttpErrorCannotConnect), 1},
      {"/big-body", 1, versionBody, L"", 2},
      {"/to-huge", 0, L"", L"InternetReadFile ERROR " + Code(platform::kHttpErrorBodyTooLarge), 2},
      {"/no-location", 1, L"moved", L"", 1},
      {"/fat/1", 1, versionBody, L"", 3},
      {"/fat/2", 0, L"", L"HttpSendRequest ERROR " + Code(platform::kHttpErrorHeadersTooLarge), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::size_t before = server->RequestHeads().size();
    DebugOutputCapture capture;
    CGetHttpFile http;
    EXPECT_EQ(http.GetFile(L"http://127.0.0.1" + platform::Utf8ToWide(c.path)), c.result);
    EXPECT_EQ(http.GetBodyText(), c.body);
    if (c.message.empty()) {
      EXPECT_TRUE(capture.Entries().empty()) << platform::WideToUtf8(capture.Entries()[0].message);
    } else {
      ASSERT_EQ(capture.Entries().size(), 1u);
      EXPECT_EQ(capture.Entries()[0].message, c.message);
    }
    const auto heads = server->RequestHeads();
    EXPECT_EQ(heads.size() - before, c.requests);
    // Every hop is a GET with the agent name.
    for (std::size_t i = before; i < heads.size(); ++i) {
      EXPECT_EQ(FirstLine(heads[i]).rfind("GET /", 0), 0u) << heads[i];
      EXPECT_EQ(HeaderValue(heads[i], "User-Agent"), "Zembrolite");
    }
  }
}
