#pragma once
#include <exception>

namespace Velunor::Quillon {

// Leaves ServiceMain's guarded block after an orderly stop.
class ExitException : public std::exception {};

}  // namespace Velunor::Quillon
