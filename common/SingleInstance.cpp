#include "common/SingleInstance.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/LogMessage.h"
#include "platform/core/Process.h"
#include "platform/core/TextCodec.h"

namespace Velunor::Quillon::Common {
namespace {

// The running program's file name, as a message on stderr starts with it.
std::string ProgramName() {
  const std::string path = platform::WideToUtf8(platform::GetModuleFileName());
  return path.substr(path.rfind('/') + 1);
}

}  // namespace

InstanceMutex OpenInstanceMutex(const std::wstring& name) {
  static const std::wstring kFunction = L"Velunor::Quillon::Common::OpenInstanceMutex";
  std::vector<std::string> refused;
  InstanceMutex opened;
  opened.mutex = platform::NamedMutex::Create(name, false, &refused);
  const int error = errno;
  std::string refusals;
  for (const std::string& refusal : refused) {
    Log::WriteLog(kFunction, __LINE__, L"lock folder refused: " + platform::LocaleToWide(refusal), Log::kError);
    refusals += "; refused " + refusal;
  }
  if (opened.mutex) {
    opened.check = opened.mutex->AlreadyExisted() ? InstanceMutex::Check::kAnotherRuns : InstanceMutex::Check::kFirst;
    return opened;
  }
  // Not the same as another instance running: nothing would tell the user why the
  // program never came up.
  const std::string reason = std::strerror(error);
  Log::WriteLog(kFunction, __LINE__, L"cannot create the instance mutex: " + platform::LocaleToWide(reason),
                Log::kError);
  std::fprintf(stderr, "%s: cannot create the instance mutex: %s%s\n", ProgramName().c_str(), reason.c_str(),
               refusals.c_str());
  opened.check = InstanceMutex::Check::kFailed;
  return opened;
}

}  // namespace Velunor::Quillon::Common
