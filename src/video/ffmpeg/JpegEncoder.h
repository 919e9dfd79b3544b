#pragma once
// Encodes camera pictures into baseline JPEG frames (4:2:0, full-range YUV as JFIF has it) with
// libjpeg-turbo's libjpeg API. A picture already in planar 4:2:0 full-range YUV is compressed from
// its planes as it is; any other format or level range is converted first. One encoder serves one
// thread.
#include <cstdint>
#include <memory>
#include <string>

#include "video/MediaError.h"
#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/PictureConverter.h"

namespace velatrace {

// How the pictures are quantised and entropy coded.
struct JpegSettings {
    enum class Tables {
        // The JPEG standard's example tables (a coarser one for chroma) scaled by the IJG
        // quality `level` (1 worst .. 100 best).
        Standard,
        // One table for luma and chroma alike, MPEG's intra weighting (as FFmpeg's own Motion-JPEG
        // encoder uses), scaled by `level` in 32nds: level 12 is that encoder's quantiser 3. The DC
        // step stays at 8, as there.
        Fine,
    };
    Tables tables = Tables::Fine;
    int level = 12;
    // Huffman tables made for a picture (one more pass over its coefficients, which costs most of
    // the time of a picture again) every this many pictures; the pictures between reuse the last
    // ones, given codes for every symbol. 1: tables made for each picture; 0: the standard's
    // example tables throughout.
    int optimizeEvery = 0;
    // The faster integer DCT, a little less accurate (what the TurboJPEG API takes when
    // compressing), instead of the accurate one.
    bool fastDct = false;
};

class JpegEncoder {
  public:
    // The settings of the captures, measured by bench_mjpeg against FFmpeg's own encoder at its
    // quantiser 3: the pictures are at least as close to the camera's (in luma and over all
    // planes) and about as large (3.5 % more; a step coarser is smaller but loses PSNR: libjpeg
    // rounds its coefficients to the nearest step, FFmpeg's toward zero), at a third of that
    // encoder's CPU. Huffman tables made for every picture make it 10 % smaller than the
    // standard's tables do, at 1.8 times the CPU; made once in 30 pictures and reused they keep
    // 9.3 of those 10 % at no more CPU than the standard's tables.
    static constexpr JpegSettings kCaptureSettings{JpegSettings::Tables::Fine, 13, 30};

    explicit JpegEncoder(const JpegSettings& settings = kCaptureSettings);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // Encodes `picture` into a new packet of its own size in *jpeg. On failure *jpeg is left
    // empty and ErrorText says why.
    MediaError Encode(const AVFrame* picture, AvPacketPtr* jpeg);

    // Why the last Encode failed, in the library's words; empty after a success.
    const std::string& ErrorText() const { return error_; }

  private:
    struct Library;
    MediaError Fail(MediaError hr, std::string text);

    const JpegSettings settings_;
    std::unique_ptr<Library> library_;
    AvFramePtr converted_;
    PictureConverter converter_;
    std::string error_;
};

}  // namespace velatrace
