#pragma once
// The product's name as the user sees it: the viewer's window title (a viewer does not
// start while a window of that title is up), the tray icon's tip and balloon title, and
// the caption of the reckoner's message boxes.
namespace Velunor::Quillon::Common {

inline constexpr wchar_t kProductName[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカ";
inline constexpr wchar_t kProductName2[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカ";

}  // namespace Velunor::Quillon::Common
