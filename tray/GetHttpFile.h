#pragma once
// Fetches one small document with an HTTP GET and keeps its body in memory: plain HTTP
// on port 80 whatever the address's scheme, the length from Content-Length, one read,
// and no look at the status code (an error page is a body like any other). Redirects and
// the bounds of time and size are the HTTP layer's (platform::HttpLimits).
#include <cstddef>
#include <memory>
#include <string>

namespace platform {
class HttpSession;
class HttpConnection;
}  // namespace platform

namespace Velunor::Quillon::Resident {

class CGetHttpFile {
 public:
  // The largest body accepted. A version file is a few hundred bytes; anything larger
  // announced by a broken or hostile server is refused before memory is taken for it.
  static constexpr int kMaxBodySize = 1024 * 1024;

  CGetHttpFile() = default;
  ~CGetHttpFile();
  CGetHttpFile(const CGetHttpFile&) = delete;
  CGetHttpFile& operator=(const CGetHttpFile&) = delete;

  // Non-zero when the body was read. Drops the previous body first. An address without
  // "//" is refused without network activity and without a log line.
  int GetFile(const std::wstring& url);

  // The body up to its first zero byte, decoded from UTF-8; empty when there is none.
  std::wstring GetBodyText() const;

  // host = the text after "//" up to the first "/", path = the rest after that "/".
  // 0 when there is no "//" or nothing follows it. A port stays part of the host.
  int SplitUrl(const std::wstring& url, std::wstring& host, std::wstring& path) const;

 private:
  void Clear();
  int DownLoad(const std::wstring& url, const std::wstring& host, const std::wstring& path);
  int ConnectServer(const platform::HttpSession& session, const std::wstring& url,
                    const std::wstring& host, const std::wstring& path);
  int Request(const platform::HttpConnection& connection, const std::wstring& url,
              const std::wstring& path);

  std::unique_ptr<unsigned char[]> m_body;  // bytes received, then two zero bytes
  int m_size = 0;                           // bytes received + 2; 0 without a body
};

}  // namespace Velunor::Quillon::Resident
