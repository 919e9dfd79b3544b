#include "video/FormatChoices.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace velatrace {

int32_t FramesPerSecond(int64_t avgTimePerFrame) {
    if (avgTimePerFrame <= 0) {
        return 0;
    }
    return static_cast<int32_t>((10000000 + avgTimePerFrame / 2) / avgTimePerFrame);
}

std::vector<VideoFormat> SortedFormats(std::vector<VideoFormat> formats) {
    const auto key = [](const VideoFormat& f) {
        return std::tuple(f.pixelFormat, -int64_t{f.width} * f.height, -f.width, f.avgTimePerFrame);
    };
    std::sort(formats.begin(), formats.end(),
              [&](const VideoFormat& a, const VideoFormat& b) { return key(a) < key(b); });
    formats.erase(std::unique(formats.begin(), formats.end(),
                              [&](const VideoFormat& a, const VideoFormat& b) {
                                  return key(a) == key(b) && a.height == b.height;
                              }),
                  formats.end());
    return formats;
}

std::string FormatLabel(const VideoFormat& format) {
    char text[96];
    const int32_t fps = FramesPerSecond(format.avgTimePerFrame);
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

int32_t CurrentFormatIndex(const std::vector<VideoFormat>& formats, const StreamFormat& current) {
    const int32_t height = current.height < 0 ? -current.height : current.height;
    int32_t sameSize = -1;
    for (size_t i = 0; i < formats.size(); ++i) {
        const VideoFormat& f = formats[i];
        if (f.width != current.width || f.height != height) {
            continue;
        }
        if (FramesPerSecond(f.avgTimePerFrame) == FramesPerSecond(current.avgTimePerFrame)) {
            return static_cast<int32_t>(i);
        }
        if (sameSize < 0) {
            sameSize = static_cast<int32_t>(i);
        }
    }
    return sameSize;
}

StreamFormat ChosenStreamFormat(const StreamFormat& current, const VideoFormat& chosen) {
    StreamFormat f = current;
    f.formatType = FormatType::VideoInfo;
    f.width = chosen.width;
    f.height = chosen.height;
    f.avgTimePerFrame = chosen.avgTimePerFrame;
    const int64_t stride = ((int64_t{chosen.width} * f.bitCount + 31) & ~int64_t{31}) / 8;
    const int64_t size = stride * chosen.height;
    f.imageSize = size > INT32_MAX || size < 0 ? INT32_MAX : static_cast<int32_t>(size);
    return f;
}

}  // namespace velatrace
