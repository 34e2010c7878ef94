#include "platform/net/HttpRequest.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include <curl/curl.h>

#include "platform/core/TextCodec.h"
#include "platform/net/HttpError.h"

namespace platform {

namespace {

// Time-outs of our own, since the programs set none: a server that accepts but never
// answers, or stops sending, must not hold the caller for ever.
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kStallTimeoutSeconds = 60;

unsigned ErrorFromTransfer(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kHttpErrorNameNotResolved;
    case CURLE_COULDNT_CONNECT:
      return kHttpErrorCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return kHttpErrorTimeout;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
      return kHttpErrorConnectionAborted;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_BAD_CONTENT_ENCODING:
      return kHttpErrorInvalidResponse;
    case CURLE_URL_MALFORMAT:
      return kHttpErrorInvalidUrl;
    case CURLE_OUT_OF_MEMORY:
      return kHttpErrorOutOfResources;
    default:
      return kHttpErrorTransferFailed;
  }
}

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  std::size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

struct HttpRequest::Transfer {
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headerList = nullptr;
  bool added = false;
  bool sent = false;
  bool finished = false;
  CURLcode result = CURLE_OK;

  // Headers of the latest response block; an interim 1xx block is replaced by the next.
  long status = 0;
  bool headersComplete = false;
  std::vector<std::pair<std::string, std::string>> headers;

  // Body bytes that arrived and were not read yet. The transfer pauses once this holds
  // what the current read wants, so a server cannot push more into memory than that.
  std::string pending;
  std::size_t wanted = 0;
  bool paused = false;

  ~Transfer() {
    if (added) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    curl_slist_free_all(headerList);
  }

  static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<Transfer*>(user);
    size_t length = size * count;
    if (self->headersComplete) return length;  // trailers of a chunked body
    std::string line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) {
      self->headers.clear();
      self->status = 0;
      std::size_t space = line.find(' ');
      if (space != std::string::npos) self->status = std::strtol(line.c_str() + space + 1, nullptr, 10);
    } else if (line.empty()) {
      if (self->status >= 200) self->headersComplete = true;
    } else {
      std::size_t colon = line.find(':');
      if (colon != std::string::npos) {
        self->headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
      }
    }
    return length;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<Transfer*>(user);
    size_t length = size * count;
    if (length == 0) return 0;
    if (self->pending.size() >= self->wanted) {
      self->paused = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    self->pending.append(data, length);
    return length;
  }

  void CollectResult() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        finished = true;
        result = message->data.result;
      }
    }
  }

  // Runs the transfer until done() holds, the transfer ends, or it pauses.
  template <typename Done>
  void RunUntil(Done done) {
    while (!done() && !finished) {
      int running = 0;
      if (curl_multi_perform(multi, &running) != CURLM_OK) {
        finished = true;
        result = CURLE_FAILED_INIT;
        return;
      }
      CollectResult();
      if (done() || finished || paused) return;
      int ready = 0;
      if (curl_multi_poll(multi, nullptr, 0, 1000, &ready) != CURLM_OK) {
        finished = true;
        result = CURLE_FAILED_INIT;
        return;
      }
    }
  }
};

HttpRequest::HttpRequest(std::unique_ptr<Transfer> transfer) : transfer_(std::move(transfer)) {}

HttpRequest::~HttpRequest() = default;

std::unique_ptr<HttpRequest> HttpRequest::Create(const std::string& url, const std::string& agent,
                                                 const std::string& referrer) {
  auto transfer = std::make_unique<Transfer>();
  transfer->easy = curl_easy_init();
  transfer->multi = curl_multi_init();
  if (!transfer->easy || !transfer->multi) {
    HttpSetLastError(kHttpErrorOutOfResources);
    return nullptr;
  }
  // The request carries no accept types.
  transfer->headerList = curl_slist_append(nullptr, "Accept:");
  CURL* easy = transfer->easy;
  bool ok = transfer->headerList != nullptr &&
            curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headerList) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kStallTimeoutSeconds) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::OnBody) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get()) == CURLE_OK;
  if (ok && !referrer.empty()) ok = curl_easy_setopt(easy, CURLOPT_REFERER, referrer.c_str()) == CURLE_OK;
  if (!ok) {
    HttpSetLastError(kHttpErrorOutOfResources);
    return nullptr;
  }
  return std::unique_ptr<HttpRequest>(new HttpRequest(std::move(transfer)));
}

bool HttpRequest::Send() {
  Transfer& t = *transfer_;
  if (t.sent) {
    HttpSetLastError(kHttpErrorInvalidState);
    return false;
  }
  t.sent = true;
  if (curl_multi_add_handle(t.multi, t.easy) != CURLM_OK) {
    HttpSetLastError(kHttpErrorOutOfResources);
    return false;
  }
  t.added = true;
  t.RunUntil([&t] { return t.headersComplete; });
  if (!t.headersComplete) {
    HttpSetLastError(t.finished && t.result != CURLE_OK ? ErrorFromTransfer(t.result)
                                                        : kHttpErrorInvalidResponse);
    return false;
  }
  return true;
}

bool HttpRequest::QueryContentLength(std::wstring& value, std::size_t capacity) const {
  const Transfer& t = *transfer_;
  if (!t.headersComplete) {
    HttpSetLastError(kHttpErrorInvalidState);
    return false;
  }
  for (const auto& header : t.headers) {
    if (!EqualsIgnoringCase(header.first, "Content-Length")) continue;
    std::wstring text = Utf8ToWide(header.second);
    if (text.size() + 1 > capacity) {
      HttpSetLastError(kHttpErrorInsufficientBuffer);
      return false;
    }
    value = text;
    return true;
  }
  HttpSetLastError(kHttpErrorHeaderNotFound);
  return false;
}

bool HttpRequest::Read(void* buffer, std::size_t size, std::size_t& bytesRead) {
  Transfer& t = *transfer_;
  bytesRead = 0;
  if (!t.headersComplete) {
    HttpSetLastError(kHttpErrorInvalidState);
    return false;
  }
  if (size == 0) return true;
  t.wanted = size;
  if (t.paused) {
    t.paused = false;
    // Hands the held-back piece to OnBody again, which may pause once more.
    curl_easy_pause(t.easy, CURLPAUSE_CONT);
  }
  t.RunUntil([&t, size] { return t.pending.size() >= size; });
  std::size_t count = std::min(size, t.pending.size());
  if (count == 0 && t.finished && t.result != CURLE_OK && t.result != CURLE_PARTIAL_FILE) {
    HttpSetLastError(ErrorFromTransfer(t.result));
    return false;
  }
  std::memcpy(buffer, t.pending.data(), count);
  t.pending.erase(0, count);
  bytesRead = count;
  return true;
}

}  // namespace platform
