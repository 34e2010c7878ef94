#pragma once
// Turns a month's traffic into the estimated monthly charge, from the line the user
// selected (lineselect.xml) and the price zones of every line (lineprice.xml), and builds
// the comparison page's query from the same zones.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "prices/MonthTraffic.h"
#include "prices/PriceLine.h"

class TiXmlDocument;

namespace Velunor::Quillon::Ui {

class CPriceLogic {
 public:
  CPriceLogic() = default;
  CPriceLogic(const CPriceLogic&) = delete;
  CPriceLogic& operator=(const CPriceLogic&) = delete;

  // 1 when a line name was read from lineselect.xml; on 0 the previous name stays.
  int LoadLineSelect();
  // 1 when lineprice.xml has a price_logic element, even without a usable entry. Starts
  // from no lines and a fresh query; marks the lines named like the selected line.
  int LoadLinePrice();
  // The same rules for documents already parsed (the fuzz targets use them).
  int LoadLineSelectDocument(const TiXmlDocument& document);
  int LoadLinePriceDocument(const TiXmlDocument& document);

  // The month's used plus projected traffic priced by the first selected line, as a
  // decimal text with thousands grouped ("12,345").
  std::wstring GetEstimatedChargeText(const CMonthTraffic& month) const;
  std::wstring GetSelectedLineName() const { return m_lineName; }
  // description1 (flag 0) or description2 of the first selected line; empty when none.
  std::wstring GetSelectedDescription(int flag) const;
  const std::vector<std::unique_ptr<CPriceLine>>& GetLines() const { return m_lines; }

  // Comparison query: the template, filled slot by slot, then the line identifier.
  void ResetQuery();
  // Fills the placeholders of one slot: 0 the current month, 1 the month before, any
  // other value the month before that. A month without data gives 0, 0, 0.
  void MakeComparisonQuery(const CMonthTraffic& month, int slot, int hasData);
  // Fills "%NAME%" with the first selected line's identifier; returns the query.
  std::wstring ReplaceName();
  std::wstring GetQuery() const { return m_query; }

  // MiB rounded up; a count beyond 32 bits stops at the largest 32-bit value.
  static std::uint32_t BytesToMiB(std::uint64_t bytes);
  // "1,234,567" for 1234567, "999" for 999.
  static std::wstring GroupThousands(std::uint32_t number);

 private:
  const CPriceLine* FirstSelectedLine() const;
  // Used plus projected traffic in MiB, priced by the first selected line; price and
  // value stay 0 when there is none or no zone applies.
  void EvaluateMonth(const CMonthTraffic& month, float& price, std::uint32_t& value) const;

  std::wstring m_lineName;
  std::wstring m_query;
  std::vector<std::unique_ptr<CPriceLine>> m_lines;
};

}  // namespace Velunor::Quillon::Ui
