#include "video/FormatChoices.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace velatrace {

int32_t FramesPerSecond(MediaTime frameTime) {
    const int64_t t = frameTime.count();
    if (t <= 0) {
        return 0;
    }
    return static_cast<int32_t>((1000000 + t / 2) / t);
}

std::vector<VideoMode> SortedModes(std::vector<VideoMode> formats) {
    const auto key = [](const VideoMode& f) {
        return std::tuple(f.pixelFormat, -int64_t{f.width} * f.height, -f.width,
                          f.frameTime.count());
    };
    std::sort(formats.begin(), formats.end(),
              [&](const VideoMode& a, const VideoMode& b) { return key(a) < key(b); });
    formats.erase(std::unique(formats.begin(), formats.end(),
                              [&](const VideoMode& a, const VideoMode& b) {
                                  return key(a) == key(b) && a.height == b.height;
                              }),
                  formats.end());
    return formats;
}

std::string ModeLabel(const VideoMode& format) {
    char text[96];
    const int32_t fps = FramesPerSecond(format.frameTime);
    if (fps > 0) {
        std::snprintf(text, sizeof text, "%d x %d, %d frames/s", static_cast<int>(format.width),
                      static_cast<int>(format.height), static_cast<int>(fps));
    } else {
        std::snprintf(text, sizeof text, "%d x %d", static_cast<int>(format.width),
                      static_cast<int>(format.height));
    }
    std::string label = text;
    if (!format.pixelFormat.empty()) {
        label += " (" + format.pixelFormat + ")";
    }
    return label;
}

int32_t CurrentModeIndex(const std::vector<VideoMode>& formats, const VideoMode& current) {
    const int32_t height = current.height;
    int32_t sameSize = -1;
    for (size_t i = 0; i < formats.size(); ++i) {
        const VideoMode& f = formats[i];
        if (f.width != current.width || f.height != height) {
            continue;
        }
        if (FramesPerSecond(f.frameTime) == FramesPerSecond(current.frameTime)) {
            return static_cast<int32_t>(i);
        }
        if (sameSize < 0) {
            sameSize = static_cast<int32_t>(i);
        }
    }
    return sameSize;
}

}  // namespace velatrace
