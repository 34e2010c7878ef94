#include "platform/core/DebugOutput.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "platform/core/TextCodec.h"

namespace platform {
namespace {

std::mutex& SinkLock() {
  static std::mutex lock;
  return lock;
}

DebugOutputSink& Sink() {
  static DebugOutputSink sink;
  return sink;
}

void WriteToStderrWithoutBlocking(const std::string& bytes) {
  pollfd descriptor{STDERR_FILENO, POLLOUT, 0};
  if (poll(&descriptor, 1, 0) != 1 || (descriptor.revents & POLLOUT) == 0) return;
  const ssize_t ignored = write(STDERR_FILENO, bytes.data(), bytes.size());
  (void)ignored;
}

}  // namespace

void OutputDebugString(const std::wstring& text) {
  {
    std::lock_guard<std::mutex> guard(SinkLock());
    if (Sink()) {
      Sink()(text);
      return;
    }
  }
  if (std::getenv("CORVANE_DEBUG_OUTPUT") == nullptr) return;
  std::string bytes = WideToUtf8(text);
  if (bytes.empty() || bytes.back() != '\n') bytes += '\n';
  WriteToStderrWithoutBlocking(bytes);
}

void SetDebugOutputSink(DebugOutputSink sink) {
  std::lock_guard<std::mutex> guard(SinkLock());
  Sink() = std::move(sink);
}

}  // namespace platform
