#pragma once
// The playback graph over FFmpeg. A video thread decodes the file's picture stream and shows each
// frame when the graph's clock reaches its time; a sound thread, when the file has sound and the
// machine an output, decodes and plays it against the same clock. The clock runs only while the
// graph runs; a seek decodes up to the exact frame at the target and shows it also while paused.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "video/LatestFrameMailbox.h"
#include "video/MediaEngine.h"
#include "video/StreamSettings.h"
#include "video/ffmpeg/AudioOutput.h"
#include "video/ffmpeg/ClipDecoder.h"
#include "video/ffmpeg/PictureConverter.h"
#include "video/ffmpeg/StopSignal.h"
#include "video/ffmpeg/StreamErrors.h"
#include "video/ffmpeg/WakeHub.h"

namespace velatrace {

class FfmpegPlaybackGraph : public PlaybackGraph {
  public:
    explicit FfmpegPlaybackGraph(WakeHubPtr wake);
    ~FfmpegPlaybackGraph() override;

    MediaError Run() override;
    MediaError Stop() override;
    bool HasVideo() const override { return hasVideo_; }
    bool HasAudio() const override { return hasAudio_; }
    MediaError GetVideoSize(int32_t* width, int32_t* height) override;
    MediaError GetAvgTimePerFrame(double* seconds) override;
    MediaError PutVolume(int32_t volume) override;
    bool TakeLatestFrame(VideoFrame* frame) override { return mailbox_.Take(frame); }
    bool TakeStreamError(StreamError* error) override { return errors_.Take(error); }

    MediaError RenderFile(const char* path) override;
    MediaError Pause() override;
    MediaError GetState(uint32_t timeoutMs, PlayState* state) override;
    bool IsSeekable() const override { return seekable_; }
    MediaError GetDuration(int64_t* duration) override;
    MediaError GetCurrentPosition(int64_t* position) override;
    MediaError SetPosition(int64_t position) override;
    bool ReachedEnd() const override;
    MediaError GetGrabFormat(BitmapInfoHeader* header, int32_t* sampleSize) override;
    MediaError GetCurrentBuffer(int32_t* size, uint8_t* buffer) override;

  private:
    using Clock = StopSignal::Clock;

    MediaError OpenAudio(const std::string& path);
    void VideoLoop();
    void AudioLoop();
    void Present(AvFramePtr frame, double time);
    // Resamples a decoded chunk to the device's 16-bit samples at the volume set; frames made.
    int ConvertAudio(const AVFrame* chunk, std::vector<int16_t>* pcm);
    // The clock's position in seconds; mutex_ held.
    double PositionLocked() const;
    Clock::time_point WallTimeLocked(double position) const;
    MediaError ChangeState(PlayState state);
    // Reports the first failed read of the file (a Playback error); later ones add nothing.
    void ReportReadError(const ClipDecoder& decoder);

    WakeHubPtr wake_;
    LatestFrameMailbox mailbox_;
    StreamErrors errors_;

    // Fixed once RenderFile has succeeded.
    std::string path_;
    bool opened_ = false;
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    bool seekable_ = false;
    int32_t width_ = 0;
    int32_t height_ = 0;
    double frameTime_ = 0.0;
    double duration_ = 0.0;

    // The clock and the commands, shared with the threads.
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    PlayState state_ = PlayState::Stopped;
    double position_ = 0.0;         // the position, or where the running clock started from
    Clock::time_point anchorWall_;  // when the running clock started
    bool reachedEnd_ = false;
    uint64_t commands_ = 0;  // counts every command, so waiting threads see each one
    uint64_t seeks_ = 0;
    double seekTarget_ = 0.0;
    bool quit_ = false;
    std::atomic<bool> readErrorReported_{false};

    // The frame on screen, for grabbing.
    std::mutex shownMutex_;
    AvFramePtr shown_;
    PictureConverter grabConverter_;  // GUI thread

    // Video thread.
    ClipDecoder video_;
    PictureConverter paneConverter_;
    std::thread videoThread_;

    // Sound thread.
    ClipDecoder audio_;
    AudioOutput output_;
    SwrPtr resampler_;
    int outChannels_ = 0;
    std::atomic<int32_t> volume_{kVolumeSilent};
    std::thread audioThread_;
};

}  // namespace velatrace
