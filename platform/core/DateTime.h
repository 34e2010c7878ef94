#pragma once
// Local calendar date and time with a valid or invalid state. Setting it from fields
// succeeds only for a real date and time in the years 100 to 9999.
#include <cstdint>

namespace platform {

class DateTime {
 public:
  DateTime() = default;  // invalid
  DateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

  // Local time now from Clock, to the second.
  static DateTime Now();

  // Sets the fields; returns false and leaves the value invalid when they are not a
  // real date and time in range.
  bool SetDateTime(int year, int month, int day, int hour, int minute, int second);
  bool SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

  bool IsValid() const { return valid_; }
  int GetYear() const { return year_; }
  int GetMonth() const { return month_; }
  int GetDay() const { return day_; }
  int GetHour() const { return hour_; }
  int GetMinute() const { return minute_; }
  int GetSecond() const { return second_; }

  // Seconds since 0001-01-01 00:00:00 of the proleptic Gregorian calendar; ordering key.
  std::int64_t SerialSeconds() const;

  // Invalid values order before every valid one and are equal among themselves.
  bool operator==(const DateTime& other) const;
  bool operator!=(const DateTime& other) const { return !(*this == other); }
  bool operator<(const DateTime& other) const;
  bool operator>(const DateTime& other) const { return other < *this; }
  bool operator<=(const DateTime& other) const { return !(other < *this); }
  bool operator>=(const DateTime& other) const { return !(*this < other); }

  static bool IsLeapYear(int year);
  // 0 for a month outside 1..12.
  static int DaysInMonth(int year, int month);

 private:
  bool valid_ = false;
  int year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0;
};

}  // namespace platform
