#pragma once
#include <cstdint>

namespace Velunor::Quillon {

// A failed system call that the service cannot go on after: what was called, and the
// system's error code at that moment.
class Win32Error {
 public:
  Win32Error(const wchar_t* context, std::uint32_t code) : m_code(code), m_context(context) {}

  std::uint32_t m_code;
  const wchar_t* m_context;
};

}  // namespace Velunor::Quillon
