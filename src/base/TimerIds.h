#pragma once
// Timer IDs of the main window.
#include <cstdint>

namespace velatrace {

inline constexpr uint32_t kTimerStartup = 1;
inline constexpr uint32_t kTimerCaptureLimit = 2;
inline constexpr uint32_t kTimerPoll = 3;
inline constexpr uint32_t kTimerReplay = 4;
// The spreadsheet's paste, a moment after the picture went to the clipboard.
inline constexpr uint32_t kTimerDdePaste = 5;

}  // namespace velatrace
