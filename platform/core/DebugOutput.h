#pragma once
// Stand-in for the debugger output channel: diagnostic text that no user sees.
// It never blocks or fails the caller.
#include <functional>
#include <string>

namespace platform {

// Writes the text to stderr when CORVANE_DEBUG_OUTPUT is set, else drops it; a sink set
// by a test receives every text instead.
void OutputDebugString(const std::wstring& text);

using DebugOutputSink = std::function<void(const std::wstring&)>;
// Replaces the sink for this process; an empty function restores the default.
void SetDebugOutputSink(DebugOutputSink sink);

}  // namespace platform
