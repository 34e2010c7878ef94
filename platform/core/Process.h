#pragma once
#include <string>

namespace platform {

// Full path of the running program (/proc/self/exe); empty when it cannot be read.
std::wstring GetModuleFileName();

// Kernel thread id of the calling thread.
long CurrentThreadId();

}  // namespace platform
