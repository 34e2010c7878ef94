#include "viewer/SummaryReading.h"

#include <boost/lexical_cast.hpp>

#include "collector/SummaryFileFormat.h"
#include "platform/core/TextCodec.h"

namespace Velunor::Quillon::Ui {

int ReadDecimalInt(const std::wstring& text) { return boost::lexical_cast<int>(text); }

bool ReadRecordNumber(const TiXmlElement* element, std::size_t length, int low, int high,
                      int& number) {
  std::wstring text;
  if (!GetElementText(element, text) || platform::Utf16Length(text) != length) {
    return false;
  }
  const int value = ReadDecimalInt(text);
  if (value < low || value > high) {
    return false;
  }
  number = value;
  return true;
}

bool IsPlainDigits(const std::wstring& text) {
  if (text.empty()) {
    return false;
  }
  for (const wchar_t ch : text) {
    if (!SummaryFormat::IsSizeDigit(ch)) {
      return false;
    }
  }
  return true;
}

std::uint64_t ReadDecimalSize(const std::wstring& text) {
  // Only called on plain digits, so lexical_cast's acceptance of a sign never applies.
  return boost::lexical_cast<std::uint64_t>(text);
}

}  // namespace Velunor::Quillon::Ui
