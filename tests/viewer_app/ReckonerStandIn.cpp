// Stands in for CorvaneReckoner beside the test programs (the viewer starts whatever
// lies in its own folder). Notes each run in $VIEWER_TEST_RECKONER_LOG; runs the program
// named by $VIEWER_TEST_RECKONER_DELEGATE in its place when set; with "-fd" shows a
// window until it is asked to close, then ends with $VIEWER_TEST_RECKONER_EXIT.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/core/ChildProcess.h"
#include "platform/core/TextCodec.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"

namespace {

class StandInWindow : public platform::Dialog {
 protected:
  bool ProcessWindowMessage(platform::UiWindow, unsigned int message, platform::WParam, platform::LParam,
                            platform::LResult& result) override {
    if (message != platform::WM_CLOSE) return false;
    platform::MessageLoop::PostQuit(0);
    result = 0;
    return true;
  }
};

int ExitCode() {
  const char* code = std::getenv("VIEWER_TEST_RECKONER_EXIT");
  return code != nullptr ? std::atoi(code) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string arguments = platform::WideToUtf8(platform::JoinArguments(argc, argv));
  if (const char* log = std::getenv("VIEWER_TEST_RECKONER_LOG")) std::ofstream(log, std::ios::app) << "run " << arguments << "\n";
  if (const char* delegate = std::getenv("VIEWER_TEST_RECKONER_DELEGATE")) {
    argv[0] = const_cast<char*>(delegate);
    ::execv(delegate, argv);
    return 127;
  }
  if (arguments != "-fd") return ExitCode();

  platform::StartUi(argc, argv);
  platform::ResourceModule module;
  platform::DialogTemplate dialog;
  dialog.id = 1;
  dialog.caption = L"回線品目の設定（試験）";
  dialog.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::WS_VISIBLE;
  dialog.width = 120;
  dialog.height = 60;
  module.dialogs.push_back(dialog);
  StandInWindow window;
  if (!window.Create(&module, 1)) return 1;
  platform::MessageLoop loop;
  loop.Run();
  return ExitCode();
}
