#include "platform/core/Clock.h"

#include <sys/time.h>

#include <ctime>
#include <mutex>


namespace platform {
namespace {

std::mutex& PinLock() {
  static std::mutex lock;
  return lock;
}
std::optional<LocalTime>& Pinned() {
  static std::optional<LocalTime> pinned;
  return pinned;
}

// Normalises a pinned time after arithmetic, through the calendar of the C library in UTC
// (no time zone rules may move a pinned local time).
LocalTime Normalise(LocalTime time) {
  std::tm fields{};
  fields.tm_year = time.year - 1900;
  fields.tm_mon = time.month - 1;
  fields.tm_mday = time.day;
  fields.tm_hour = time.hour;
  fields.tm_min = time.minute;
  fields.tm_sec = time.second;
  const time_t serial = timegm(&fields);
  std::tm out{};
  gmtime_r(&serial, &out);
  time.year = out.tm_year + 1900;
  time.month = out.tm_mon + 1;
  time.day = out.tm_mday;
  time.hour = out.tm_hour;
  time.minute = out.tm_min;
  time.second = out.tm_sec;
  time.dayOfWeek = out.tm_wday;
  return time;
}

}  // namespace

LocalTime Clock::Now() {
  {
    std::lock_guard<std::mutex> guard(PinLock());
    if (Pinned()) return *Pinned();
  }
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm fields{};
  const time_t seconds = now.tv_sec;
  localtime_r(&seconds, &fields);
  LocalTime time;
  time.year = fields.tm_year + 1900;
  time.month = fields.tm_mon + 1;
  time.day = fields.tm_mday;
  time.hour = fields.tm_hour;
  time.minute = fields.tm_min;
  time.second = fields.tm_sec;
  time.microsecond = static_cast<int>(now.tv_usec);
  time.dayOfWeek = fields.tm_wday;
  return time;
}

void Clock::Pin(const LocalTime& time) {
  std::lock_guard<std::mutex> guard(PinLock());
  Pinned() = Normalise(time);
}

void Clock::Advance(long long seconds) {
  std::lock_guard<std::mutex> guard(PinLock());
  if (!Pinned()) return;
  LocalTime time = *Pinned();
  time.second += static_cast<int>(seconds % 60);
  time.minute += static_cast<int>((seconds / 60) % 60);
  time.hour += static_cast<int>((seconds / 3600) % 24);
  time.day += static_cast<int>(seconds / 86400);
  Pinned() = Normalise(time);
}

void Clock::Unpin() {
  std::lock_guard<std::mutex> guard(PinLock());
  Pinned().reset();
}

}  // namespace platform
