#include "common/LogMessage.h"
#include "platform/core/ChildProcess.h"
#include "platform/ui/windows/MessageLoop.h"
#include "platform/ui/windows/UiWindow.h"
#include "resources/viewer/ViewerResources.h"
#include "viewer/WinMain.h"

int main(int argc, char** argv) {
  // No day files: the viewer's reports go to the debugger output only.
  Velunor::Quillon::Common::Log::SetLogFolderKind(Velunor::Quillon::Common::Log::LogFolderKind::kNone);
  std::wstring arguments = platform::JoinArguments(argc, argv);
  // Windows need a display; without one the program ends at once.
  if (!platform::StartUi(argc, argv)) return 1;
  return Velunor::Quillon::Ui::WinMain(Velunor::Quillon::Ui::GetViewerResources(), nullptr, arguments,
                                       platform::SW_SHOWDEFAULT);
}
