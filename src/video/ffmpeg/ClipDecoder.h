#pragma once
// Reads one stream (video or sound) of a media file in presentation order, with times in seconds
// from the clip's start, and seeks accurately: it decodes from the key frame before the target up
// to the frame showing at the target instead of stopping at the key frame.
#include <string>

#include "video/MediaError.h"
#include "video/ffmpeg/AvPtr.h"

namespace velatrace {

class ClipDecoder {
  public:
    // Opens `path` and its best stream of `type`. MediaError::NotFound, MediaError::Unsupported
    // (not a media file FFmpeg reads) or MediaError::CannotPlay (no decodable stream of that type).
    MediaError Open(const std::string& path, AVMediaType type);

    // Seconds; 0 when unknown.
    double Duration() const { return duration_; }
    bool Seekable() const { return seekable_; }
    // Seconds per frame of a video stream; 0 when unknown.
    double FrameTime() const { return frameTime_; }
    const AVCodecContext* Codec() const { return decoder_.get(); }

    // The next frame and its time. MediaError::Nothing at the end of the stream.
    MediaError Next(AvFramePtr* frame, double* time);

    // The error of a failed read of the file (an I/O error, not its end), 0 when none. Next and
    // SeekTo treat such a failure as the end of the stream.
    int ReadError() const { return readError_; }

    // Positions at `time` and returns the frame showing then: the last frame starting at or before
    // it (the first frame when `time` lies before it). The frames after it follow from Next.
    MediaError SeekTo(double time, AvFramePtr* frame, double* frameTime);

  private:
    MediaError Decode(AvFramePtr* frame, double* time);
    // Moves the reader to the key frame at or before `timestamp` (and not after `latest`).
    MediaError Reposition(int64_t timestamp, int64_t latest);
    double TimeOf(const AVFrame* f);

    AvInputPtr input_;
    AvCodecContextPtr decoder_;
    AvPacketPtr packet_;
    AVStream* stream_ = nullptr;
    int index_ = -1;
    AVRational timeBase_{1, 1};
    int64_t startPts_ = 0;
    double duration_ = 0.0;
    double frameTime_ = 0.0;
    bool seekable_ = false;
    bool drained_ = false;  // the demuxer reached the end; the decoder is being flushed
    double lastTime_ = -1.0;
    AvFramePtr pending_;  // decoded while seeking, not yet handed out
    double pendingTime_ = 0.0;
    int readError_ = 0;
};

}  // namespace velatrace
