#pragma once
// Wide/narrow text conversion and the split and replace helpers every program shares.
#include <cstddef>
#include <string>
#include <vector>

namespace Velunor::Quillon::Common {

// Code-page flag: 1 selects UTF-8, any other value the locale's character set.
inline constexpr int kUtf8CodePageFlag = 1;

// 65001 for flag 1, otherwise 0 (the locale's character set).
int GetCodePage(int flag);

// Both convert the input up to its first NUL; a conversion that fails gives empty text.
std::string ToMultiByteString(const std::wstring& text, int flag);
std::wstring ToWideString(const std::string& text, int flag);
// A copy; the flag is ignored. Lets callers convert without knowing the source width.
std::wstring ToWideString(const std::wstring& text, int flag);

// Splits text at delimiter into pieces. False when start is not inside the text or the
// text is shorter than the delimiter (pieces untouched), or when no delimiter follows
// start (the whole text, from position 0, becomes the one piece appended).
bool SplitString(const std::wstring& text, const std::wstring& delimiter,
                 std::vector<std::wstring>& pieces, std::size_t start, bool clear);

// Replaces up to count occurrences of search (all of them for a negative count) after
// the first start characters, left to right without overlap.
std::wstring ReplaceString(const std::wstring& text, const std::wstring& search,
                           const std::wstring& replacement, std::size_t start, int count);

}  // namespace Velunor::Quillon::Common
