#pragma once
// The one clock the programs read. In-process tests may pin it; process-level tests use
// faketime instead, which this clock follows because it reads the system time.
#include <optional>

namespace platform {

struct LocalTime {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int microsecond = 0;
  int dayOfWeek = 0;  // 0 = Sunday
};

// A local time from its fields; dayOfWeek is left for Clock::Pin to fill.
inline LocalTime MakeLocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                               int microsecond = 0) {
  LocalTime time;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  time.microsecond = microsecond;
  return time;
}

class Clock {
 public:
  // Local date and time now, or the pinned time.
  static LocalTime Now();
  // Pins the clock (fields beyond second are taken as given; dayOfWeek is recomputed).
  static void Pin(const LocalTime& time);
  // Moves a pinned clock on by the given seconds (no effect when not pinned).
  static void Advance(long long seconds);
  static void Unpin();
};

}  // namespace platform
