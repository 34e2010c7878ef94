#include "platform/net/HttpSession.h"

#include <mutex>

#include <curl/curl.h>

#include "platform/core/TextCodec.h"
#include "platform/net/HttpError.h"
#include "platform/net/HttpText.h"

namespace platform {

namespace {

std::mutex limitsLock;
HttpLimits limits;

bool InitialiseClient() {
  static std::once_flag once;
  static CURLcode result = CURLE_FAILED_INIT;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  return result == CURLE_OK;
}

}  // namespace

HttpLimits GetHttpLimits() {
  std::lock_guard<std::mutex> guard(limitsLock);
  return limits;
}

void SetHttpLimits(const HttpLimits& newLimits) {
  std::lock_guard<std::mutex> guard(limitsLock);
  limits = newLimits;
}

std::unique_ptr<HttpSession> HttpSession::Open(const std::wstring& agent) {
  if (!InitialiseClient()) {
    HttpSetLastError(kHttpErrorOutOfResources);
    return nullptr;
  }
  std::string agentText = WideToUtf8(agent);
  if (http_text::HasControlCharacters(agentText)) {
    HttpSetLastError(kHttpErrorInvalidArgument);
    return nullptr;
  }
  return std::unique_ptr<HttpSession>(new HttpSession(std::move(agentText)));
}

std::unique_ptr<HttpConnection> HttpSession::Connect(const std::wstring& host, unsigned short port) const {
  std::string hostText = WideToUtf8(host);
  if (!http_text::IsPlainHost(hostText) || port == 0) {
    HttpSetLastError(kHttpErrorInvalidHostName);
    return nullptr;
  }
  return std::unique_ptr<HttpConnection>(new HttpConnection(agent_, std::move(hostText), port));
}

}  // namespace platform
