#include "video/VideoFitting.h"

#include <cstdint>

namespace velatrace {

VideoRect FitVideoRect(int32_t clientWidth, int32_t clientHeight, int32_t videoWidth,
                       int32_t videoHeight) {
    VideoRect rect;
    if (clientWidth <= 0 || clientHeight <= 0) {
        return rect;
    }
    rect.width = clientWidth;
    rect.height = clientHeight;
    if (videoWidth <= 0 || videoHeight <= 0) {
        return rect;  // no aspect to keep
    }
    const double windowRatio = static_cast<double>(clientWidth) / clientHeight;
    const double videoRatio = static_cast<double>(videoWidth) / videoHeight;
    if (windowRatio < videoRatio) {
        // Narrower than the picture: full width, height from the aspect.
        rect.height = static_cast<int32_t>(clientWidth / videoRatio);
    } else {
        rect.width = static_cast<int32_t>(clientHeight * videoRatio);
    }
    return rect;
}

int32_t AbsoluteHeight(int32_t height) {
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    return rows > INT32_MAX ? INT32_MAX : static_cast<int32_t>(rows);
}

}  // namespace velatrace
