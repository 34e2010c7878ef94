#include "viewer/LineUpdate.h"

#include <optional>
#include <string>

#include "common/ConfigSettings.h"
#include "common/LogMessage.h"
#include "platform/core/ChildProcess.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "reckoner/CommandLine.h"

namespace Velunor::Quillon::Ui {

std::atomic<std::uint32_t> ReckonerProcessId{0};
std::atomic<std::uint64_t> LineUpdateWindow{0};
std::atomic<bool> LineUpdateRunning{false};

namespace {

namespace Common = Velunor::Quillon::Common;
namespace Log = Velunor::Quillon::Common::Log;

// The first top-level window of the process, topmost first.
std::optional<platform::TopLevelWindow> FindReckonerWindow(std::uint32_t processId) {
  return platform::FindTopLevelWindowOfProcess(processId);
}

}  // namespace

void LineUpdateThreadProc() {
  int renewed = LineUpdateThread();
  LineUpdateRunning = false;
  if (renewed == 1) platform::PostMessage(platform::UiWindow(LineUpdateWindow.load()), WM_LINE_UPDATED, 0, 0);
}

int LineUpdateThread() {
  std::wstring commandLine = Common::GetModuleFolder() + Reckoner::kReckonerExeName + L" " + Reckoner::kReckonerArgument;
  std::optional<platform::ChildProcess> child = platform::ChildProcess::Start(commandLine);
  if (!child) {
    ReckonerProcessId = 0;
    Log::WriteLog(L"Velunor::Quillon::Ui::LineUpdateThread", __LINE__, L"cannot start " + commandLine, Log::kError);
    return 0;
  }
  ReckonerProcessId = child->ProcessId();
  child->Wait();
  std::uint32_t exitCode = child->ExitCode();
  ReckonerProcessId = 0;
  return exitCode == 0 ? 1 : 0;
}

int ActivateReckonerWindow() {
  std::uint32_t processId = ReckonerProcessId;
  if (processId == 0) return 0;
  std::optional<platform::TopLevelWindow> window = FindReckonerWindow(processId);
  if (!window) return 0;
  platform::SetForegroundWindow(*window);
  return 1;
}

}  // namespace Velunor::Quillon::Ui
