#pragma once
// Timer IDs of the main window.
#include <cstdint>

namespace velatrace {

inline constexpr uint32_t kTimerStartup = 1;
inline constexpr uint32_t kTimerCaptureLimit = 2;
inline constexpr uint32_t kTimerPoll = 3;
inline constexpr uint32_t kTimerReplay = 4;

}  // namespace velatrace
