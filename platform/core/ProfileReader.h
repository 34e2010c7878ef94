#pragma once
// Reader for ini files with the rules of the classic profile API: sections and keys
// are matched without regard to letter case, blanks around keys and values are
// ignored, a value in matching quotes loses them, lines starting with ';' are comments.
// Files may be UTF-8 (with or without byte-order mark) or UTF-16LE with its mark.
#include <cstddef>
#include <string>

namespace platform {

// The value of key in section, else defaultText (trailing blanks removed). The result
// is cut to bufferChars - 1 characters, as a fixed buffer of that size would hold.
// A missing file or section gives the default.
std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section,
                               const std::wstring& key, const std::wstring& defaultText,
                               std::size_t bufferChars);

}  // namespace platform
