#pragma once
// How CorvaneReckoner is started: the viewer runs it beside itself, without an argument
// to check the price files and with kReckonerArgument to let the user choose the line;
// the reckoner tells the two apart by that text.
namespace Velunor::Quillon::Reckoner {

inline constexpr wchar_t kReckonerExeName[] = L"CorvaneReckoner.exe";
inline constexpr wchar_t kReckonerArgument[] = L"-fd";

}  // namespace Velunor::Quillon::Reckoner
