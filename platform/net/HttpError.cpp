#include "platform/net/HttpError.h"

namespace platform {

namespace {
thread_local unsigned lastError = kHttpErrorNone;
}

unsigned HttpGetLastError() { return lastError; }

void HttpSetLastError(unsigned error) { lastError = error; }

}  // namespace platform
