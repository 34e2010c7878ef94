#include "platform/core/Process.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

#include "platform/core/TextCodec.h"

namespace platform {

std::wstring GetModuleFileName() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return std::wstring();
  return LocaleToWide(std::string(buffer, static_cast<std::size_t>(length)));
}

long CurrentThreadId() { return static_cast<long>(syscall(SYS_gettid)); }

std::uint32_t ParentProcessId() { return static_cast<std::uint32_t>(::getppid()); }

}  // namespace platform
