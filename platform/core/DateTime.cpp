#include "platform/core/DateTime.h"

#include "platform/core/Clock.h"

namespace platform {
namespace {

// Days from 0001-01-01 to the given date (proleptic Gregorian).
std::int64_t DayNumber(int year, int month, int day) {
  static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const std::int64_t y = year - 1;
  std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + kBefore[month - 1] + (day - 1);
  if (month > 2 && DateTime::IsLeapYear(year)) ++days;
  return days;
}

}  // namespace

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

DateTime DateTime::Now() {
  const LocalTime now = Clock::Now();
  return DateTime(now.year, now.month, now.day, now.hour, now.minute, now.second);
}

bool DateTime::IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DateTime::DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool DateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  const bool real = year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                    day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
                    minute <= 59 && second >= 0 && second <= 59;
  if (!real) {
    *this = DateTime();
    return false;
  }
  valid_ = true;
  year_ = year;
  month_ = month;
  day_ = day;
  hour_ = hour;
  minute_ = minute;
  second_ = second;
  return true;
}

std::int64_t DateTime::SerialSeconds() const {
  if (!valid_) return -1;
  return DayNumber(year_, month_, day_) * 86400 + hour_ * 3600 + minute_ * 60 + second_;
}

bool DateTime::operator==(const DateTime& other) const { return SerialSeconds() == other.SerialSeconds(); }
bool DateTime::operator<(const DateTime& other) const { return SerialSeconds() < other.SerialSeconds(); }

}  // namespace platform
