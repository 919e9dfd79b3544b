#include "video/ffmpeg/DibPicture.h"

#include <algorithm>
#include <vector>

namespace velatrace {

int32_t DibStride(int32_t width) {
    return static_cast<int32_t>(DibRowBytes(width, 24));
}

BitmapInfoHeader DibHeader(int32_t width, int32_t height) {
    BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;  // positive: bottom-up
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = 0;
    h.biSizeImage = static_cast<uint32_t>(DibStride(width)) * static_cast<uint32_t>(height);
    return h;
}

bool ConvertToDib(PictureConverter& converter, const AVFrame* frame, int32_t width, int32_t height,
                  uint8_t* bits) {
    const int32_t stride = DibStride(width);
    uint8_t* planes[4] = {bits, nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    if (!converter.Convert(frame, AV_PIX_FMT_BGR24, width, height, planes, strides))
        return false;
    const size_t used = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* r = bits + static_cast<size_t>(y) * stride;
        std::fill(r + used, r + stride, uint8_t{0});  // row padding
    }
    // Converted top-down; a DIB with a positive height stores its bottom row first.
    std::vector<uint8_t> row(static_cast<size_t>(stride));
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = bits + static_cast<size_t>(top) * stride;
        uint8_t* b = bits + static_cast<size_t>(bottom) * stride;
        std::copy(a, a + stride, row.data());
        std::copy(b, b + stride, a);
        std::copy(row.begin(), row.end(), b);
    }
    return true;
}

}  // namespace velatrace
