// Shows one dialog titled by the first argument and touches the file named by the
// second once the window is up; ends when the dialog is closed or killed.
#include <fstream>
#include <string>

#include "platform/core/TextCodec.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"

namespace {

class HostDialog : public platform::Dialog {
 protected:
  bool ProcessWindowMessage(platform::UiWindow, unsigned int message, platform::WParam, platform::LParam,
                            platform::LResult& result) override {
    if (message == platform::WM_CLOSE) {
      platform::MessageLoop::PostQuit(0);
      result = 0;
      return true;
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  platform::StartUi(argc, argv);
  platform::ResourceModule module;
  platform::DialogTemplate dialog;
  dialog.id = 1;
  dialog.caption = platform::Utf8ToWide(argv[1]);
  dialog.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::WS_VISIBLE;
  dialog.width = 100;
  dialog.height = 60;
  module.dialogs.push_back(dialog);
  HostDialog window;
  if (!window.Create(&module, 1)) return 1;
  for (int i = 0; i < 20; ++i) platform::ProcessPendingMessages();
  std::ofstream(argv[2]) << "ready\n";
  platform::MessageLoop loop;
  return loop.Run();
}
