#include "platform/ui/ChildProcess.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/UiWindow.h"
#include "resources/tray/TrayResources.h"
#include "tray/WinMain.h"

int main(int argc, char** argv) {
  std::wstring arguments = platform::JoinArguments(argc, argv);
  // Windows need a display; without one the program ends at once.
  if (!platform::StartUi(argc, argv)) return 1;
  return Velunor::Quillon::Resident::WinMain(Velunor::Quillon::Resident::GetTrayResources(), nullptr, arguments,
                                             platform::SW_SHOWDEFAULT);
}
