#include "viewer/ComparisonQuery.h"

#include "prices/PriceLogic.h"
#include "viewer/MonthUsage.h"
#include "viewer/SummaryData.h"

namespace Velunor::Quillon::Ui {

std::array<platform::DateTime, 3> GetComparisonMonths(const platform::DateTime& today) {
  std::array<platform::DateTime, 3> months;
  for (int i = 0; i < 3; ++i) {
    const int month = today.GetMonth() - i;
    months[i] = month < 1 ? platform::DateTime(today.GetYear() - 1, month + 12, 1)
                          : platform::DateTime(today.GetYear(), month, 1);
  }
  return months;
}

std::wstring BuildComparisonQuery(const CSummaryData& summary, CPriceLogic& price,
                                  const platform::DateTime& today) {
  price.ResetQuery();
  const std::array<platform::DateTime, 3> months = GetComparisonMonths(today);
  for (int i = 0; i < 3; ++i) {
    CMonthUsage month;
    summary.FillMonthUsage(month, months[i]);
    price.MakeComparisonQuery(month, i, summary.HasMonthData(months[i]));
  }
  return price.ReplaceName();
}

}  // namespace Velunor::Quillon::Ui
