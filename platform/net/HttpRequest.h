#pragma once
// One HTTP GET. Send() waits for the response headers; Read() then takes the body in
// pieces as it arrives, so only what the caller asked for is held in memory.
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

class HttpRequest {
 public:
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Connects, sends the request and waits until the headers of the final response
  // have arrived (any status). False, with HttpGetLastError set, when no response came.
  bool Send();

  // The Content-Length header's value as text. False with kHttpErrorHeaderNotFound when
  // the response has none, with kHttpErrorInsufficientBuffer when the value and a
  // terminator would not fit in capacity characters.
  bool QueryContentLength(std::wstring& value, std::size_t capacity) const;

  // Waits until size body bytes have arrived or the body has ended, and hands over up
  // to size bytes. A body that ends early gives the bytes that came. False, with
  // HttpGetLastError set, when nothing could be read because the transfer failed.
  bool Read(void* buffer, std::size_t size, std::size_t& bytesRead);

 private:
  friend class HttpConnection;
  struct Transfer;
  // url is complete and encoded; agent and referrer are UTF-8 header values.
  static std::unique_ptr<HttpRequest> Create(const std::string& url, const std::string& agent,
                                             const std::string& referrer);
  explicit HttpRequest(std::unique_ptr<Transfer> transfer);
  std::unique_ptr<Transfer> transfer_;
};

}  // namespace platform
