#include "viewer/SummaryYear.h"

#include <tinyxml.h>

#include <exception>
#include <string>

#include "common/Constants.h"
#include "viewer/SummaryNumbers.h"
#include "viewer/XmlReading.h"

namespace Velunor::Quillon::Ui {

namespace {
constexpr std::size_t kYearTextLength = 4;
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
  try {
    Clear();
    if (element == nullptr) {
      return 0;
    }
    return ParseChecked(element);
  } catch (const std::exception& error) {
    ReportToDebugOutput(error);
    return 0;
  }
}

int CSummaryYear::ParseChecked(const TiXmlElement* element) {
  std::wstring text;
  if (!GetElementText(element, text) || Utf16Length(text) != kYearTextLength) {
    return 0;
  }
  const int year = ReadDecimalInt(text);
  if (year < kFirstYear || year > kLastYear) {
    return 0;
  }
  m_year = year;
  for (const TiXmlElement* child = element->FirstChildElement(ToXmlName(Common::kMonthElement));
       child != nullptr; child = child->NextSiblingElement()) {
    auto month = std::make_unique<CSummaryMonth>();
    if (month->Parse(m_year, child) == 1 && m_months.count(month->GetMonth()) == 0) {
      const int number = month->GetMonth();
      m_months.emplace(number, std::move(month));
    }
  }
  return 1;
}

}  // namespace Velunor::Quillon::Ui
