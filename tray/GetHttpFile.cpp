#include "tray/GetHttpFile.h"

#include <cstring>
#include <vector>

#include "common/LogMessage.h"
#include "common/PathUtil.h"
#include "common/StringUtil.h"
#include "platform/net/HttpConnection.h"
#include "platform/net/HttpError.h"
#include "platform/net/HttpRequest.h"
#include "platform/net/HttpSession.h"

namespace Velunor::Quillon::Resident {

namespace {

constexpr unsigned short kHttpPort = 80;
// Holds at most 9 digits and the terminator.
constexpr std::size_t kContentLengthBufferChars = 10;

std::wstring CodeText(unsigned code) { return L"code[" + std::to_wstring(code) + L"]"; }

void LogError(const wchar_t* function, int line, const std::wstring& message) {
  Common::Log::WriteLog(function, line, message, Common::Log::kError);
}

}  // namespace

CGetHttpFile::~CGetHttpFile() { Clear(); }

void CGetHttpFile::Clear() {
  m_body.reset();
  m_size = 0;
}

int CGetHttpFile::GetFile(const std::wstring& url) {
  Clear();
  std::wstring host;
  std::wstring path;
  if (!SplitUrl(url, host, path)) return 0;
  return DownLoad(url, host, path);
}

std::wstring CGetHttpFile::GetBodyText() const {
  if (!m_body) return std::wstring();
  return Common::ToWideString(std::string(reinterpret_cast<const char*>(m_body.get())), Common::kUtf8CodePageFlag);
}

int CGetHttpFile::SplitUrl(const std::wstring& url, std::wstring& host, std::wstring& path) const {
  std::size_t slashes = url.find(L"//");
  if (slashes == std::wstring::npos || slashes + 2 >= url.size()) return 0;
  host = url.substr(slashes + 2);
  path.clear();
  std::size_t slash = host.find(L'/');
  if (slash != std::wstring::npos) {
    path = host.substr(slash + 1);
    host = host.substr(0, slash);
  }
  return 1;
}

int CGetHttpFile::DownLoad(const std::wstring& url, const std::wstring& host, const std::wstring& path) {
  auto session = platform::HttpSession::Open(Common::kProductFolderName);
  if (!session) {
    LogError(L"Velunor::Quillon::Resident::CGetHttpFile::DownLoad", __LINE__,
             L"InternetOpen ERROR " + CodeText(platform::HttpGetLastError()));
    return 0;
  }
  return ConnectServer(*session, url, host, path);
}

int CGetHttpFile::ConnectServer(const platform::HttpSession& session, const std::wstring& url,
                                const std::wstring& host, const std::wstring& path) {
  auto connection = session.Connect(host, kHttpPort);
  if (!connection) {
    LogError(L"Velunor::Quillon::Resident::CGetHttpFile::ConnectServer", __LINE__,
             L"InternetConnect ERROR " + CodeText(platform::HttpGetLastError()));
    return 0;
  }
  return Request(*connection, url, path);
}

int CGetHttpFile::Request(const platform::HttpConnection& connection, const std::wstring& url,
                          const std::wstring& path) {
  const wchar_t* function = L"Velunor::Quillon::Resident::CGetHttpFile::Request";
  auto request = connection.OpenGetRequest(path, url);
  if (!request) {
    LogError(function, __LINE__,
             L"HttpOpenRequest ERROR path[" + path + L"] url[" + url + L"] " + CodeText(platform::HttpGetLastError()));
    return 0;
  }
  if (!request->Send()) {
    LogError(function, __LINE__, L"HttpSendRequest ERROR " + CodeText(platform::HttpGetLastError()));
    return 0;
  }
  std::wstring lengthText;
  if (!request->QueryContentLength(lengthText, kContentLengthBufferChars)) {
    LogError(function, __LINE__, L"HttpQueryInfo ERROR " + CodeText(platform::HttpGetLastError()));
    return 0;
  }
  // Leading decimal digits; at most 9 of them, so the value fits.
  int length = 0;
  for (std::size_t i = 0; i < lengthText.size() && lengthText[i] >= L'0' && lengthText[i] <= L'9'; ++i) {
    length = length * 10 + static_cast<int>(lengthText[i] - L'0');
  }
  if (length > kMaxBodySize) {
    LogError(function, __LINE__, L"InternetReadFile ERROR " + CodeText(platform::kHttpErrorBodyTooLarge));
    return 0;
  }
  std::vector<unsigned char> transfer(static_cast<std::size_t>(length));
  std::size_t bytesRead = 0;
  bool read = request->Read(transfer.data(), transfer.size(), bytesRead);
  if (read) {
    m_size = static_cast<int>(bytesRead) + 2;
    m_body.reset(new unsigned char[static_cast<std::size_t>(m_size)]());
    if (bytesRead > 0) std::memcpy(m_body.get(), transfer.data(), bytesRead);
  } else {
    LogError(function, __LINE__, L"InternetReadFile ERROR " + CodeText(platform::HttpGetLastError()));
  }
  return read ? 1 : 0;
}

}  // namespace Velunor::Quillon::Resident
