#pragma once
// A test against servers on 127.0.0.1 (port 80 too) inside a network namespace of this
// test process's own, with a sandbox, and no proxy but one the test sets itself. Skips
// where no namespace can be made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/net/HttpSession.h"
#include "tests/TestSandbox.h"
#include "tests/platform_net/LoopbackHttpServer.h"
#include "tests/platform_net/OwnNetworkNamespace.h"

namespace corvane_test {

class LoopbackHttpTest : public SandboxedTest {
 protected:
  void SetUp() override {
    std::string reason;
    if (!EnterOwnNetworkNamespace(reason)) {
      GTEST_SKIP() << "needs a network namespace of its own (root or CAP_SYS_ADMIN) for port 80: " << reason;
    }
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"}) {
      unsetenv(name);
    }
  }

  // Serves response at 127.0.0.1:port for every request.
  void Serve(const std::string& response, unsigned short port = 80) {
    server = std::make_unique<LoopbackHttpServer>([response](const std::string&) { return response; });
    std::string error;
    ASSERT_TRUE(server->Start(port, error)) << error;
  }

  std::unique_ptr<LoopbackHttpServer> server;
};

// Shorter bounds for one test; the product's own stay as they are.
class ScopedHttpLimits {
 public:
  explicit ScopedHttpLimits(const platform::HttpLimits& limits) : saved_(platform::GetHttpLimits()) {
    platform::SetHttpLimits(limits);
  }
  ~ScopedHttpLimits() { platform::SetHttpLimits(saved_); }
  ScopedHttpLimits(const ScopedHttpLimits&) = delete;
  ScopedHttpLimits& operator=(const ScopedHttpLimits&) = delete;

 private:
  platform::HttpLimits saved_;
};

// An error number as the fetch's log lines print it.
inline std::wstring Code(unsigned error) { return L"code[" + std::to_wstring(error) + L"]"; }

}  // namespace corvane_test
