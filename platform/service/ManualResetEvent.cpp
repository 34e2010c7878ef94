#include "platform/service/ManualResetEvent.h"

#include <chrono>

namespace platform {

void ManualResetEvent::Set() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_set = true;
  }
  m_changed.notify_all();
}

void ManualResetEvent::Reset() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_set = false;
}

bool ManualResetEvent::IsSet() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_set;
}

std::uint32_t ManualResetEvent::Wait(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> guard(m_lock);
  if (timeoutMs == kInfiniteWait) {
    m_changed.wait(guard, [this] { return m_set; });
    return kWaitObject0;
  }
  const bool set = m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return m_set; });
  return set ? kWaitObject0 : kWaitTimeout;
}

}  // namespace platform
