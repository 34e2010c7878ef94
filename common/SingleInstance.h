#pragma once
// The single-instance mutex of a desktop program (the viewer, the tray): one instance
// per user.
#include <memory>
#include <string>

#include "platform/service/NamedMutex.h"

namespace Velunor::Quillon::Common {

// The exit code of a program that could make its mutex in no folder at all.
inline constexpr int kNoInstanceMutexExitCode = 1;

struct InstanceMutex {
  enum class Check {
    kFirst,        // no other instance held it; mutex is this process's handle
    kAnotherRuns,  // another instance holds it
    kFailed,       // it could not be made: logged and written on stderr
  };
  Check check = Check::kFailed;
  std::unique_ptr<platform::NamedMutex> mutex;
};

// Opens the named mutex, not owned. Lock folders refused on the way (another user's
// folder or link in their place, ...) are logged with why, whatever the outcome.
InstanceMutex OpenInstanceMutex(const std::wstring& name);

}  // namespace Velunor::Quillon::Common
