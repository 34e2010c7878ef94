#include "platform/ui/ChildProcess.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/UiWindow.h"
#include "resources/viewer/ViewerResources.h"
#include "viewer/WinMain.h"

int main(int argc, char** argv) {
  std::wstring arguments = platform::JoinArguments(argc, argv);
  platform::StartUi(argc, argv);
  return Velunor::Quillon::Ui::WinMain(Velunor::Quillon::Ui::GetViewerResources(), nullptr, arguments,
                                       platform::SW_SHOWDEFAULT);
}
