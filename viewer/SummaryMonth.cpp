#include "viewer/SummaryMonth.h"

#include <tinyxml.h>

#include "collector/SummaryFileFormat.h"
#include "viewer/SummaryReading.h"

namespace Velunor::Quillon::Ui {

void CSummaryMonth::Clear() {
  m_month = 0;
  m_units.clear();
}

const CSummaryUnit* CSummaryMonth::FindDay(int day) const {
  const auto found = m_units.find(day);
  return found == m_units.end() ? nullptr : found->second.get();
}

int CSummaryMonth::Parse(int year, const TiXmlElement* element) {
  return ParseGuarded([&] {
    Clear();
    m_year = year;
    if (element == nullptr || !ReadRecordNumber(element, SummaryFormat::kMonthLength, 1, 12, m_month)) {
      return 0;
    }
    KeepFirstValidChildren(
        element, SummaryFormat::kUnitElement, m_units,
        [this](CSummaryUnit& unit, const TiXmlElement* child) {
          return unit.Parse(m_year, m_month, child);
        },
        &CSummaryUnit::GetDay);
    return 1;
  });
}

}  // namespace Velunor::Quillon::Ui
