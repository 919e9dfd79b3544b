#pragma once
// Writes one AVI file of Motion-JPEG video from JPEG frames. Time in the file is counted in frames:
// the stream's time base is one frame period and each frame carries its frame number, so a number
// left out (a dropped frame) leaves an empty frame in the file instead of shifting later frames.
//
// Each frame goes to the disk as it is written, and room for the frame and for the index of all
// frames so far is allocated before it is written. So a full disk fails the frame before any of it
// is written, and Close still writes the index into the room kept: the file plays to its last
// good frame. Where the room cannot be kept (a file system that cannot allocate ahead) or another
// write error strikes, Close cuts the file after the last frame written completely; the file then
// has no index, and readers find its frames by scanning it.
#include <cstdint>
#include <string>

#include "video/MediaResult.h"
#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/ReservedFile.h"

namespace velatrace {

struct AviVideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    AVRational rate{0, 1};
    // The frames come as the camera's own JPEG data (else they are encoded from its pictures).
    bool jpegPackets = false;
};

class AviWriter {
  public:
    AviWriter() = default;
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates (or replaces) the file and writes its header. kHrSharingViolation when the file
    // cannot be created, kHrDiskFull when there is no room for it (no file is left then); the
    // writer then stays closed.
    HResult Open(const std::string& path, const AviVideoFormat& format);
    bool IsOpen() const { return output_ != nullptr; }

    // Stores a JPEG frame (the camera's own or one encoded from its picture) as frame number
    // `index` (numbers must rise).
    HResult WriteJpeg(const AVPacket* jpeg, int64_t index);

    // A failed write leaves the file as it was before the frame; nothing more can be written.

    // Writes the index and trailer and closes the file; the first failure while writing, if any.
    HResult Close();

    int64_t FramesWritten() const { return written_; }
    // The system's (or FFmpeg's) reason for the first failure since Open, in its own words
    // ("No space left on device"); empty when nothing failed.
    std::string ErrorText() const;

  private:
    HResult Mux(AVPacket* packet, int64_t index);
    HResult Fail(int averror);
    void Discard();

    ReservedFile file_;
    AVFormatContext* output_ = nullptr;
    AVStream* stream_ = nullptr;
    AvPacketPtr packet_;
    AVRational frameBase_{1, 1};
    int64_t lastIndex_ = -1;
    int64_t written_ = 0;
    int64_t goodEnd_ = 0;   // the file's length after the last frame written completely
    bool damaged_ = false;  // a write failed part way: the muxer's account of the file is wrong
    HResult writeError_ = kHrOk;
    int error_ = 0;  // FFmpeg error code of the first failure
};

// The result code of a failed FFmpeg write.
HResult WriteFailure(int averror);

}  // namespace velatrace
