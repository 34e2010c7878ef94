#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Full path of the running program (/proc/self/exe); empty when it cannot be read.
std::wstring GetModuleFileName();

// Kernel thread id of the calling thread.
long CurrentThreadId();

// Process id of the program that started this one (as long as it runs).
std::uint32_t ParentProcessId();

}  // namespace platform
