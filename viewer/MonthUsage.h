#pragma once
// The viewer's model of one calendar month: 31 day slots, the month's neighbours and the
// two dates that bound the measurement (install date and last data date). Everything the
// viewer shows about a month comes from here. Integer arithmetic only.
#include <array>
#include <cstdint>

#include "platform/core/DateTime.h"
#include "prices/MonthTraffic.h"
#include "viewer/DayUsage.h"

namespace Velunor::Quillon::Ui {

class CMonthUsage final : public CMonthTraffic {
 public:
  static constexpr int kDaySlots = 31;

  // Every date zero, every slot empty, then the current month.
  CMonthUsage();

  // Init(today, zero date, zero date).
  void InitCurrentMonth();
  // Sets this month to the month of monthDate, copies both bounds and empties the slots.
  void Init(const platform::DateTime& monthDate, const platform::DateTime& installDate,
            const platform::DateTime& lastDataDate);
  // Stores one day of this month; a day outside 1..31 is ignored.
  void SetDay(int day, std::uint64_t sent, std::uint64_t received, std::uint64_t unknown);

  platform::DateTime GetPrevMonth() const { return m_prevMonth; }
  platform::DateTime GetMonth() const { return m_thisMonth; }
  platform::DateTime GetNextMonth() const { return m_nextMonth; }
  platform::DateTime GetInstallDate() const { return m_installDate; }
  platform::DateTime GetLastDataDate() const { return m_lastDataDate; }
  const CDayUsage& GetDayUsage(int slot) const { return m_days[slot]; }

  // Sum of the day totals of all valid slots, measured or not.
  std::uint64_t GetMonthTotal() const override;
  // Largest day total among the valid slots; 0 when none is valid.
  std::uint64_t GetDayMax() const;
  // Vertical axis maximum in MiB: 50, 100, 500, 1000 or 1500.
  int GetAxisMax() const;
  // Height of one day's bar in thousandths of the axis. A day that is not measured gives
  // all three outputs 0; a day with any traffic gets at least 1.
  void GetBarPermille(int day, int& inPeriod, std::uint32_t& permille, int& clipped) const;
  // First and last measured day, 0 and 0 when none.
  void GetMeasuredRange(int& first, int& last) const;
  int IsCompleteMonth() const;
  int HasNextMonth() const;
  int HasPrevMonth() const;
  // Bytes projected for the days of this month that are not measured.
  std::uint64_t GetProjectedRest() const override;

  // 1 when the day (year, month, day) lies before the reference date; day 0 stands for
  // the whole month, which is never before a date inside it.
  static int IsDayBefore(const platform::DateTime& reference, int year, int month, int day);
  // 1 when the day lies after the reference date; day 0 as above.
  static int IsDayAfter(const platform::DateTime& reference, int year, int month, int day);

 private:
  // Valid slot whose day is neither before the install date nor after the last data date.
  bool IsMeasured(int slot) const;
  bool IsOutsideMeasurement(int day) const;

  platform::DateTime m_prevMonth;
  platform::DateTime m_thisMonth;
  platform::DateTime m_nextMonth;
  platform::DateTime m_installDate;
  platform::DateTime m_lastDataDate;
  // Kept beside m_thisMonth so that a month the date type cannot hold still fills its
  // slots consistently (as invalid days).
  int m_year = 0;
  int m_month = 0;
  std::array<CDayUsage, kDaySlots> m_days{};
};

}  // namespace Velunor::Quillon::Ui
