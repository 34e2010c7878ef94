#pragma once
// The service's side of the conversation with the service manager: the status record,
// the status handle and the stop event, and the answers to control requests.
#include <cstdint>
#include <memory>

#include "platform/service/ManualResetEvent.h"
#include "platform/service/ServiceDispatcher.h"

namespace Velunor::Quillon {

inline constexpr wchar_t kServiceName[] = L"Corvan Service";

class ServiceContext {
 public:
  ServiceContext();
  // Unregisters the control handler first, so no control can reach a context that is
  // gone, then closes the stop event.
  ~ServiceContext();
  ServiceContext(const ServiceContext&) = delete;
  ServiceContext& operator=(const ServiceContext&) = delete;

  // Creates the stop event and registers the control handler; throws Win32Error.
  void Initialize();
  bool SendServiceStatus();
  bool SetStatus(std::uint32_t state, std::uint32_t waitHint, std::uint32_t checkPoint);
  bool SendErrorStatus(std::uint32_t win32ExitCode, std::uint32_t serviceSpecificExitCode);
  std::uint32_t OnControl(std::uint32_t control, std::uint32_t eventType, void* eventData);

  // Null until Initialize has made it.
  platform::ManualResetEvent* StopEvent() { return m_stopEvent.get(); }
  const platform::ServiceStatus& Status() const { return m_status; }

 private:
  platform::ServiceStatus m_status;
  platform::ServiceStatusHandle m_statusHandle = nullptr;
  std::unique_ptr<platform::ManualResetEvent> m_stopEvent;
};

// The control handler registered with the manager; context is the ServiceContext.
std::uint32_t HandlerEx(std::uint32_t control, std::uint32_t eventType, void* eventData, void* context);

}  // namespace Velunor::Quillon
