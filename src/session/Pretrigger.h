#pragma once
// The frames an alarm capture can start with: while the preview runs, the camera's last seconds
// are kept encoded in memory, so a capture the alarm starts holds what led to the alarm.
#include <cstdint>
#include <string>

namespace velatrace {

// The most memory the kept frames may take; past it the oldest go first, so the capture starts
// later than asked rather than the program running out of memory.
inline constexpr int64_t kPretriggerMemoryLimit = int64_t{256} << 20;

// About how much memory `seconds` of video take at this size and rate (a typical scene at the
// capture's JPEG quality), within the limit above.
int64_t PretriggerMemoryEstimate(int32_t seconds, int32_t width, int32_t height,
                                 int32_t framesPerSecond);

// The words for the user: what the setting does and the memory it takes at this size and rate.
std::string PretriggerTip(int32_t seconds, int32_t width, int32_t height, int32_t framesPerSecond);

}  // namespace velatrace
