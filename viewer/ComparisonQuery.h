#pragma once
// The comparison page's query for the current calendar month and the two months before
// it, whatever month the window shows. The caller reloads the summary first and appends
// the result to the comparison page address.
#include <array>
#include <string>

#include "platform/core/DateTime.h"

namespace Velunor::Quillon::Ui {

class CPriceLogic;
class CSummaryData;

// First days of today's month and the two before it, in slot order; January and
// February reach back into the previous year.
std::array<platform::DateTime, 3> GetComparisonMonths(const platform::DateTime& today);

// Resets the query, fills one slot per month of GetComparisonMonths (a month before the
// install month gives zeros) and the line identifier; returns the finished query.
std::wstring BuildComparisonQuery(const CSummaryData& summary, CPriceLogic& price,
                                  const platform::DateTime& today);

}  // namespace Velunor::Quillon::Ui
