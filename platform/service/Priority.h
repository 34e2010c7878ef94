#pragma once
// Process and thread priorities as nice values. A process without the right to lower
// its nice value gets as close as its RLIMIT_NICE lets it; not getting there is no
// error, the work simply runs at the priority it has.
//
//   process class      nice     thread priority      nice
//   idle                 19     idle                   19
//   below normal         10     lowest..highest        class nice - 2 x priority
//   normal                0     time critical         -20
//   above normal         -5
//   high                -10
//   realtime            -20
#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kIdlePriorityClass = 0x00000040;
inline constexpr std::uint32_t kNormalPriorityClass = 0x00000020;
inline constexpr std::uint32_t kHighPriorityClass = 0x00000080;
inline constexpr std::uint32_t kRealtimePriorityClass = 0x00000100;
inline constexpr std::uint32_t kBelowNormalPriorityClass = 0x00004000;
inline constexpr std::uint32_t kAboveNormalPriorityClass = 0x00008000;

inline constexpr int kThreadPriorityIdle = -15;
inline constexpr int kThreadPriorityLowest = -2;
inline constexpr int kThreadPriorityBelowNormal = -1;
inline constexpr int kThreadPriorityNormal = 0;
inline constexpr int kThreadPriorityAboveNormal = 1;
inline constexpr int kThreadPriorityHighest = 2;
inline constexpr int kThreadPriorityTimeCritical = 15;

// Moves every thread of the process to the class's nice value (threads started later
// inherit it from their creator). False only for an unknown class.
bool SetProcessPriorityClass(std::uint32_t priorityClass);
// Moves the calling thread to its priority relative to the process class. False only for
// an unknown priority. Linux keeps a nice value per thread and no thread can be named
// from outside it portably, so a new thread sets its own priority first thing.
bool SetCurrentThreadPriority(int priority);
// The nice value the calling thread runs at.
int CurrentThreadNiceValue();

}  // namespace platform
