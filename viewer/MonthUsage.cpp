#include "viewer/MonthUsage.h"

#include "common/Saturating.h"

namespace Velunor::Quillon::Ui {

namespace {

// The zero date (and any invalid date) reads as year, month and day 0, which no month of
// the summary file can equal.
int YearOf(const platform::DateTime& date) { return date.IsValid() ? date.GetYear() : 0; }
int MonthOf(const platform::DateTime& date) { return date.IsValid() ? date.GetMonth() : 0; }
int DayOf(const platform::DateTime& date) { return date.IsValid() ? date.GetDay() : 0; }

// Whole-month ordering key.
long long MonthIndex(int year, int month) { return static_cast<long long>(year) * 12 + month; }
long long MonthIndex(const platform::DateTime& date) {
  return MonthIndex(YearOf(date), MonthOf(date));
}

constexpr std::uint64_t kAxisSteps[][2] = {
    {52428800ULL, 50},
    {104857600ULL, 100},
    {524288000ULL, 500},
    {1048576000ULL, 1000},
};
constexpr int kLargestAxis = 1500;

}  // namespace

CMonthUsage::CMonthUsage() { InitCurrentMonth(); }

void CMonthUsage::InitCurrentMonth() {
  Init(platform::DateTime::Now(), platform::DateTime(), platform::DateTime());
}

void CMonthUsage::Init(const platform::DateTime& monthDate, const platform::DateTime& installDate,
                       const platform::DateTime& lastDataDate) {
  m_year = YearOf(monthDate);
  m_month = MonthOf(monthDate);
  m_thisMonth = platform::DateTime(m_year, m_month, 1);
  m_prevMonth = m_month == 1 ? platform::DateTime(m_year - 1, 12, 1)
                             : platform::DateTime(m_year, m_month - 1, 1);
  m_nextMonth = m_month == 12 ? platform::DateTime(m_year + 1, 1, 1)
                              : platform::DateTime(m_year, m_month + 1, 1);
  m_installDate = installDate;
  m_lastDataDate = lastDataDate;
  for (int i = 0; i < kDaySlots; ++i) {
    m_days[i].Set(m_year, m_month, i + 1, 0, 0, 0);
  }
}

void CMonthUsage::SetDay(int day, std::uint64_t sent, std::uint64_t received,
                         std::uint64_t unknown) {
  if (day < 1 || day > kDaySlots) {
    return;
  }
  m_days[day - 1].Set(m_year, m_month, day, sent, received, unknown);
}

int CMonthUsage::IsDayBefore(const platform::DateTime& reference, int year, int month, int day) {
  const int y1 = YearOf(reference), m1 = MonthOf(reference), d1 = DayOf(reference);
  if (y1 > year) return 1;
  if (y1 < year) return 0;
  if (m1 > month) return 1;
  if (m1 < month) return 0;
  if (day < 1) return 0;
  return d1 > day ? 1 : 0;
}

int CMonthUsage::IsDayAfter(const platform::DateTime& reference, int year, int month, int day) {
  const int y1 = YearOf(reference), m1 = MonthOf(reference), d1 = DayOf(reference);
  if (y1 > year) return 0;
  if (y1 < year) return 1;
  if (m1 > month) return 0;
  if (m1 < month) return 1;
  if (day < 1) return 0;
  return d1 < day ? 1 : 0;
}

bool CMonthUsage::IsOutsideMeasurement(int day) const {
  return IsDayBefore(m_installDate, m_year, m_month, day) != 0 ||
         IsDayAfter(m_lastDataDate, m_year, m_month, day) != 0;
}

bool CMonthUsage::IsMeasured(int slot) const {
  return m_days[slot].IsValid() != 0 && !IsOutsideMeasurement(slot + 1);
}

std::uint64_t CMonthUsage::GetMonthTotal() const {
  std::uint64_t total = 0;
  for (const CDayUsage& day : m_days) {
    if (day.IsValid()) {
      total = Common::AddSaturated(total, day.GetTotal());
    }
  }
  return total;
}

std::uint64_t CMonthUsage::GetDayMax() const {
  std::uint64_t largest = 0;
  for (const CDayUsage& day : m_days) {
    if (day.IsValid() && day.GetTotal() > largest) {
      largest = day.GetTotal();
    }
  }
  return largest;
}

int CMonthUsage::GetAxisMax() const {
  const std::uint64_t largest = GetDayMax();
  for (const auto& step : kAxisSteps) {
    if (largest <= step[0]) {
      return static_cast<int>(step[1]);
    }
  }
  return kLargestAxis;
}

void CMonthUsage::GetBarPermille(int day, int& inPeriod, std::uint32_t& permille,
                                 int& clipped) const {
  inPeriod = 0;
  permille = 0;
  clipped = 0;
  if (day < 1 || day > kDaySlots || !IsMeasured(day - 1)) {
    return;
  }
  const CDayUsage& slot = m_days[day - 1];
  inPeriod = slot.IsValid();
  const std::uint64_t total = slot.GetTotal();
  const std::uint64_t limit = static_cast<std::uint64_t>(GetAxisMax()) * kBytesPerMiB;
  if (total > limit) {
    permille = 1000;
    clipped = 1;
    return;
  }
  // total <= limit <= 1500 MiB here, so the product stays far below 2^64.
  permille = static_cast<std::uint32_t>((total * 100 * 10) / limit);
  if (permille == 0 && total != 0) {
    permille = 1;
  }
}

void CMonthUsage::GetMeasuredRange(int& first, int& last) const {
  first = 0;
  last = 0;
  for (int i = 0; i < kDaySlots && m_days[i].IsValid(); ++i) {
    if (IsOutsideMeasurement(i + 1)) {
      continue;
    }
    if (first == 0) {
      first = i + 1;
    }
    last = i + 1;
  }
}

int CMonthUsage::IsCompleteMonth() const {
  const long long thisMonth = MonthIndex(m_year, m_month);
  if (thisMonth == MonthIndex(m_installDate) || thisMonth == MonthIndex(m_lastDataDate)) {
    return 0;
  }
  return 1;
}

int CMonthUsage::HasNextMonth() const {
  return MonthIndex(m_nextMonth) <= MonthIndex(m_lastDataDate) ? 1 : 0;
}

int CMonthUsage::HasPrevMonth() const {
  const long long previous = MonthIndex(m_prevMonth);
  const long long earliest = MonthIndex(YearOf(m_lastDataDate) - 1, MonthOf(m_lastDataDate));
  if (previous < earliest) {
    return 0;
  }
  return previous >= MonthIndex(m_installDate) ? 1 : 0;
}

std::uint64_t CMonthUsage::GetProjectedRest() const {
  const std::uint64_t sum = GetMonthTotal();
  if (IsCompleteMonth() == 1) {
    return 0;
  }
  std::uint64_t validDays = 0;
  std::uint64_t unmeasuredDays = 0;
  for (int i = 0; i < kDaySlots; ++i) {
    if (!m_days[i].IsValid()) {
      continue;
    }
    ++validDays;
    if (IsOutsideMeasurement(i + 1)) {
      ++unmeasuredDays;
    }
  }
  if (unmeasuredDays == 0 || unmeasuredDays >= validDays) {
    return 0;
  }
  // The average is taken in hundredths of a byte before it is multiplied, in this order.
  // 128-bit intermediates give the same quotients as 64-bit ones for every real month and
  // keep a corrupted, enormous sum from wrapping round to a small projection.
  using Wide = unsigned __int128;
  const Wide perDayHundredths = (static_cast<Wide>(sum) * 100) / (validDays - unmeasuredDays);
  const Wide projected = (perDayHundredths * unmeasuredDays) / 100;
  const Wide largest = std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(projected > largest ? largest : projected);
}

}  // namespace Velunor::Quillon::Ui
