#include "viewer/DayUsage.h"

#include "common/Saturating.h"

namespace Velunor::Quillon::Ui {

namespace {
constexpr int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
}

int CDayUsage::DayExists(int year, int month, int day) {
  if (month < 1 || month > 12) {
    return 0;
  }
  if (day <= kMonthLengths[month - 1]) {
    return 1;
  }
  if (month == 2 && day == 29) {
    const bool leap = (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
    return leap ? 1 : 0;
  }
  return 0;
}

void CDayUsage::Set(int year, int month, int day, std::uint64_t sent, std::uint64_t received,
                    std::uint64_t unknown) {
  m_valid = DayExists(year, month, day);
  m_day = day;
  m_sent = sent;
  m_received = received;
  m_unknown = unknown;
}

std::uint64_t CDayUsage::GetTotal() const {
  return Common::AddSaturated(Common::AddSaturated(m_sent, m_received), m_unknown);
}

}  // namespace Velunor::Quillon::Ui
