#pragma once
// CorvaneViewer's one option: the tray starts the viewer with it to show the previous
// month, and the viewer looks for exactly this text.
namespace Velunor::Quillon::Ui {

inline constexpr wchar_t kPreviousMonthArgument[] = L"-PreviousMonth";

}  // namespace Velunor::Quillon::Ui
