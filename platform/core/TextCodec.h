#pragma once
// Conversions between wide text (std::wstring, one code point per wchar_t on Linux)
// and narrow text. "Locale" text is in the character set of the process's locale;
// a locale that only knows ASCII (the C locale of a bare service) is taken as UTF-8,
// so file names outside ASCII still survive the round trip.
#include <string>

namespace platform {

// Both stop at the first NUL of the input. Invalid input becomes U+FFFD (wide) or
// '?' (narrow, for characters the target set cannot hold); they never fail.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

std::string WideToLocale(const std::wstring& text);
std::wstring LocaleToWide(const std::string& text);

// Narrow UTF-16LE code units (two bytes each, no terminator) for files that hold UTF-16.
std::string WideToUtf16LeBytes(const std::wstring& text);

}  // namespace platform
