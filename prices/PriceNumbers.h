#pragma once
// The numbers of the price model: the reading rules of the price files' number texts
// (locale-independent, the element's whole text, never throwing), and the MiB counts
// and grouped texts that the model and the main window's panel show.
#include <cstdint>
#include <string>

namespace Velunor::Quillon::Ui {

// Plain decimal digits up to 4294967295. A sign is refused: "-5" must not turn into a
// huge unsigned value.
bool ParsePriceUnsigned(const std::wstring& text, std::uint32_t& value);
// Digits with at most a leading sign, within the signed 32-bit range.
bool ParsePriceSigned(const std::wstring& text, int& value);
// A finite decimal floating-point number (sign, fraction and exponent allowed), rounded
// to single precision. Infinity and NaN are refused; so is a value that does not fit.
bool ParsePriceFloat(const std::wstring& text, float& value);
// A price truncated toward zero to a 32-bit count: negative and NaN give 0, a price
// beyond the 32-bit range gives the largest value.
std::uint32_t TruncatePrice(float price);

// Bytes as MiB, rounded up. A count above largest stops at largest instead of keeping
// low bits: the price model counts in unsigned 32 bits, the panel in signed 32 bits.
std::uint64_t RoundUpToMiB(std::uint64_t bytes, std::uint64_t largest);
// The number with a comma before every group of three digits: "0", "999", "1,234,567".
std::wstring FormatThousands(std::int64_t number);

}  // namespace Velunor::Quillon::Ui
