#pragma once
// The root of every HTTP exchange: carries the agent name that requests announce.
// Proxies come from the usual environment variables (http_proxy, all_proxy, no_proxy),
// the counterpart of the system's preconfigured proxy settings.
#include <memory>
#include <string>

#include "platform/net/HttpConnection.h"

namespace platform {

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
