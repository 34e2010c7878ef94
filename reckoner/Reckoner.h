#pragma once
// CorvaneReckoner: checks the price files for the viewer (no argument) or lets the user
// choose the line ("-fd"). Its exit code is all the viewer reads.
#include <string>

namespace Velunor::Quillon::Reckoner {

// Exit codes.
inline constexpr int kReady = 0;            // files fine; "-fd": a line was written
inline constexpr int kCancelled = 1;        // "-fd": nothing written
inline constexpr int kFilesMissing = 2;     // the viewer does not open
inline constexpr int kFilesUnreadable = 3;  // the viewer does not open

// arguments: the text after the program name. Messages are shown in boxes; the check
// without a problem starts no window system at all.
int ReckonerMain(const std::wstring& arguments);

}  // namespace Velunor::Quillon::Reckoner
