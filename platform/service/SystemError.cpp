#include "platform/service/SystemError.h"

#include <cerrno>

namespace platform {

std::uint32_t LastSystemError() { return static_cast<std::uint32_t>(errno); }

}  // namespace platform
