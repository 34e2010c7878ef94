#pragma once
// One line (tariff) of lineprice.xml: its descriptions, its identifier and its zones.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "prices/PriceZone.h"

class TiXmlElement;

namespace Velunor::Quillon::Ui {

class CPriceLine {
 public:
  CPriceLine() = default;
  CPriceLine(const CPriceLine&) = delete;
  CPriceLine& operator=(const CPriceLine&) = delete;

  // 1 when description1, description2, line_id and a numeric zonecnt are present; zones
  // that fail are dropped without dropping the line.
  int Parse(const TiXmlElement* entry);
  // 1 when trafficunit, trafficmin, trafficmax, slope and constprice were all read.
  int ParseZone(const TiXmlElement* element, CPriceZone& zone);
  // Pass 1: the first zone that applies to x rounds it (written to value). Pass 2: the
  // first zone that applies to the rounded value prices it (written to price). An
  // output is left as the caller set it when no zone applies in its pass.
  void Evaluate(std::uint32_t x, float& price, std::uint32_t& value) const;

  // The entry's name (its first attribute), what lineselect.xml names.
  void SetName(const std::wstring& name) { m_name = name; }
  std::wstring GetName() const { return m_name; }
  void SetSelected(int flag) { m_selected = flag; }
  int IsSelected() const { return m_selected; }
  std::wstring GetLineId() const { return m_lineId; }
  // description1 for flag 0, description2 for any other flag.
  std::wstring GetDescription(int flag) const { return flag == 0 ? m_description1 : m_description2; }
  const std::vector<std::unique_ptr<CPriceZone>>& GetZones() const { return m_zones; }
  void AddZone(std::unique_ptr<CPriceZone> zone) { m_zones.push_back(std::move(zone)); }

  void SetLineId(const std::wstring& text) { m_lineId = text; }
  void SetDescription1(const std::wstring& text) { m_description1 = text; }
  void SetDescription2(const std::wstring& text) { m_description2 = text; }
  // False when the text is not a signed 32-bit number.
  bool SetZoneCount(const std::wstring& text);

 private:
  // One zone element: index from its first attribute, then its five values.
  std::unique_ptr<CPriceZone> ReadZone(const TiXmlElement* element);

  std::wstring m_name;
  std::wstring m_lineId;
  std::wstring m_description1;
  std::wstring m_description2;
  int m_selected = 0;
  int m_zoneCount = 0;
  std::vector<std::unique_ptr<CPriceZone>> m_zones;
};

}  // namespace Velunor::Quillon::Ui
