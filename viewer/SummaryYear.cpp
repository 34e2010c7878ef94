#include "viewer/SummaryYear.h"

#include <tinyxml.h>

#include "collector/SummaryFileFormat.h"
#include "viewer/SummaryReading.h"

namespace Velunor::Quillon::Ui {

namespace {
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;
}  // namespace

void CSummaryYear::Clear() {
  m_year = 0;
  m_months.clear();
}

const CSummaryMonth* CSummaryYear::FindMonth(int month) const {
  const auto found = m_months.find(month);
  return found == m_months.end() ? nullptr : found->second.get();
}

int CSummaryYear::Parse(const TiXmlElement* element) {
  return ParseGuarded([&] {
    Clear();
    if (element == nullptr || !ReadRecordNumber(element, SummaryFormat::kYearLength, kFirstYear, kLastYear, m_year)) {
      return 0;
    }
    // An empty year is kept.
    KeepFirstValidChildren(
        element, SummaryFormat::kMonthElement, m_months,
        [this](CSummaryMonth& month, const TiXmlElement* child) { return month.Parse(m_year, child); },
        &CSummaryMonth::GetMonth);
    return 1;
  });
}

}  // namespace Velunor::Quillon::Ui
