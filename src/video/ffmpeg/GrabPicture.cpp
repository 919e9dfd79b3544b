#include "video/ffmpeg/GrabPicture.h"

#include <algorithm>
#include <vector>

namespace velatrace {

bool ConvertToStill(PictureConverter& converter, const AVFrame* frame, int32_t width,
                    int32_t height, StillImage* still) {
    if (width <= 0 || height <= 0)
        return false;
    const auto stride = static_cast<int32_t>(StillRowBytes(width));
    still->rows.assign(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
    uint8_t* bits = still->rows.data();
    uint8_t* planes[4] = {bits, nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    if (!converter.Convert(frame, AV_PIX_FMT_BGR24, width, height, planes, strides)) {
        still->rows.clear();
        return false;
    }
    const size_t used = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* r = bits + static_cast<size_t>(y) * stride;
        std::fill(r + used, r + stride, uint8_t{0});  // row padding
    }
    // Converted top-down; the still stores its bottom row first.
    std::vector<uint8_t> row(static_cast<size_t>(stride));
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = bits + static_cast<size_t>(top) * stride;
        uint8_t* b = bits + static_cast<size_t>(bottom) * stride;
        std::copy(a, a + stride, row.data());
        std::copy(b, b + stride, a);
        std::copy(row.begin(), row.end(), b);
    }
    still->width = width;
    still->height = height;
    return true;
}

}  // namespace velatrace
