#include "common/LogMessage.h"
#include "platform/core/ChildProcess.h"
#include "platform/ui/windows/MessageLoop.h"
#include "platform/ui/windows/UiWindow.h"
#include "resources/tray/TrayResources.h"
#include "tray/WinMain.h"

int main(int argc, char** argv) {
  // Day files go to the user's own Log folder; the machine-wide one is the service's.
  Velunor::Quillon::Common::Log::SetLogFolderKind(Velunor::Quillon::Common::Log::LogFolderKind::kUser);
  std::wstring arguments = platform::JoinArguments(argc, argv);
  // Windows need a display; without one the program ends at once.
  if (!platform::StartUi(argc, argv)) return 1;
  return Velunor::Quillon::Resident::WinMain(Velunor::Quillon::Resident::GetTrayResources(), nullptr, arguments,
                                             platform::SW_SHOWDEFAULT);
}
