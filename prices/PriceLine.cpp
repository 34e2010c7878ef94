#include "prices/PriceLine.h"

#include <tinyxml.h>

#include <exception>

#include "common/StringUtil.h"
#include "prices/PriceFileFormat.h"
#include "prices/PriceNumbers.h"
#include "prices/XmlReading.h"

namespace Velunor::Quillon::Ui {

namespace {

// The first child element of that name; its text is empty when it has none.
bool ReadChildText(const TiXmlElement* parent, const wchar_t* name, std::wstring& text) {
  const TiXmlElement* child = parent->FirstChildElement(ToXmlName(name));
  if (child == nullptr) {
    return false;
  }
  GetElementText(child, text);
  return true;
}

}  // namespace

bool CPriceLine::SetZoneCount(const std::wstring& text) { return ParsePriceSigned(text, m_zoneCount); }

int CPriceLine::Parse(const TiXmlElement* entry) {
  if (entry == nullptr) {
    return 0;
  }
  std::wstring text;
  if (!ReadChildText(entry, kDescription1Element, text)) return 0;
  SetDescription1(text);
  if (!ReadChildText(entry, kDescription2Element, text)) return 0;
  SetDescription2(text);
  if (!ReadChildText(entry, kLineIdElement, text)) return 0;
  SetLineId(text);
  if (!ReadChildText(entry, kZoneCountElement, text) || !SetZoneCount(text)) return 0;

  for (const TiXmlElement* element = entry->FirstChildElement(ToXmlName(kZoneElement));
       element != nullptr; element = element->NextSiblingElement(ToXmlName(kZoneElement))) {
    std::unique_ptr<CPriceZone> zone;
    try {
      zone = ReadZone(element);
    } catch (const std::exception& error) {
      ReportToDebugOutput(error);
      zone.reset();
    }
    if (zone) {
      AddZone(std::move(zone));
    }
  }
  return 1;
}

std::unique_ptr<CPriceZone> CPriceLine::ReadZone(const TiXmlElement* element) {
  const TiXmlAttribute* attribute = element->FirstAttribute();
  if (attribute == nullptr) {
    return nullptr;
  }
  auto zone = std::make_unique<CPriceZone>();
  const std::wstring index =
      Common::ToWideString(std::string(attribute->Value()), Common::kUtf8CodePageFlag);
  if (!zone->SetIndex(index, m_zoneCount) || ParseZone(element, *zone) != 1) {
    return nullptr;
  }
  return zone;
}

int CPriceLine::ParseZone(const TiXmlElement* element, CPriceZone& zone) {
  if (element == nullptr) {
    return 0;
  }
  std::wstring text;
  if (!ReadChildText(element, kTrafficUnitElement, text) || !zone.SetTrafficUnit(text)) return 0;
  if (!ReadChildText(element, kTrafficMinElement, text) || !zone.SetTrafficMin(text)) return 0;
  if (!ReadChildText(element, kTrafficMaxElement, text) || !zone.SetTrafficMax(text)) return 0;
  if (!ReadChildText(element, kSlopeElement, text) || !zone.SetSlope(text)) return 0;
  if (!ReadChildText(element, kConstPriceElement, text) || !zone.SetConstPrice(text)) return 0;
  return 1;
}

void CPriceLine::Evaluate(std::uint32_t x, float& price, std::uint32_t& value) const {
  std::uint32_t rounded = 0;
  for (const auto& zone : m_zones) {
    if (zone->IsApplicable(x)) {
      zone->RoundUp(x, rounded);
      value = rounded;
      break;
    }
  }
  // The price comes from the zone that holds the rounded value, which may be a later
  // zone than the one that rounded it.
  for (const auto& zone : m_zones) {
    if (zone->IsApplicable(rounded)) {
      zone->GetPrice(rounded, price);
      break;
    }
  }
}

}  // namespace Velunor::Quillon::Ui
