#pragma once
// The collector's program entry and its service main function.
#include <cstdint>

namespace Velunor::Quillon {

// Hands the process to the service manager; 0 after the service has stopped, 1 when the
// process was not started by a service manager.
int wWinMain();

// Runs the service: reports its states, holds the service mutex, runs the Run thread
// until the stop control comes. Its arguments are not used.
void ServiceMain(std::uint32_t argumentCount, wchar_t** arguments);

// Starts the Run thread at the highest thread priority, unless it has been started.
void StartRunThread();

}  // namespace Velunor::Quillon
