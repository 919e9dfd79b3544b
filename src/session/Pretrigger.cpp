#include "session/Pretrigger.h"

#include <algorithm>

#include "base/TextCatalog.h"

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
    if (seconds <= 0) {
        return Text(TextId::PretriggerOff);
    }
    const int64_t bytes = PretriggerMemoryEstimate(seconds, width, height, framesPerSecond);
    if (bytes <= 0) {
        return FormatString(Text(TextId::PretriggerNoEstimate), seconds);
    }
    return FormatString(
        Text(TextId::PretriggerEstimate), seconds, seconds,
        static_cast<long long>(std::max<int64_t>(1, (bytes + kMegabyte / 2) / kMegabyte)), width,
        height, framesPerSecond, static_cast<long long>(kPretriggerMemoryLimit / kMegabyte));
}

}  // namespace velatrace
