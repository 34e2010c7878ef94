#include "tray/VersionNumber.h"

#include <vector>

#include "common/StringUtil.h"
#include "platform/core/TextCodec.h"

namespace Velunor::Quillon::Resident {

namespace {

// UTF-16 order differs from code point order where characters above U+FFFF (surrogate
// pairs, D800-DFFF) meet characters from U+E000 to U+FFFF.
int CompareParts(const std::wstring& a, const std::wstring& b) {
  return platform::WideToUtf16(a).compare(platform::WideToUtf16(b));
}

}  // namespace

int CVersionNumber::Parse(const std::wstring& text) {
  std::vector<std::wstring> pieces;
  if (!Common::SplitString(text, L".", pieces, 0, true)) return 0;
  if (pieces.size() < 3) return 0;
  m_major = pieces[0];
  m_minor = pieces[1];
  m_build = pieces[2];
  return 1;
}

bool CVersionNumber::operator<(const CVersionNumber& other) const {
  if (int order = CompareParts(m_major, other.m_major)) return order < 0;
  if (int order = CompareParts(m_minor, other.m_minor)) return order < 0;
  return CompareParts(m_build, other.m_build) < 0;
}

bool CVersionNumber::operator==(const CVersionNumber& other) const {
  return m_major == other.m_major && m_minor == other.m_minor && m_build == other.m_build;
}

}  // namespace Velunor::Quillon::Resident
