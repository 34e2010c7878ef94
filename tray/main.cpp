#include "platform/ui/ChildProcess.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/UiWindow.h"
#include "resources/tray/TrayResources.h"
#include "tray/WinMain.h"

int main(int argc, char** argv) {
  std::wstring arguments = platform::JoinArguments(argc, argv);
  platform::StartUi(argc, argv);
  return Velunor::Quillon::Resident::WinMain(Velunor::Quillon::Resident::GetTrayResources(), nullptr, arguments,
                                             platform::SW_SHOWDEFAULT);
}
