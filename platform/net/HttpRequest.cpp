#include "platform/net/HttpRequest.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

#include <curl/curl.h>

#include "platform/core/TextCodec.h"
#include "platform/net/HttpError.h"
#include "platform/net/HttpSession.h"

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr long kLongestPollMs = 1000;

bool IsRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

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
  std::string url;  // the address of the current hop
  std::string agent;
  std::string referrer;
  // Time-outs of our own, since the programs set none: a server that accepts but never
  // answers, stops sending, or sends ever so slowly must not hold the caller for ever.
  HttpLimits limits = GetHttpLimits();
  SteadyClock::time_point deadline;
  bool added = false;
  bool sent = false;
  bool finished = false;
  CURLcode result = CURLE_OK;
  int redirects = 0;

  // Headers of the latest response block; an interim 1xx block is replaced by the next.
  long status = 0;
  bool headersComplete = false;
  std::vector<std::pair<std::string, std::string>> headers;
  // Header bytes of every response of the exchange, redirects included.
  std::size_t headerBytes = 0;
  bool headersOverLimit = false;

  // Body bytes that arrived and were not read yet. The transfer pauses once this holds
  // what the current read wants, so a server cannot push more into memory than that.
  std::string pending;
  std::size_t wanted = 0;
  bool paused = false;

  ~Transfer() {
    Close();
    if (multi) curl_multi_cleanup(multi);
    curl_slist_free_all(headerList);
  }

  void Close() {
    if (added) curl_multi_remove_handle(multi, easy);
    added = false;
    if (easy) curl_easy_cleanup(easy);
    easy = nullptr;
  }

  // A new handle for url with every option of the exchange; false when the client
  // cannot be set up.
  bool Open(const std::string& address) {
    Close();
    easy = curl_easy_init();
    if (!easy) return false;
    url = address;
    status = 0;
    headersComplete = false;
    headers.clear();
    pending.clear();
    paused = false;
    finished = false;
    result = CURLE_OK;
    // Redirects are followed here, one handle per address, so that no redirect's body
    // is ever read and every hop is checked.
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              // A name lookup counts against the time to connect. One still going on when
              // that time or the whole exchange's is up is left to end on its own thread;
              // otherwise the client would wait for it, minutes with a resolver that never
              // answers.
              curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::OnBody) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK;
    if (ok && !referrer.empty()) ok = curl_easy_setopt(easy, CURLOPT_REFERER, referrer.c_str()) == CURLE_OK;
    return ok;
  }

  bool Add() {
    added = curl_multi_add_handle(multi, easy) == CURLM_OK;
    return added;
  }

  static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<Transfer*>(user);
    size_t length = size * count;
    self->headerBytes += length;
    if (self->headerBytes > self->limits.maxHeaderBytes) {
      self->headersOverLimit = true;
      return 0;  // ends the transfer
    }
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

  // Runs the transfer until done() holds, the transfer ends, it pauses, or the whole
  // exchange has run out of time.
  template <typename Done>
  void RunUntil(Done done) {
    while (!done() && !finished) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
      if (left <= 0) {
        finished = true;
        result = CURLE_OPERATION_TIMEDOUT;
        return;
      }
      int running = 0;
      if (curl_multi_perform(multi, &running) != CURLM_OK) {
        finished = true;
        result = CURLE_FAILED_INIT;
        return;
      }
      CollectResult();
      if (done() || finished || paused) return;
      int ready = 0;
      if (curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::min<long long>(left, kLongestPollMs)), &ready) !=
          CURLM_OK) {
        finished = true;
        result = CURLE_FAILED_INIT;
        return;
      }
    }
  }

  // The address a redirect response sends the exchange to, its Location resolved
  // against the address asked for; false for a final response.
  bool RedirectTarget(std::string& target) const {
    if (!IsRedirect(status)) return false;
    const std::string* location = nullptr;
    for (const auto& header : headers) {
      if (EqualsIgnoringCase(header.first, "Location") && !header.second.empty()) location = &header.second;
    }
    if (location == nullptr) return false;
    CURLU* address = curl_url();
    char* resolved = nullptr;
    const bool ok = address != nullptr && curl_url_set(address, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
                    curl_url_set(address, CURLUPART_URL, location->c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
                    curl_url_get(address, CURLUPART_URL, &resolved, 0) == CURLUE_OK;
    // An address that cannot be made sense of is no http or https address either.
    target = ok ? resolved : *location;
    curl_free(resolved);
    curl_url_cleanup(address);
    return true;
  }

  unsigned Failure() const {
    if (headersOverLimit) return kHttpErrorHeadersTooLarge;
    return finished && result != CURLE_OK ? ErrorFromTransfer(result) : kHttpErrorInvalidResponse;
  }
};

HttpRequest::HttpRequest(std::unique_ptr<Transfer> transfer) : transfer_(std::move(transfer)) {}

HttpRequest::~HttpRequest() = default;

std::unique_ptr<HttpRequest> HttpRequest::Create(const std::string& url, const std::string& agent,
                                                 const std::string& referrer) {
  auto transfer = std::make_unique<Transfer>();
  transfer->agent = agent;
  transfer->referrer = referrer;
  transfer->multi = curl_multi_init();
  // The request carries no accept types.
  transfer->headerList = curl_slist_append(nullptr, "Accept:");
  if (!transfer->multi || !transfer->headerList || !transfer->Open(url)) {
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
  t.deadline = SteadyClock::now() + std::chrono::seconds(t.limits.transferSeconds);
  if (!t.Add()) {
    HttpSetLastError(kHttpErrorOutOfResources);
    return false;
  }
  for (;;) {
    t.RunUntil([&t] { return t.headersComplete; });
    if (!t.headersComplete) {
      HttpSetLastError(t.Failure());
      return false;
    }
    std::string target;
    if (!t.RedirectTarget(target)) return true;
    if (t.redirects >= t.limits.maxRedirects) {
      HttpSetLastError(kHttpErrorTooManyRedirects);
      return false;
    }
    if (!StartsWithIgnoringCase(target, "http://") && !StartsWithIgnoringCase(target, "https://")) {
      HttpSetLastError(kHttpErrorRedirectScheme);
      return false;
    }
    ++t.redirects;
    if (!t.Open(target) || !t.Add()) {
      HttpSetLastError(kHttpErrorOutOfResources);
      return false;
    }
  }
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
  // A body cut short by the server is what came; one that ran out of time is a failure,
  // however much of it had arrived.
  const bool timedOut = t.finished && t.result == CURLE_OPERATION_TIMEDOUT && count < size;
  if (timedOut || (count == 0 && t.finished && t.result != CURLE_OK && t.result != CURLE_PARTIAL_FILE)) {
    HttpSetLastError(t.Failure());
    return false;
  }
  std::memcpy(buffer, t.pending.data(), count);
  t.pending.erase(0, count);
  bytesRead = count;
  return true;
}

}  // namespace platform
