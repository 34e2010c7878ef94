#include "viewer/SummaryNumbers.h"

#include <boost/lexical_cast.hpp>

namespace Velunor::Quillon::Ui {

int ReadDecimalInt(const std::wstring& text) { return boost::lexical_cast<int>(text); }

bool IsPlainDigits(const std::wstring& text) {
  if (text.empty()) {
    return false;
  }
  for (const wchar_t ch : text) {
    if (ch < L'0' || ch > L'9') {
      return false;
    }
  }
  return true;
}

std::uint64_t ReadDecimalSize(const std::wstring& text) {
  // Only called on plain digits, so lexical_cast's acceptance of a sign never applies;
  // a value above the 64-bit maximum throws.
  return boost::lexical_cast<std::uint64_t>(text);
}

}  // namespace Velunor::Quillon::Ui
