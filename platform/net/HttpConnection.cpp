#include "platform/net/HttpConnection.h"

#include "platform/core/TextCodec.h"
#include "platform/net/HttpError.h"
#include "platform/net/HttpText.h"

namespace platform {

std::unique_ptr<HttpRequest> HttpConnection::OpenGetRequest(const std::wstring& objectName,
                                                            const std::wstring& referrer) const {
  std::string object = WideToUtf8(objectName);
  std::string referrerText = WideToUtf8(referrer);
  if (http_text::HasControlCharacters(object) || http_text::HasControlCharacters(referrerText)) {
    HttpSetLastError(kHttpErrorInvalidArgument);
    return nullptr;
  }
  // Whatever scheme the caller's address named, this is plain HTTP.
  std::string url = "http://" + host_ + ":" + std::to_string(port_) + "/" +
                    http_text::EncodeRequestTarget(object);
  return HttpRequest::Create(url, agent_, referrerText);
}

}  // namespace platform
