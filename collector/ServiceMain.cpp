#include "collector/ServiceMain.h"

#include "collector/ExitException.h"
#include "collector/RunThread.h"
#include "collector/ServiceContext.h"
#include "collector/ServiceMutex.h"
#include "collector/Win32Error.h"
#include "common/LogMessage.h"
#include "platform/service/Priority.h"
#include "platform/service/ServiceDispatcher.h"
#include "platform/service/SystemError.h"

namespace Velunor::Quillon {

using Common::Log::kDebug;
using Common::Log::WriteLog;

int wWinMain() {
  const platform::ServiceTableEntry table[] = {{kServiceName, ServiceMain}, {nullptr, nullptr}};
  if (!platform::RunServiceDispatcher(table)) {
    WriteLog(L"wWinMain", __LINE__, L"StartServiceCtrlDispatcher failed!", kDebug);
    return 1;
  }
  return 0;
}

void StartRunThread() {
  if (s_runThread) return;
  // A Linux thread can only set its own nice value, so the thread raises itself first.
  s_runThread = std::make_unique<boost::thread>([] {
    platform::SetCurrentThreadPriority(platform::kThreadPriorityHighest);
    Run();
  });
}

void ServiceMain(std::uint32_t, wchar_t**) {
  WriteLog(L"ServiceMain", __LINE__, L"Main Start", kDebug);
  ServiceContext context;
  try {
    context.Initialize();
    context.SetStatus(platform::kServiceStartPending, 30000, 1);
    context.SetStatus(platform::kServiceRunning, 0, 0);

    CServiceMutex mutex;
    mutex.Acquire();
    platform::SetProcessPriorityClass(platform::kAboveNormalPriorityClass);
    StartRunThread();

    switch (context.StopEvent()->Wait(platform::kInfiniteWait)) {
      case platform::kWaitObject0:
        break;
      case platform::kWaitFailed:
        throw Win32Error(L"WaitForMultipleObjects", platform::LastSystemError());
      default:
        throw Win32Error(L"WaitForMultipleObjects (returns unknown value)", platform::LastSystemError());
    }

    StopRunThread();
    mutex.Release();
    throw ExitException();
  } catch (const ExitException&) {
    context.SetStatus(platform::kServiceStopped, 0, 0);
  } catch (const Win32Error& error) {
    context.SendErrorStatus(error.m_code, 0);
  } catch (...) {
    // No final report; the dispatcher ends the process as not stopped in order.
  }
  WriteLog(L"ServiceMain", __LINE__, L"Main END", kDebug);
}

}  // namespace Velunor::Quillon
