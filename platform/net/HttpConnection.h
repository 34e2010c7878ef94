#pragma once
// Host and port of one HTTP server, from HttpSession::Connect.
#include <memory>
#include <string>

#include "platform/net/HttpRequest.h"

namespace platform {

class HttpConnection {
 public:
  // A GET request for the object name (the path after the host, without its leading
  // "/"), sending referrer in the Referer header when it is not empty. Nothing, with
  // HttpGetLastError set, when the name or referrer holds control characters or the
  // client cannot be set up. The request is sent as plain HTTP/1.1.
  std::unique_ptr<HttpRequest> OpenGetRequest(const std::wstring& objectName,
                                              const std::wstring& referrer) const;

 private:
  friend class HttpSession;
  HttpConnection(std::string agent, std::string host, unsigned short port)
      : agent_(std::move(agent)), host_(std::move(host)), port_(port) {}
  std::string agent_;
  std::string host_;
  unsigned short port_;
};

}  // namespace platform
