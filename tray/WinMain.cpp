#include "tray/WinMain.h"

#include <memory>

#include "platform/service/NamedMutex.h"
#include "platform/ui/MessageLoop.h"
#include "tray/TaskWindow.h"

namespace Velunor::Quillon::Resident {

int WinMain(platform::ModuleHandle instance, platform::ModuleHandle, const std::wstring&, int) {
  // Lock files carry no access list: every user who can reach the name may open it.
  std::unique_ptr<platform::NamedMutex> mutex = platform::NamedMutex::Create(kTrayMutexName, false);
  if (!mutex || mutex->AlreadyExisted()) return 0;

  platform::MessageLoop loop;
  auto window = std::make_unique<CTaskWindow>(instance);
  if (window->Create() != 1) return 0;
  int result = loop.Run();
  mutex.reset();
  window.reset();
  return result;
}

}  // namespace Velunor::Quillon::Resident
