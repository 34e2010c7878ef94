#pragma once
// One day slot of the month model: the day's three byte counts and whether the day
// exists in its month.
#include <cstdint>

namespace Velunor::Quillon::Ui {

class CDayUsage {
 public:
  // Stores the day and its counts; valid follows from whether (year, month, day) exists.
  void Set(int year, int month, int day, std::uint64_t sent, std::uint64_t received,
           std::uint64_t unknown);

  // sent + received + unknown, stopping at the largest 64-bit value.
  std::uint64_t GetTotal() const;
  int IsValid() const { return m_valid; }
  int GetDay() const { return m_day; }
  std::uint64_t GetSent() const { return m_sent; }
  std::uint64_t GetReceived() const { return m_received; }
  std::uint64_t GetUnknown() const { return m_unknown; }

  // 1 when the day exists: within the month's length, 29 February only in leap years.
  // The lower bound of day is not tested; callers pass 1..31.
  static int DayExists(int year, int month, int day);

 private:
  int m_valid = 0;
  int m_day = 0;
  std::uint64_t m_sent = 0;
  std::uint64_t m_received = 0;
  std::uint64_t m_unknown = 0;
};

}  // namespace Velunor::Quillon::Ui
