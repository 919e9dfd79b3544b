#pragma once
// The grabbed-frame bitmap: 24-bit pixels in B, G, R byte order, rows bottom-up and padded to a
// multiple of 4 bytes, described by a BITMAPINFOHEADER, as the still-image transfer expects.
#include <cstdint>

#include "video/MediaEngine.h"
#include "video/ffmpeg/PictureConverter.h"

namespace velatrace {

int32_t DibStride(int32_t width);
BitmapInfoHeader DibHeader(int32_t width, int32_t height);

// Converts `frame` into `bits` (DibHeader(width, height).biSizeImage bytes).
bool ConvertToDib(PictureConverter& converter, const AVFrame* frame, int32_t width, int32_t height,
                  uint8_t* bits);

}  // namespace velatrace
