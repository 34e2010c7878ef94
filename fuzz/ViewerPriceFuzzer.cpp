// Any bytes as lineprice.xml and as lineselect.xml: bad entries and zones are dropped,
// and pricing any month with what was read never fails.
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "viewer/MonthUsage.h"
#include "prices/PriceLogic.h"
#include "prices/XmlReading.h"

namespace {

using namespace Velunor::Quillon::Ui;

// Complete months (no projection) of growing size, up to one whose sum saturates.
const std::vector<CMonthUsage>& Months() {
  static const std::vector<CMonthUsage> months = [] {
    std::vector<CMonthUsage> list;
    const std::uint64_t sizes[] = {0, 1, 201ULL * 1048576, 1500ULL * 1048576 + 1,
                                   std::numeric_limits<std::uint64_t>::max()};
    for (const std::uint64_t bytes : sizes) {
      CMonthUsage month;
      month.Init(platform::DateTime(2016, 1, 1), platform::DateTime(2015, 1, 1),
                 platform::DateTime(2016, 3, 20));
      month.SetDay(1, bytes, bytes, 0);
      list.push_back(month);
    }
    return list;
  }();
  return months;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TiXmlDocument document;
  ParseXmlBytes(document, std::string(reinterpret_cast<const char*>(data), size));

  CPriceLogic prices;
  prices.LoadLineSelectDocument(document);
  if (prices.GetSelectedLineName().empty()) {
    // Select the commonest name of the corpus so the zones get priced.
    TiXmlDocument selection;
    ParseXmlBytes(selection, "<s><lineselect name=\"AB\"/></s>");
    prices.LoadLineSelectDocument(selection);
  }
  prices.LoadLinePriceDocument(document);
  prices.GetSelectedDescription(0);
  prices.GetSelectedDescription(1);

  int slot = 0;
  for (const CMonthUsage& month : Months()) {
    const std::wstring charge = prices.GetEstimatedChargeText(month);
    if (charge.empty() || charge.size() > 13) std::abort();  // "4,294,967,295" at most
    prices.MakeComparisonQuery(month, slot++ % 3, 1);
  }
  prices.ReplaceName();
  // Every zone, directly, at the edges of the 32-bit range.
  for (const auto& line : prices.GetLines()) {
    for (const std::uint32_t x : {0u, 1u, 4294967294u, 4294967295u}) {
      float price = 0.0f;
      std::uint32_t value = 0;
      line->Evaluate(x, price, value);
    }
  }
  return 0;
}
