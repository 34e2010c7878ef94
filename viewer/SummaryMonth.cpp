#include "viewer/SummaryMonth.h"

#include <tinyxml.h>

#include <exception>
#include <string>

#include "common/Constants.h"
#include "viewer/SummaryNumbers.h"
#include "viewer/XmlReading.h"

namespace Velunor::Quillon::Ui {

namespace {
constexpr std::size_t kMonthTextLength = 2;
}

void CSummaryMonth::Clear() {
  m_month = 0;
  m_units.clear();
}

const CSummaryUnit* CSummaryMonth::FindDay(int day) const {
  const auto found = m_units.find(day);
  return found == m_units.end() ? nullptr : found->second.get();
}

int CSummaryMonth::Parse(int year, const TiXmlElement* element) {
  try {
    Clear();
    m_year = year;
    if (element == nullptr) {
      return 0;
    }
    return ParseChecked(element);
  } catch (const std::exception& error) {
    ReportToDebugOutput(error);
    return 0;
  }
}

int CSummaryMonth::ParseChecked(const TiXmlElement* element) {
  std::wstring text;
  if (!GetElementText(element, text) || Utf16Length(text) != kMonthTextLength) {
    return 0;
  }
  const int month = ReadDecimalInt(text);
  if (month < 1 || month > 12) {
    return 0;
  }
  m_month = month;
  // The first unit element, then every following sibling whatever its name: the walk
  // the writer uses too. The first valid unit of a day wins.
  for (const TiXmlElement* child = element->FirstChildElement(ToXmlName(Common::kUnitElement));
       child != nullptr; child = child->NextSiblingElement()) {
    auto unit = std::make_unique<CSummaryUnit>();
    if (unit->Parse(m_year, m_month, child) == 1 && m_units.count(unit->GetDay()) == 0) {
      const int day = unit->GetDay();
      m_units.emplace(day, std::move(unit));
    }
  }
  return 1;
}

}  // namespace Velunor::Quillon::Ui
