#pragma once
// Encodes camera pictures into baseline JPEG frames (4:2:0, full-range YUV as JFIF has it) with
// libjpeg-turbo. A picture already in planar 4:2:0 full-range YUV is compressed from its planes
// as it is; any other format or level range is converted first. One encoder serves one thread.
#include <cstdint>
#include <string>

#include "video/MediaResult.h"
#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/PictureConverter.h"

namespace velatrace {

class JpegEncoder {
  public:
    // The JPEG quality of the captures (1 worst .. 100 best): the lowest at which the pictures are
    // as close to the camera's as those of FFmpeg's own encoder at its fixed quantiser 3, in
    // luma and over all planes (measured by bench_mjpeg). The files come out larger than that
    // encoder's, whose Huffman tables are made for each picture and whose chroma is quantised
    // as finely as luma; libjpeg-turbo's standard tables keep its speed.
    static constexpr int kQuality = 92;

    explicit JpegEncoder(int quality = kQuality);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // Encodes `picture` into a new packet of its own size in *jpeg. On failure *jpeg is left
    // empty and ErrorText says why.
    HResult Encode(const AVFrame* picture, AvPacketPtr* jpeg);

    // Why the last Encode failed, in the library's words; empty after a success.
    const std::string& ErrorText() const { return error_; }

  private:
    HResult Fail(HResult hr, std::string text);

    const int quality_;
    void* compressor_ = nullptr;       // tjhandle
    unsigned char* buffer_ = nullptr;  // room for the largest JPEG of the current size
    unsigned long bufferSize_ = 0;
    int bufferWidth_ = 0;
    int bufferHeight_ = 0;
    AvFramePtr converted_;
    PictureConverter converter_;
    std::string error_;
};

}  // namespace velatrace
