#include "common/StringUtil.h"

#include "platform/core/TextCodec.h"

namespace Velunor::Quillon::Common {
namespace {

constexpr int kUtf8CodePage = 65001;

std::string WideToMultiByte(const std::wstring& text, int flag) {
  return GetCodePage(flag) == kUtf8CodePage ? platform::WideToUtf8(text) : platform::WideToLocale(text);
}

std::wstring MultiByteToWide(const std::string& text, int flag) {
  return GetCodePage(flag) == kUtf8CodePage ? platform::Utf8ToWide(text) : platform::LocaleToWide(text);
}

}  // namespace

int GetCodePage(int flag) { return flag == kUtf8CodePageFlag ? kUtf8CodePage : 0; }

std::string ToMultiByteString(const std::wstring& text, int flag) { return WideToMultiByte(text, flag); }

std::wstring ToWideString(const std::string& text, int flag) { return MultiByteToWide(text, flag); }

std::wstring ToWideString(const std::wstring& text, int /*flag*/) { return text; }

bool SplitString(const std::wstring& text, const std::wstring& delimiter,
                 std::vector<std::wstring>& pieces, std::size_t start, bool clear) {
  if (start >= text.size()) return false;
  if (text.size() < delimiter.size()) return false;
  if (clear) pieces.clear();
  if (delimiter.empty()) {
    // No caller splits at nothing; treat it as "no delimiter found".
    pieces.push_back(text);
    return false;
  }
  std::size_t found = text.find(delimiter, start);
  if (found == std::wstring::npos) {
    pieces.push_back(text);
    return false;
  }
  std::size_t position = start;
  while (found != std::wstring::npos) {
    pieces.push_back(text.substr(position, found - position));
    position = found + delimiter.size();
    found = text.find(delimiter, position);
  }
  pieces.push_back(text.substr(position));
  return true;
}

std::wstring ReplaceString(const std::wstring& text, const std::wstring& search,
                           const std::wstring& replacement, std::size_t start, int count) {
  const std::wstring head = text.substr(0, start < text.size() ? start : text.size());
  const std::wstring tail = start < text.size() ? text.substr(start) : std::wstring();
  std::vector<std::wstring> pieces;
  SplitString(tail, search, pieces, 0, true);
  if (pieces.empty()) return text;
  std::wstring result = head + pieces[0];
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    if (count != 0) {
      result += replacement;
      if (count > 0) --count;
    } else {
      result += search;
    }
    result += pieces[i];
  }
  return result;
}

}  // namespace Velunor::Quillon::Common
