#pragma once
// The entry of CorvaneViewer: one instance per user, the "-PreviousMonth" option, the
// price-file check by CorvaneReckoner, then the main window until it is closed.
#include <string>

#include "platform/ui/drawing/Resources.h"

namespace Velunor::Quillon::Ui {

// 1 when the argument text was exactly "-PreviousMonth"; given to the main window.
extern int ShowPreviousMonth;

inline constexpr wchar_t kViewerMutexName[] = L"Velunor::Quillon::Ui::WinMain";

// The program's exit code: 0 after a normal close and when another viewer runs; 1 when
// the mutex can be made in no folder (said on stderr); -1 when a window titled with the product name exists, when
// CorvaneReckoner cannot be started or the window cannot be made; -2 and -3 when
// CorvaneReckoner ends with 2 or 3. commandLine is the text after the program name.
int WinMain(platform::ModuleHandle instance, platform::ModuleHandle previousInstance, const std::wstring& commandLine,
            int showCommand);
// The window phase: 0 after a normal close, else the negative code to exit with.
int RunMainWindow(const std::wstring& commandLine, int showCommand);
// 0 when the viewer may open its window, else -1, -2 or -3.
int RunReckoner();

}  // namespace Velunor::Quillon::Ui
