#pragma once
#include <cstdint>

namespace platform {

// The error code of the calling thread's last failed system call (errno); the code the
// service layer reports and logs.
std::uint32_t LastSystemError();

}  // namespace platform
