#include "platform/service/runner/StartLimit.h"

namespace platform {

bool StartLimit::Allow(Clock::time_point now) {
  if (!m_windowStart || now - *m_windowStart > m_interval) {
    m_windowStart = now;
    m_starts = 0;
  }
  if (m_starts >= m_burst) return false;
  ++m_starts;
  return true;
}

}  // namespace platform
