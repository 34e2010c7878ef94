// The comparison page's query: the three calendar months it covers and the values of each
// slot, from real summary and price files in a sandboxed data folder.
#include <gtest/gtest.h>

#include <string>

#include "tests/viewer_models/ModelSandbox.h"
#include "viewer/ComparisonQuery.h"
#include "viewer/MonthUsage.h"
#include "prices/ComparisonQueryTemplate.h"
#include "prices/PriceLogic.h"
#include "viewer/SummaryData.h"

namespace Velunor::Quillon::Ui {
namespace {

using platform::DateTime;

constexpr std::uint64_t kMiB = 1048576;

TEST(ComparisonQueryTemplateTest, HoldsEachPlaceholderOnceInOrder) {
  const std::wstring query = kComparisonQueryTemplate;
  const wchar_t* placeholders[] = {kTraffic1Placeholder, kEstTraffic1Placeholder, kPrice1Placeholder,
                                   kTraffic2Placeholder, kEstTraffic2Placeholder, kPrice2Placeholder,
                                   kTraffic3Placeholder, kEstTraffic3Placeholder, kPrice3Placeholder,
                                   kNamePlaceholder};
  std::size_t last = 0;
  for (const wchar_t* placeholder : placeholders) {
    const auto at = query.find(placeholder);
    ASSERT_NE(at, std::wstring::npos) << placeholder;
    EXPECT_EQ(query.find(placeholder, at + 1), std::wstring::npos);
    EXPECT_GT(at, last);
    last = at;
  }
}

TEST(ComparisonMonthsTest, CurrentMonthAndTheTwoBefore) {
  struct Case {
    DateTime today;
    DateTime months[3];
  };
  const Case cases[] = {
      {DateTime(2016, 1, 15, 9, 0, 0), {DateTime(2016, 1, 1), DateTime(2015, 12, 1), DateTime(2015, 11, 1)}},
      {DateTime(2016, 2, 29), {DateTime(2016, 2, 1), DateTime(2016, 1, 1), DateTime(2015, 12, 1)}},
      {DateTime(2016, 3, 31), {DateTime(2016, 3, 1), DateTime(2016, 2, 1), DateTime(2016, 1, 1)}},
      {DateTime(2016, 12, 1), {DateTime(2016, 12, 1), DateTime(2016, 11, 1), DateTime(2016, 10, 1)}},
  };
  for (const Case& c : cases) {
    const auto months = GetComparisonMonths(c.today);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(months[i], c.months[i]) << c.today.GetYear() << "-" << c.today.GetMonth() << " slot " << i;
    }
  }
}

class ComparisonQueryTest : public ModelSandbox {
 protected:
  void LoadPrices(CPriceLogic& price, const char* lineSelect = "<s><lineselect name=\"AB\"/></s>") {
    sandbox.WriteData("lineselect.xml", lineSelect);
    CopyFixture("lineprice_rules.xml", "lineprice.xml");
    price.LoadLineSelect();
    ASSERT_EQ(price.LoadLinePrice(), 1);
  }
};

TEST_F(ComparisonQueryTest, ThreeMonthsFromTheSummaryFile) {
  CopyFixture("summary_comparison.xml", "summarydata.xml");
  struct Case {
    const char* name;
    int year, month, day;
    const wchar_t* query;
  };
  const Case cases[] = {
      // February: 300 MiB in 10 of 29 days projects 570 MiB more (870, priced
      // 2900 + 670 x 31.5). January is complete: 1001 MiB rounds to 1010. December, the
      // install month: 150 MiB in 22 of 31 days projects to 212 MiB, rounded to 220.
      {"February", 2016, 2, 10,
       L"?pm_traffic=300&pm_est_traffic=870&pm_price=24005&lm_traffic=1001&lm_est_traffic=1010"
       L"&lm_price=28415&blm_traffic=150&blm_est_traffic=220&blm_price=3530&line_id=sorane-ab"},
      // January: 1001 MiB in 15 of 31 days projects to 2067 MiB (open-ended zone);
      // November lies before the install month and gives zeros although zone 0 prices
      // 0 MiB at 2900.
      {"January", 2016, 1, 15,
       L"?pm_traffic=1001&pm_est_traffic=2067&pm_price=34400&lm_traffic=150&lm_est_traffic=220"
       L"&lm_price=3530&blm_traffic=0&blm_est_traffic=0&blm_price=0&line_id=sorane-ab"},
  };
  for (const Case& c : cases) {
    sandbox.PinClock(c.year, c.month, c.day, 12, 0, 0);
    CSummaryData summary;
    summary.Load();
    ASSERT_EQ(summary.IsLoaded(), 1);
    CPriceLogic price;
    LoadPrices(price);
    const DateTime today = DateTime::Now();
    EXPECT_EQ(BuildComparisonQuery(summary, price, today), c.query) << c.name;
    // Every build starts from the template, so a second one gives the same query.
    EXPECT_EQ(BuildComparisonQuery(summary, price, today), c.query) << c.name;
  }
}

TEST_F(ComparisonQueryTest, NoSelectedLineLeavesTrafficOnly) {
  CopyFixture("summary_comparison.xml", "summarydata.xml");
  sandbox.PinClock(2016, 2, 10, 12, 0, 0);
  CSummaryData summary;
  summary.Load();
  CPriceLogic price;
  LoadPrices(price, "<s><lineselect name=\"Nobody\"/></s>");
  EXPECT_EQ(BuildComparisonQuery(summary, price, DateTime::Now()),
            L"?pm_traffic=300&pm_est_traffic=0&pm_price=0&lm_traffic=1001&lm_est_traffic=0"
            L"&lm_price=0&blm_traffic=150&blm_est_traffic=0&blm_price=0&line_id=");
}

TEST_F(ComparisonQueryTest, SlotsAreFilledIndependently) {
  CPriceLogic price;
  LoadPrices(price);
  CMonthUsage used;
  used.Init(DateTime(2015, 2, 1), DateTime(2015, 2, 1), DateTime(2015, 2, 21, 18, 0, 0));
  used.SetDay(3, 1572864000, 0, 0);  // 1500 MiB in 21 of 28 days: 2000 MiB with the projection

  price.ResetQuery();
  price.MakeComparisonQuery(used, 7, 1);  // any slot but 0 and 1 is the third
  price.MakeComparisonQuery(used, 0, 0);  // no data: zeros, whatever the month holds
  EXPECT_EQ(price.GetQuery(),
            L"?pm_traffic=0&pm_est_traffic=0&pm_price=0&lm_traffic=%TRAFFIC2%&lm_est_traffic=%EST_TRAFFIC2%"
            L"&lm_price=%PRICE2%&blm_traffic=1500&blm_est_traffic=2000&blm_price=34400&line_id=%NAME%");
  // A filled slot is not filled again until the query is reset.
  price.MakeComparisonQuery(used, 0, 1);
  EXPECT_NE(price.GetQuery().find(L"pm_traffic=0&"), std::wstring::npos);
  price.MakeComparisonQuery(used, 1, 1);
  EXPECT_EQ(price.ReplaceName(),
            L"?pm_traffic=0&pm_est_traffic=0&pm_price=0&lm_traffic=1500&lm_est_traffic=2000"
            L"&lm_price=34400&blm_traffic=1500&blm_est_traffic=2000&blm_price=34400&line_id=sorane-ab");
  // Reloading the price file starts a fresh query.
  ASSERT_EQ(price.LoadLinePrice(), 1);
  EXPECT_EQ(price.GetQuery().rfind(L"?pm_traffic=%TRAFFIC1%", 0), 0u);
}

TEST_F(ComparisonQueryTest, WithoutASummaryFileOnlyTheCurrentMonthHasData) {
  sandbox.PinClock(2016, 2, 10, 12, 0, 0);
  CSummaryData summary;
  summary.Load();
  ASSERT_EQ(summary.IsLoaded(), 0);
  CPriceLogic price;
  LoadPrices(price);
  // The current month counts as measured from today, with nothing used: 0 MiB, which
  // the first zone prices at its base price.
  EXPECT_EQ(BuildComparisonQuery(summary, price, DateTime::Now()),
            L"?pm_traffic=0&pm_est_traffic=0&pm_price=2900&lm_traffic=0&lm_est_traffic=0"
            L"&lm_price=0&blm_traffic=0&blm_est_traffic=0&blm_price=0&line_id=sorane-ab");
}

TEST_F(ComparisonQueryTest, CompletePastMonthHasNoProjection) {
  CPriceLogic price;
  LoadPrices(price);
  CMonthUsage complete;
  complete.Init(DateTime(2016, 1, 1), DateTime(2015, 6, 1), DateTime(2016, 3, 20));
  complete.SetDay(9, 201 * kMiB, 0, 0);
  price.ResetQuery();
  price.MakeComparisonQuery(complete, 1, 1);
  EXPECT_NE(price.GetQuery().find(L"lm_traffic=201&lm_est_traffic=210&lm_price=3215&"), std::wstring::npos);
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
