#pragma once
// Writes one AVI file of Motion-JPEG video. Time in the file is counted in frames: the stream's
// time base is one frame period and each frame carries its frame number, so a number left out
// (a dropped frame) leaves an empty frame in the file instead of shifting later frames.
#include <cstdint>
#include <string>

#include "video/MediaResult.h"
#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/PictureConverter.h"

namespace velatrace {

struct AviVideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    AVRational rate{0, 1};
    // The frames come as the camera's own JPEG data and are stored as they are.
    bool jpegPackets = false;
};

class AviWriter {
  public:
    // The fixed quantiser of the encoder (the -q:v scale of the ffmpeg tool: 2 best .. 31 worst).
    static constexpr int kQuality = 3;

    AviWriter() = default;
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates (or replaces) the file and writes its header. kHrSharingViolation when the file
    // cannot be created; the writer then stays closed.
    HResult Open(const std::string& path, const AviVideoFormat& format);
    bool IsOpen() const { return output_ != nullptr; }

    // Encodes a picture as frame number `index` (numbers must rise).
    HResult WritePicture(const AVFrame* picture, int64_t index);
    // Stores a camera's JPEG frame as frame number `index`.
    HResult WriteJpeg(const AVPacket* jpeg, int64_t index);

    // Writes the index and trailer and closes the file; the first failure while writing, if any.
    HResult Close();

    int64_t FramesWritten() const { return written_; }

  private:
    HResult Mux(AVPacket* packet, int64_t index);
    void Discard();

    AVFormatContext* output_ = nullptr;
    AVStream* stream_ = nullptr;
    AvCodecContextPtr encoder_;
    AvPacketPtr packet_;
    AvFramePtr converted_;
    PictureConverter converter_;
    AVRational frameBase_{1, 1};
    int64_t lastIndex_ = -1;
    int64_t written_ = 0;
    HResult writeError_ = kHrOk;
};

// The result code of a failed FFmpeg write.
HResult WriteFailure(int averror);

}  // namespace velatrace
