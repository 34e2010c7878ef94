#include "viewer/SummaryData.h"

#include <tinyxml.h>

#include <exception>
#include <string>

#include "collector/SummaryFileFormat.h"
#include "common/PathUtil.h"
#include "platform/core/TextCodec.h"
#include "viewer/MonthUsage.h"
#include "viewer/SummaryReading.h"

namespace Velunor::Quillon::Ui {

CSummaryData::CSummaryData() { Reset(); }

CSummaryData::~CSummaryData() { Reset(); }

void CSummaryData::Reset() {
  m_loaded = 0;
  m_years.clear();
  m_installDate = platform::DateTime::Now();
  m_lastDataDate = m_installDate;
}

void CSummaryData::AbandonLoad() {
  // Back to the state of the reset that began the load, its time included.
  m_loaded = 0;
  m_years.clear();
  m_installDate = m_lastDataDate;
}

void CSummaryData::Load() {
  Reset();
  try {
    const std::wstring path = Common::ExpandPath(Common::GetSummaryDataFilePath());
    if (!XmlFileExists(path)) {
      return;
    }
    TiXmlDocument document;
    LoadXmlFile(document, path);
    if (ReadDocument(document)) {
      m_loaded = 1;
    }
  } catch (const std::exception& error) {
    ReportToDebugOutput(error);
    AbandonLoad();
  }
}

void CSummaryData::LoadDocument(const TiXmlDocument& document) {
  Reset();
  try {
    if (ReadDocument(document)) {
      m_loaded = 1;
    }
  } catch (const std::exception& error) {
    ReportToDebugOutput(error);
    AbandonLoad();
  }
}

bool CSummaryData::ReadDocument(const TiXmlDocument& document) {
  // A load error is not looked at: whatever the library read up to it counts.
  const TiXmlElement* root = document.RootElement();
  if (root == nullptr) {
    return false;
  }
  std::wstring text;
  // A character outside the basic plane counts twice, so such a text never has eight
  // digits.
  if (!GetElementText(root->FirstChildElement(ToXmlName(SummaryFormat::kInstallDateElement)), text) ||
      platform::Utf16Length(text) != SummaryFormat::kInstallDateLength ||
      text.size() != SummaryFormat::kInstallDateLength) {
    return false;
  }
  const int year = ReadDecimalInt(text.substr(0, 4));
  const int month = ReadDecimalInt(text.substr(4, 2));
  const int day = ReadDecimalInt(text.substr(6, 2));
  if (!m_installDate.SetDate(year, month, day)) {
    Reset();
    return false;
  }
  KeepFirstValidChildren(
      root, SummaryFormat::kYearElement, m_years,
      [](CSummaryYear& year, const TiXmlElement* child) { return year.Parse(child); },
      &CSummaryYear::GetYear);
  return true;
}

int CSummaryData::HasMonthData(const platform::DateTime& date) const {
  if (date.GetYear() > m_installDate.GetYear()) {
    return 1;
  }
  return date.GetYear() == m_installDate.GetYear() && date.GetMonth() >= m_installDate.GetMonth()
             ? 1
             : 0;
}

void CSummaryData::FillMonthUsage(CMonthUsage& month, const platform::DateTime& date) const {
  if (m_loaded == 0) {
    month.Init(m_lastDataDate, m_installDate, m_lastDataDate);
    return;
  }
  const platform::DateTime shown = date < m_installDate ? m_installDate : date;
  month.Init(shown, m_installDate, m_lastDataDate);
  FillDays(month);
}

void CSummaryData::FillDays(CMonthUsage& month) const {
  const platform::DateTime shown = month.GetMonth();
  const CSummaryYear* year = FindYear(shown.GetYear());
  const CSummaryMonth* record = year != nullptr ? year->FindMonth(shown.GetMonth()) : nullptr;
  if (record == nullptr) {
    return;
  }
  for (int day = 1; day <= CMonthUsage::kDaySlots; ++day) {
    if (const CSummaryUnit* unit = record->FindDay(day)) {
      month.SetDay(day, unit->GetSent(), unit->GetReceived(), unit->GetUnknown());
    }
  }
}

const CSummaryYear* CSummaryData::FindYear(int year) const {
  const auto found = m_years.find(year);
  return found == m_years.end() ? nullptr : found->second.get();
}

}  // namespace Velunor::Quillon::Ui
