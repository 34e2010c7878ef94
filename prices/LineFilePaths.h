#pragma once
// Where the price files lie: the machine-wide data folder, like the summary file. The
// main window's path functions return these.
#include <string>

namespace Velunor::Quillon::Ui {

inline constexpr wchar_t kLineSelectFileName[] = L"lineselect.xml";
inline constexpr wchar_t kLinePriceFileName[] = L"lineprice.xml";

// GetCommonAppDataFolder() + "Hoxa\Zembrolite\lineselect.xml", not yet expanded.
std::wstring GetLineSelectFilePath();
// GetCommonAppDataFolder() + "Hoxa\Zembrolite\lineprice.xml", not yet expanded.
std::wstring GetLinePriceFilePath();

}  // namespace Velunor::Quillon::Ui
