#pragma once
#include <optional>
#include <string>

namespace platform {

// Replaces every %NAME% by the value of the environment variable NAME; names that are
// not set stay as they are. Nothing when the result needs more than maxChars - 1
// characters.
std::optional<std::wstring> ExpandEnvironmentStrings(const std::wstring& text, std::size_t maxChars);

}  // namespace platform
