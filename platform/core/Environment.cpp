#include "platform/core/Environment.h"

#include <cstdlib>

#include "platform/core/TextCodec.h"

namespace platform {

std::optional<std::wstring> ExpandEnvironmentStrings(const std::wstring& text, std::size_t maxChars) {
  std::wstring out;
  std::size_t position = 0;
  while (position < text.size()) {
    const auto open = text.find(L'%', position);
    if (open == std::wstring::npos) {
      out += text.substr(position);
      break;
    }
    const auto close = text.find(L'%', open + 1);
    if (close == std::wstring::npos) {
      out += text.substr(position);
      break;
    }
    out += text.substr(position, open - position);
    const std::wstring name = text.substr(open + 1, close - open - 1);
    const char* value = name.empty() ? nullptr : std::getenv(WideToLocale(name).c_str());
    if (value != nullptr) {
      out += LocaleToWide(value);
      position = close + 1;
    } else {
      // Unknown: keep the first '%' and look for a name starting at the second.
      out += text.substr(open, close - open);
      position = close;
    }
  }
  if (maxChars == 0 || out.size() > maxChars - 1) return std::nullopt;
  return out;
}

}  // namespace platform
