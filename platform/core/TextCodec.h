#pragma once
// Conversions between wide text (std::wstring, one code point per wchar_t on Linux)
// and narrow text. "Locale" text is in the character set of the process's locale;
// a locale that only knows ASCII (the C locale of a bare service) is taken as UTF-8,
// so file names outside ASCII still survive the round trip.
#include <cstddef>
#include <string>

namespace platform {

// Both stop at the first NUL of the input. Invalid input becomes U+FFFD (wide) or
// '?' (narrow, for characters the target set cannot hold); they never fail.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

std::string WideToLocale(const std::wstring& text);
std::wstring LocaleToWide(const std::string& text);

// UTF-16 code units: a character above U+FFFF becomes a surrogate pair; one that is no
// Unicode character (a lone surrogate, a value above U+10FFFF) becomes U+FFFD.
std::u16string WideToUtf16(const std::wstring& text);
// How many code units WideToUtf16 makes of the text; the length rules of our files count
// in these units.
std::size_t Utf16Length(const std::wstring& text);
// WideToUtf16 as UTF-16LE bytes (two a unit, no terminator), for files that hold UTF-16.
std::string WideToUtf16LeBytes(const std::wstring& text);
// Text from UTF-16LE bytes without a byte-order mark: a surrogate pair becomes one
// character, a lone surrogate is kept as it is, an odd last byte is dropped.
std::wstring Utf16LeBytesToWide(const std::string& bytes);

}  // namespace platform
