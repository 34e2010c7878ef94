#include "collector/ServiceContext.h"

#include <cerrno>
#include <new>

#include "collector/Win32Error.h"
#include "common/LogMessage.h"
#include "platform/service/SystemError.h"

namespace Velunor::Quillon {

using Common::Log::kDebug;
using Common::Log::WriteLog;

ServiceContext::ServiceContext() {
  m_status.serviceType = platform::kServiceWin32OwnProcess;
  m_status.controlsAccepted = platform::kServiceAcceptStop | platform::kServiceAcceptSessionChange;
  m_status.win32ExitCode = 0;
  m_status.serviceSpecificExitCode = 0;
}

ServiceContext::~ServiceContext() {
  if (m_statusHandle) platform::UnregisterServiceControlHandler(m_statusHandle);
}

void ServiceContext::Initialize() {
  m_stopEvent.reset(new (std::nothrow) platform::ManualResetEvent(false));
  if (!m_stopEvent) throw Win32Error(L"In ServiceContext::Initialize, CreateEvent", ENOMEM);
  m_statusHandle = platform::RegisterServiceControlHandler(kServiceName, HandlerEx, this);
  if (!m_statusHandle) {
    throw Win32Error(L"In ServiceContext::Initialize, RegisterServiceCtrlHandlerEx", platform::LastSystemError());
  }
}

bool ServiceContext::SendServiceStatus() {
  const bool sent = platform::ReportServiceStatus(m_statusHandle, m_status);
  if (!sent) WriteLog(L"ServiceContext::SendServiceStatus", __LINE__, L"SetServiceStatus failed!", kDebug);
  return sent;
}

bool ServiceContext::SetStatus(std::uint32_t state, std::uint32_t waitHint, std::uint32_t checkPoint) {
  m_status.currentState = state;
  m_status.waitHint = waitHint;
  m_status.checkPoint = checkPoint;
  return SendServiceStatus();
}

bool ServiceContext::SendErrorStatus(std::uint32_t win32ExitCode, std::uint32_t serviceSpecificExitCode) {
  WriteLog(L"ServiceContext::SendErrorStatus", __LINE__, L"Call SendServiceStatus with ExitCode", kDebug);
  m_status.currentState = platform::kServiceStopped;
  m_status.waitHint = 0;
  m_status.checkPoint = 0;
  m_status.win32ExitCode = win32ExitCode;
  m_status.serviceSpecificExitCode = serviceSpecificExitCode;
  return SendServiceStatus();
}

std::uint32_t ServiceContext::OnControl(std::uint32_t control, std::uint32_t, void*) {
  switch (control) {
    case platform::kServiceControlStop:
      SetStatus(platform::kServiceStopPending, 30000, 0);
      if (m_stopEvent) m_stopEvent->Set();
      break;
    case platform::kServiceControlInterrogate:
    case platform::kServiceControlSessionChange:
      SendServiceStatus();
      break;
    default:
      break;
  }
  return 0;
}

std::uint32_t HandlerEx(std::uint32_t control, std::uint32_t eventType, void* eventData, void* context) {
  return static_cast<ServiceContext*>(context)->OnControl(control, eventType, eventData);
}

}  // namespace Velunor::Quillon
