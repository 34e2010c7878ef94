#pragma once
// The comparison page's query before CPriceLogic fills it: one placeholder per value of
// each month slot (1 the current month, 2 the month before, 3 the month before that) and
// one for the selected line's identifier.
namespace Velunor::Quillon::Ui {

inline constexpr wchar_t kComparisonQueryTemplate[] = L"?pm_traffic=%TRAFFIC1%&pm_est_traffic=%EST_TRAFFIC1%&pm_price=%PRICE1%&lm_traffic=%TRAFFIC2%&lm_est_traffic=%EST_TRAFFIC2%&lm_price=%PRICE2%&blm_traffic=%TRAFFIC3%&blm_est_traffic=%EST_TRAFFIC3%&blm_price=%PRICE3%&line_id=%NAME%";
inline constexpr wchar_t kTraffic1Placeholder[] = L"%TRAFFIC1%";
inline constexpr wchar_t kEstTraffic1Placeholder[] = L"%EST_TRAFFIC1%";
inline constexpr wchar_t kPrice1Placeholder[] = L"%PRICE1%";
inline constexpr wchar_t kTraffic2Placeholder[] = L"%TRAFFIC2%";
inline constexpr wchar_t kEstTraffic2Placeholder[] = L"%EST_TRAFFIC2%";
inline constexpr wchar_t kPrice2Placeholder[] = L"%PRICE2%";
inline constexpr wchar_t kTraffic3Placeholder[] = L"%TRAFFIC3%";
inline constexpr wchar_t kEstTraffic3Placeholder[] = L"%EST_TRAFFIC3%";
inline constexpr wchar_t kPrice3Placeholder[] = L"%PRICE3%";
inline constexpr wchar_t kNamePlaceholder[] = L"%NAME%";

}  // namespace Velunor::Quillon::Ui
