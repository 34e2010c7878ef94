#include "viewer/WinMain.h"

#include <memory>
#include <optional>

#include "common/ConfigSettings.h"
#include "common/LogMessage.h"
#include "common/ProductName.h"
#include "common/SingleInstance.h"
#include "platform/core/ChildProcess.h"
#include "platform/service/NamedMutex.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/windows/MessageLoop.h"
#include "reckoner/CommandLine.h"
#include "resources/viewer/ViewerResources.h"
#include "viewer/CommandLine.h"
#include "viewer/MainWnd.h"
#include "viewer/ModuleInstance.h"

namespace Velunor::Quillon::Ui {

int ShowPreviousMonth = 0;

namespace {

namespace Common = Velunor::Quillon::Common;
namespace Log = Velunor::Quillon::Common::Log;

// Held until the process ends, so a viewer started during any phase of this one stops.
std::unique_ptr<platform::NamedMutex>& InstanceMutex() {
  static std::unique_ptr<platform::NamedMutex> mutex;
  return mutex;
}

}  // namespace

int WinMain(platform::ModuleHandle instance, platform::ModuleHandle, const std::wstring& commandLine, int showCommand) {
  // Lock files carry no access list: every user who can reach the name may open it.
  Common::InstanceMutex opened = Common::OpenInstanceMutex(kViewerMutexName);
  if (opened.check == Common::InstanceMutex::Check::kFailed) return Common::kNoInstanceMutexExitCode;
  if (opened.check == Common::InstanceMutex::Check::kAnotherRuns) return 0;
  InstanceMutex() = std::move(opened.mutex);

  if (commandLine == kPreviousMonthArgument) ShowPreviousMonth = 1;
  SetModuleInstance(instance);
  int result = RunMainWindow(commandLine, showCommand);
  SetModuleInstance(nullptr);
  return result;
}

int RunMainWindow(const std::wstring&, int showCommand) {
  if (platform::FindTopLevelWindow(Common::kProductName)) return -1;
  int code = RunReckoner();
  if (code != 0) return code;

  platform::MessageLoop loop;
  CMainWnd window(ShowPreviousMonth);
  if (!window.Create(GetModuleInstance(), kMainDialogId)) return -1;
  platform::ShowWindow(window.Handle(), showCommand);
  int result = loop.Run();
  return result;
}

int RunReckoner() {
  std::wstring commandLine = Common::GetModuleFolder() + Reckoner::kReckonerExeName;
  std::optional<platform::ChildProcess> child = platform::ChildProcess::Start(commandLine);
  if (!child) {
    Log::WriteLog(L"Velunor::Quillon::Ui::RunReckoner", __LINE__, L"cannot start " + commandLine, Log::kError);
    return -1;
  }
  child->Wait();
  switch (child->ExitCode()) {
    case 3: return -3;
    case 2: return -2;
    default: return 0;
  }
}

}  // namespace Velunor::Quillon::Ui
