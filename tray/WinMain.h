#pragma once
// The entry of CorvaneTray: one instance per user, then the hidden task window (whose
// creation runs the start-up checks) and its message loop until the window is closed.
#include <string>

#include "platform/ui/drawing/Resources.h"

namespace Velunor::Quillon::Resident {

inline constexpr wchar_t kTrayMutexName[] = L"Velunor::Quillon::Resident::WinMain";

// The program's exit code: the quit message's value (0 after a normal close), 0 when
// another copy runs or the window cannot be created, and 1 when the mutex can be made in
// no folder (said on stderr). The command line is not read.
int WinMain(platform::ModuleHandle instance, platform::ModuleHandle previousInstance, const std::wstring& commandLine,
            int showCommand);

}  // namespace Velunor::Quillon::Resident
