// CorvaneCollector: started by the service manager (systemd, or our service runner).
#include "collector/ServiceMain.h"
#include "platform/service/ServiceDispatcher.h"

int main() {
  const int result = Velunor::Quillon::wWinMain();
  // A service that stopped with an exit code ends the process with it. Threads that did
  // not stop in order end with the process, as they would under the service manager.
  platform::EndServiceProcess(result != 0 ? result : platform::ServiceProcessExitStatus());
}
