#include "tray/WinMain.h"

#include <memory>

#include "common/SingleInstance.h"
#include "platform/ui/windows/MessageLoop.h"
#include "tray/TaskWindow.h"

namespace Velunor::Quillon::Resident {

namespace Common = Velunor::Quillon::Common;

int WinMain(platform::ModuleHandle instance, platform::ModuleHandle, const std::wstring&, int) {
  // Lock files carry no access list: every user who can reach the name may open it.
  Common::InstanceMutex opened = Common::OpenInstanceMutex(kTrayMutexName);
  if (opened.check == Common::InstanceMutex::Check::kFailed) return Common::kNoInstanceMutexExitCode;
  if (opened.check == Common::InstanceMutex::Check::kAnotherRuns) return 0;
  std::unique_ptr<platform::NamedMutex> mutex = std::move(opened.mutex);

  platform::MessageLoop loop;
  auto window = std::make_unique<CTaskWindow>(instance);
  if (window->Create() != 1) return 0;
  int result = loop.Run();
  mutex.reset();
  window.reset();
  return result;
}

}  // namespace Velunor::Quillon::Resident
