#pragma once
// The grabbed still: 24-bit pixels in B, G, R byte order, rows bottom-up and padded to a multiple
// of 4 bytes, as the still-image transfer expects.
#include <cstdint>

#include "video/MediaTypes.h"
#include "video/ffmpeg/PictureConverter.h"

namespace velatrace {

// Converts `frame` into `still`, width x height.
bool ConvertToStill(PictureConverter& converter, const AVFrame* frame, int32_t width,
                    int32_t height, StillImage* still);

}  // namespace velatrace
