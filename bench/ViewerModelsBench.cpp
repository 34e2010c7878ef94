// The viewer's work per repaint and per reload: loading a summary file of 13 months of
// daily units, filling a month from it, and pricing that month.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <boost/filesystem.hpp>

#include "platform/core/Clock.h"
#include "prices/PriceLogic.h"
#include "viewer/MonthUsage.h"
#include "viewer/SummaryData.h"

namespace {

using namespace Velunor::Quillon::Ui;

// A data folder below a fresh root with the summary and price files; removed at exit.
void PrepareDataFolder() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  const boost::filesystem::path root =
      boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("viewer-bench-%%%%-%%%%");
  const boost::filesystem::path data = root / "var" / "lib" / "Hoxa" / "Zembrolite";
  boost::filesystem::create_directories(data);
  ::setenv("CORVANE_ROOT", root.c_str(), 1);
  std::atexit([] {
    boost::system::error_code ignored;
    boost::filesystem::remove_all(std::getenv("CORVANE_ROOT"), ignored);
  });
  platform::Clock::Pin(platform::MakeLocalTime(2016, 3, 20, 10));

  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<xml>\n    <install_date>20150201</install_date>\n";
  for (int year = 2015; year <= 2016; ++year) {
    text += "    <year>" + std::to_string(year) + "\n";
    for (int month = (year == 2015 ? 2 : 1); month <= (year == 2015 ? 12 : 3); ++month) {
      char number[16];
      std::snprintf(number, sizeof number, "%02d", month);
      text += "        <month>" + std::string(number) + "\n";
      for (int day = 1; day <= 28; ++day) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%02d2359", day);
        text += "            <unit>\n                <datetime>" + std::string(stamp) +
                "</datetime>\n                <send_size>73400320</send_size>\n"
                "                <recv_size>943718400</recv_size>\n"
                "                <unknown_size>15140</unknown_size>\n            </unit>\n";
      }
      text += "        </month>\n";
    }
    text += "    </year>\n";
  }
  text += "</xml>\n";
  std::ofstream((data / "summarydata.xml").string(), std::ios::binary) << text;
  std::ofstream((data / "lineselect.xml").string(), std::ios::binary)
      << "<s><lineselect name=\"AB\"/></s>";
  std::ofstream((data / "lineprice.xml").string(), std::ios::binary)
      << "<p><price_logic><lineselect name=\"AB\"><description1>a</description1>"
         "<description2>b</description2><line_id>ab</line_id><zonecnt>2</zonecnt>"
         "<zone index=\"0\"><trafficunit>1</trafficunit><trafficmin>0</trafficmin><trafficmax>200</trafficmax>"
         "<slope>0</slope><constprice>2900</constprice></zone>"
         "<zone index=\"1\"><trafficunit>10</trafficunit><trafficmin>200</trafficmin><trafficmax>1200</trafficmax>"
         "<slope>31.5</slope><constprice>2900</constprice></zone>"
         "<zone index=\"2\"><trafficunit>1</trafficunit><trafficmin>1200</trafficmin><trafficmax>0</trafficmax>"
         "<slope>0</slope><constprice>34400</constprice></zone></lineselect></price_logic></p>";
}

void LoadSummary(benchmark::State& state) {
  PrepareDataFolder();
  CSummaryData summary;
  for (auto _ : state) {
    summary.Load();
    benchmark::DoNotOptimize(summary.IsLoaded());
  }
}
BENCHMARK(LoadSummary);

void FillAndPriceMonth(benchmark::State& state) {
  PrepareDataFolder();
  CSummaryData summary;
  summary.Load();
  CPriceLogic price;
  price.LoadLineSelect();
  price.LoadLinePrice();
  CMonthUsage month;
  for (auto _ : state) {
    summary.FillMonthUsage(month, platform::DateTime(2016, 3, 1));
    benchmark::DoNotOptimize(price.GetEstimatedChargeText(month));
  }
}
BENCHMARK(FillAndPriceMonth);

}  // namespace
