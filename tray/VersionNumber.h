#pragma once
// A product version as three dotted text parts. Parts compare as text, not as numbers,
// so "1.10.0" orders before "1.9.0"; the stored files and the site agree on that.
#include <string>

namespace Velunor::Quillon::Resident {

class CVersionNumber {
 public:
  CVersionNumber() = default;
  CVersionNumber(const CVersionNumber&) = default;
  CVersionNumber& operator=(const CVersionNumber&) = default;
  ~CVersionNumber() = default;

  // 1 when text has at least three "."-separated pieces (empty pieces count; pieces
  // after the third are ignored), else 0; after 0 the parts are not to be used.
  int Parse(const std::wstring& text);

  std::wstring GetMajor() const { return m_major; }
  std::wstring GetMinor() const { return m_minor; }
  std::wstring GetBuild() const { return m_build; }

  // Part by part, each part compared code unit by code unit as UTF-16 text.
  bool operator<(const CVersionNumber& other) const;
  bool operator==(const CVersionNumber& other) const;
  bool operator>=(const CVersionNumber& other) const { return !(*this < other); }
  bool operator!=(const CVersionNumber& other) const { return !(*this == other); }

 private:
  std::wstring m_major;
  std::wstring m_minor;
  std::wstring m_build;
};

}  // namespace Velunor::Quillon::Resident
