#pragma once
// Converts decoded frames of any pixel format and size into packed pictures (BGRA for the video
// pane, planar YUV for the encoder), keeping one scaler context for as long as the input stays
// alike.
#include <cstdint>

#include "video/ffmpeg/AvPtr.h"

namespace velatrace {

class PictureConverter {
  public:
    // Converts `src` to `dstFormat` at `dstWidth` x `dstHeight` into the planes `dst`/`dstStride`.
    // Returns false when no scaler exists for the pair of formats.
    bool Convert(const AVFrame* src, AVPixelFormat dstFormat, int dstWidth, int dstHeight,
                 uint8_t* const dst[4], const int dstStride[4]);

    // Converts into a newly allocated frame of the given format and the source's size.
    AvFramePtr ConvertToFrame(const AVFrame* src, AVPixelFormat dstFormat);

  private:
    SwsPtr sws_;
};

}  // namespace velatrace
