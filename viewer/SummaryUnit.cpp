#include "viewer/SummaryUnit.h"

#include <tinyxml.h>

#include <string>

#include "collector/SummaryFileFormat.h"
#include "platform/core/TextCodec.h"
#include "viewer/SummaryReading.h"

namespace Velunor::Quillon::Ui {

namespace {

// The first child element of that name must hold plain digits that fit 64 bits.
bool ReadSize(const TiXmlElement* unit, const wchar_t* name, std::uint64_t& value) {
  std::wstring text;
  if (!GetElementText(unit->FirstChildElement(ToXmlName(name)), text) || !IsPlainDigits(text)) {
    return false;
  }
  value = ReadDecimalSize(text);
  return true;
}

}  // namespace

void CSummaryUnit::Clear() {
  m_year = 0;
  m_month = 0;
  m_day = 0;
  m_sent = 0;
  m_received = 0;
  m_unknown = 0;
}

int CSummaryUnit::Parse(int year, int month, const TiXmlElement* element) {
  return ParseGuarded([&] {
    Clear();
    m_year = year;
    m_month = month;
    return element != nullptr ? ParseChecked(element) : 0;
  });
}

int CSummaryUnit::ParseChecked(const TiXmlElement* element) {
  std::wstring stamp;
  if (!GetElementText(element->FirstChildElement(ToXmlName(SummaryFormat::kDateTimeElement)), stamp) ||
      platform::Utf16Length(stamp) != SummaryFormat::kDateTimeLength) {
    return 0;
  }
  // Only the day counts; hour and minute merely record the last write.
  const int day = ReadDecimalInt(stamp.substr(0, 2));
  if (day < 0 || day > 31) {
    return 0;
  }
  m_day = day;
  if (!ReadSize(element, SummaryFormat::kSendSizeElement, m_sent) ||
      !ReadSize(element, SummaryFormat::kRecvSizeElement, m_received) ||
      !ReadSize(element, SummaryFormat::kUnknownSizeElement, m_unknown)) {
    return 0;
  }
  return 1;
}

}  // namespace Velunor::Quillon::Ui
