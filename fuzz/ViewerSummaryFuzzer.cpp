// Any bytes as summarydata.xml: the viewer's reader must keep what passes its checks and
// drop the rest without failing, and every month it then shows must stay consistent.
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/core/Clock.h"
#include "viewer/MonthUsage.h"
#include "prices/PriceLogic.h"
#include "viewer/SummaryData.h"
#include "prices/XmlReading.h"

namespace {

using namespace Velunor::Quillon::Ui;

const char kPrices[] =
    "<p><price_logic><lineselect name=\"AB\"><description1>a</description1>"
    "<description2>b</description2><line_id>ab</line_id><zonecnt>1</zonecnt>"
    "<zone index=\"0\"><trafficunit>1</trafficunit><trafficmin>0</trafficmin><trafficmax>200</trafficmax>"
    "<slope>0</slope><constprice>2900</constprice></zone>"
    "<zone index=\"1\"><trafficunit>10</trafficunit><trafficmin>200</trafficmin><trafficmax>0</trafficmax>"
    "<slope>31.5</slope><constprice>2900</constprice></zone></lineselect></price_logic></p>";

CPriceLogic& Prices() {
  static CPriceLogic* prices = [] {
    platform::Clock::Pin(platform::MakeLocalTime(2016, 3, 20, 10));
    auto* logic = new CPriceLogic;
    TiXmlDocument selection;
    ParseXmlBytes(selection, "<s><lineselect name=\"AB\"/></s>");
    logic->LoadLineSelectDocument(selection);
    TiXmlDocument table;
    ParseXmlBytes(table, kPrices);
    logic->LoadLinePriceDocument(table);
    return logic;
  }();
  return *prices;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void ShowMonth(const CSummaryData& summary, const platform::DateTime& date) {
  CMonthUsage month;
  summary.FillMonthUsage(month, date);
  const std::uint64_t total = month.GetMonthTotal();
  Check(month.GetDayMax() <= total);
  const int axis = month.GetAxisMax();
  Check(axis == 50 || axis == 100 || axis == 500 || axis == 1000 || axis == 1500);
  for (int day = 0; day <= 32; ++day) {
    int inPeriod = 0, clipped = 0;
    std::uint32_t permille = 0;
    month.GetBarPermille(day, inPeriod, permille, clipped);
    Check(permille <= 1000 && (clipped == 0 || permille == 1000));
  }
  int first = 0, last = 0;
  month.GetMeasuredRange(first, last);
  Check(first <= last && last <= 31);
  month.GetProjectedRest();
  month.HasPrevMonth();
  month.HasNextMonth();
  Prices().GetEstimatedChargeText(month);
  Prices().MakeComparisonQuery(month, 0, summary.HasMonthData(date));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CPriceLogic& prices = Prices();
  TiXmlDocument document;
  ParseXmlBytes(document, std::string(reinterpret_cast<const char*>(data), size));
  CSummaryData summary;
  summary.LoadDocument(document);
  Check(summary.IsLoaded() == 1 || summary.GetYearCount() == 0);

  // The months the window can reach, and the install month.
  platform::DateTime date(2016, 3, 1);
  for (int i = 0; i < 14; ++i) {
    prices.ResetQuery();
    ShowMonth(summary, date);
    date = platform::DateTime(date.GetMonth() == 1 ? date.GetYear() - 1 : date.GetYear(),
                              date.GetMonth() == 1 ? 12 : date.GetMonth() - 1, 1);
  }
  ShowMonth(summary, summary.GetInstallDate());
  prices.ReplaceName();
  return 0;
}
