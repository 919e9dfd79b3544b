#include "session/Pretrigger.h"

#include <algorithm>
#include <cstdio>

namespace velatrace {

namespace {
// Bytes per pixel of a camera picture encoded at the capture quality: about 83 KB for 1280 x 720,
// what the test pattern's busy picture takes (bench_pretrigger), so a plainer scene needs less.
constexpr double kJpegBytesPerPixel = 0.09;
constexpr int64_t kMegabyte = int64_t{1} << 20;
}  // namespace

int64_t PretriggerMemoryEstimate(int32_t seconds, int32_t width, int32_t height,
                                 int32_t framesPerSecond) {
    if (seconds <= 0 || width <= 0 || height <= 0 || framesPerSecond <= 0) {
        return 0;
    }
    const double frameBytes = kJpegBytesPerPixel * width * height;
    const double bytes = frameBytes * framesPerSecond * seconds;
    return static_cast<int64_t>(std::min(bytes, static_cast<double>(kPretriggerMemoryLimit)));
}

std::string PretriggerTip(int32_t seconds, int32_t width, int32_t height, int32_t framesPerSecond) {
    char text[320];
    if (seconds <= 0) {
        std::snprintf(text, sizeof text,
                      "Alarm captures start at the alarm. Set seconds to record what led to it.");
        return text;
    }
    const int64_t bytes = PretriggerMemoryEstimate(seconds, width, height, framesPerSecond);
    if (bytes <= 0) {
        std::snprintf(text, sizeof text,
                      "Alarm captures start %d s before the alarm, or as far back as the preview "
                      "has run.",
                      seconds);
        return text;
    }
    std::snprintf(text, sizeof text,
                  "Alarm captures start %d s before the alarm. While the preview runs, the "
                  "camera's last %d s are kept in memory: about %lld MB at %d x %d, %d frames "
                  "per second (at most %lld MB).",
                  seconds, seconds,
                  static_cast<long long>(std::max<int64_t>(1, (bytes + kMegabyte / 2) / kMegabyte)),
                  width, height, framesPerSecond,
                  static_cast<long long>(kPretriggerMemoryLimit / kMegabyte));
    return text;
}

}  // namespace velatrace
