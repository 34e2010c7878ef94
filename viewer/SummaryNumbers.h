#pragma once
// Number reading rules of the summary file. Each throws the conversion's exception when
// the text is not a number of the kind, so the caller drops the element and reports the
// message, as for any other failure inside an element.
#include <cstdint>
#include <string>

namespace Velunor::Quillon::Ui {

// The whole text as a signed 32-bit decimal number: digits with at most a leading sign.
int ReadDecimalInt(const std::wstring& text);

// True when the text is not empty and holds only the digits 0 to 9.
bool IsPlainDigits(const std::wstring& text);
// Plain digits as an unsigned 64-bit number; throws above 18446744073709551615.
std::uint64_t ReadDecimalSize(const std::wstring& text);

}  // namespace Velunor::Quillon::Ui
