#include "prices/PriceLogic.h"

#include <tinyxml.h>

#include <exception>
#include <limits>

#include "common/PathUtil.h"
#include "common/Saturating.h"
#include "common/StringUtil.h"
#include "platform/core/TextCodec.h"
#include "prices/ComparisonQueryTemplate.h"
#include "prices/LineFilePaths.h"
#include "prices/PriceFileFormat.h"
#include "prices/PriceNumbers.h"
#include "prices/XmlReading.h"

namespace Velunor::Quillon::Ui {

namespace {

constexpr std::size_t kShortestLineName = 2;

// The value of the element's first attribute, whatever its name; false when it has none.
bool FirstAttributeValue(const TiXmlElement* element, std::wstring& value) {
  const TiXmlAttribute* attribute = element != nullptr ? element->FirstAttribute() : nullptr;
  if (attribute == nullptr) {
    return false;
  }
  value = Common::ToWideString(std::string(attribute->Value()), Common::kUtf8CodePageFlag);
  return true;
}

}  // namespace

int CPriceLogic::LoadLineSelect() {
  const std::wstring path = Common::ExpandPath(GetLineSelectFilePath());
  if (!XmlFileExists(path)) {
    return 0;
  }
  TiXmlDocument document;
  // Desktop users rewrite the file in place when they choose a line.
  LoadSharedXmlFile(document, path);
  return LoadLineSelectDocument(document);
}

int CPriceLogic::LoadLineSelectDocument(const TiXmlDocument& document) {
  const TiXmlElement* root = document.RootElement();
  if (root == nullptr) {
    return 0;
  }
  std::wstring name;
  if (!FirstAttributeValue(root->FirstChildElement(ToXmlName(kLineSelectElement)), name) ||
      name.empty()) {
    return 0;
  }
  m_lineName = name;
  return 1;
}

int CPriceLogic::LoadLinePrice() {
  ResetQuery();
  m_lines.clear();
  const std::wstring path = Common::ExpandPath(GetLinePriceFilePath());
  if (!XmlFileExists(path)) {
    return 0;
  }
  TiXmlDocument document;
  LoadXmlFile(document, path);
  return LoadLinePriceDocument(document);
}

int CPriceLogic::LoadLinePriceDocument(const TiXmlDocument& document) {
  ResetQuery();
  m_lines.clear();
  const TiXmlElement* root = document.RootElement();
  const TiXmlElement* priceLogic =
      root != nullptr ? root->FirstChildElement(ToXmlName(kPriceLogicElement)) : nullptr;
  if (priceLogic == nullptr) {
    return 0;
  }
  const std::string entryName = ToXmlName(kLineSelectElement);
  for (const TiXmlElement* entry = priceLogic->FirstChildElement(entryName); entry != nullptr;
       entry = entry->NextSiblingElement(entryName)) {
    std::wstring name;
    if (!FirstAttributeValue(entry, name) || platform::Utf16Length(name) < kShortestLineName) {
      continue;
    }
    try {
      auto line = std::make_unique<CPriceLine>();
      line->SetName(name);
      if (line->Parse(entry) == 1) {
        line->SetSelected(name == m_lineName ? 1 : 0);
        m_lines.push_back(std::move(line));
      }
    } catch (const std::exception& error) {
      ReportToDebugOutput(error);
    }
  }
  return 1;
}

const CPriceLine* CPriceLogic::FirstSelectedLine() const {
  for (const auto& line : m_lines) {
    if (line->IsSelected()) {
      return line.get();
    }
  }
  return nullptr;
}

std::wstring CPriceLogic::GetSelectedDescription(int flag) const {
  const CPriceLine* line = FirstSelectedLine();
  return line != nullptr ? line->GetDescription(flag) : std::wstring();
}

std::uint32_t CPriceLogic::BytesToMiB(std::uint64_t bytes) {
  // Keeping only the low 32 bits would price 4 PiB and one MiB as one MiB.
  return static_cast<std::uint32_t>(RoundUpToMiB(bytes, std::numeric_limits<std::uint32_t>::max()));
}

std::wstring CPriceLogic::GroupThousands(std::uint32_t number) { return FormatThousands(number); }

void CPriceLogic::EvaluateMonth(const CMonthTraffic& month, float& price,
                                std::uint32_t& value) const {
  const std::uint64_t used = Common::AddSaturated(month.GetMonthTotal(), month.GetProjectedRest());
  const std::uint32_t x = BytesToMiB(used);
  if (const CPriceLine* line = FirstSelectedLine()) {
    line->Evaluate(x, price, value);
  }
}

std::wstring CPriceLogic::GetEstimatedChargeText(const CMonthTraffic& month) const {
  float price = 0.0f;
  std::uint32_t value = 0;
  EvaluateMonth(month, price, value);
  return GroupThousands(TruncatePrice(price));
}

void CPriceLogic::ResetQuery() { m_query = kComparisonQueryTemplate; }

void CPriceLogic::MakeComparisonQuery(const CMonthTraffic& month, int slot, int hasData) {
  std::uint32_t traffic = 0;
  std::uint32_t value = 0;
  float price = 0.0f;
  if (hasData != 0) {
    EvaluateMonth(month, price, value);
    traffic = BytesToMiB(month.GetMonthTotal());
  }
  const wchar_t* placeholders[3] = {kTraffic3Placeholder, kEstTraffic3Placeholder, kPrice3Placeholder};
  if (slot == 0) {
    placeholders[0] = kTraffic1Placeholder;
    placeholders[1] = kEstTraffic1Placeholder;
    placeholders[2] = kPrice1Placeholder;
  } else if (slot == 1) {
    placeholders[0] = kTraffic2Placeholder;
    placeholders[1] = kEstTraffic2Placeholder;
    placeholders[2] = kPrice2Placeholder;
  }
  // Printed unsigned: a signed print would show a count above 2^31 as negative.
  const std::wstring values[3] = {std::to_wstring(traffic), std::to_wstring(value),
                                  std::to_wstring(TruncatePrice(price))};
  for (int i = 0; i < 3; ++i) {
    m_query = Common::ReplaceString(m_query, placeholders[i], values[i], 0, -1);
  }
}

std::wstring CPriceLogic::ReplaceName() {
  const CPriceLine* line = FirstSelectedLine();
  const std::wstring name = line != nullptr ? line->GetLineId() : std::wstring();
  m_query = Common::ReplaceString(m_query, kNamePlaceholder, name, 0, -1);
  return m_query;
}

}  // namespace Velunor::Quillon::Ui
