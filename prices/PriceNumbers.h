#pragma once
// Number reading rules of the price files. All are locale-independent and take the
// element's whole text; none throws.
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

}  // namespace Velunor::Quillon::Ui
