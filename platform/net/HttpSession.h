#pragma once
// The root of every HTTP exchange: carries the agent name that requests announce.
// Proxies come from the usual environment variables (http_proxy, all_proxy, no_proxy),
// the counterpart of the system's preconfigured proxy settings.
#include <cstddef>
#include <memory>
#include <string>

#include "platform/net/HttpConnection.h"

namespace platform {

// Bounds of every exchange, besides the caller's own limit on the body. Redirects (301,
// 302, 303, 307, 308 with a Location) are followed to http and https addresses only; the
// body of a redirect is never read. The whole exchange, redirects and body included,
// ends with kHttpErrorTimeout once transferSeconds have passed, however slowly data
// keeps arriving.
struct HttpLimits {
  long connectSeconds = 60;   // to connect to a server or proxy, its name lookup included
  long stallSeconds = 60;     // without a byte arriving
  long transferSeconds = 120;
  int maxRedirects = 10;
  std::size_t maxHeaderBytes = 64 * 1024;  // every response's headers together
};

// The bounds new requests take; tests shorten them.
HttpLimits GetHttpLimits();
void SetHttpLimits(const HttpLimits& limits);

class HttpSession {
 public:
  // Nothing, with HttpGetLastError set, when the client cannot be set up or the agent
  // name holds control characters.
  static std::unique_ptr<HttpSession> Open(const std::wstring& agent);

  // A connection to host and port for HTTP. No network activity happens here; the
  // host must be a plain name, an IPv4 address or a bracketed IPv6 address, so a host
  // that still carries a port ("example.org:8080") fails with kHttpErrorInvalidHostName.
  std::unique_ptr<HttpConnection> Connect(const std::wstring& host, unsigned short port) const;

  const std::string& Agent() const { return agent_; }

 private:
  explicit HttpSession(std::string agent) : agent_(std::move(agent)) {}
  std::string agent_;  // UTF-8
};

}  // namespace platform
