#include "collector/ServiceMutex.h"

namespace Velunor::Quillon {

CServiceMutex::~CServiceMutex() {
  if (m_mutex) Release();
}

void CServiceMutex::Acquire() {
  // The lock file of a machine-wide name can be opened by the service and by every user,
  // which is what the access list of the service and the users grants. The result is
  // not checked: an existing mutex, or none at all, does not stop the service.
  m_mutex = platform::NamedMutex::Create(kServiceMutexName, true);
}

void CServiceMutex::Release() {
  if (m_mutex) m_mutex->Release();
  m_mutex.reset();
}

}  // namespace Velunor::Quillon
