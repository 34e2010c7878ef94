#pragma once
// An event that stays signalled once set, until it is reset, and wakes every waiter.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

// Results of a wait; the numbers the programs compare against.
inline constexpr std::uint32_t kWaitObject0 = 0x00000000;
inline constexpr std::uint32_t kWaitTimeout = 0x00000102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr std::uint32_t kInfiniteWait = 0xFFFFFFFF;

class ManualResetEvent {
 public:
  explicit ManualResetEvent(bool initiallySet = false) : m_set(initiallySet) {}
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet();
  // kWaitObject0 once the event is set, kWaitTimeout after timeoutMs (kInfiniteWait:
  // never).
  std::uint32_t Wait(std::uint32_t timeoutMs = kInfiniteWait);

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_set;
};

}  // namespace platform
