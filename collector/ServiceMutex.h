#pragma once
// The machine-wide mutex that tells other processes a collector is running. It is no
// single-instance guard: finding it already there changes nothing.
#include <memory>

#include "platform/service/NamedMutex.h"

namespace Velunor::Quillon {

inline constexpr wchar_t kServiceMutexName[] = L"Global\\CorvanServiceMutex";

class CServiceMutex {
 public:
  CServiceMutex() = default;
  ~CServiceMutex();
  CServiceMutex(const CServiceMutex&) = delete;
  CServiceMutex& operator=(const CServiceMutex&) = delete;

  // Creates or opens the mutex with initial ownership; the handle stays null on failure.
  void Acquire();
  // Gives up ownership and closes the handle.
  void Release();

 private:
  std::unique_ptr<platform::NamedMutex> m_mutex;
};

}  // namespace Velunor::Quillon
