#pragma once
// The clip player over FFmpeg. A video thread decodes the file's picture stream and shows each
// frame when the player's clock reaches its time; a sound thread, when the file has sound and the
// machine an output, decodes and plays it against the same clock. The clock runs only while the
// clip plays; a seek decodes up to the exact frame at the target and shows it also while paused.
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

class FfmpegClipPlayer final : public ClipPlayer {
  public:
    explicit FfmpegClipPlayer(WakeHubPtr wake);
    ~FfmpegClipPlayer() override;

    // Opens and prepares the file, paused at its start; called once, by the engine.
    MediaError Open(const char* path);

    ClipInfo Info() const override;
    MediaError Play() override;
    MediaError Pause() override;
    MediaError Seek(MediaTime position) override;
    MediaTime Position() override;
    bool ReachedEnd() const override;
    MediaError SetVolume(int32_t volume) override;
    MediaError Grab(StillImage* still) override;
    bool TakeLatestFrame(VideoFrame* frame) override { return mailbox_.Take(frame); }
    bool TakeStreamError(StreamError* error) override { return errors_.Take(error); }

  private:
    using Clock = StopSignal::Clock;
    // The clip's clock: it runs only while playing.
    enum class ClockState { Paused, Running };

    MediaError OpenAudio(const std::string& path);
    void VideoLoop();
    void AudioLoop();
    void Present(AvFramePtr frame, double time);
    // Resamples a decoded chunk to the device's 16-bit samples at the volume set; frames made.
    int ConvertAudio(const AVFrame* chunk, std::vector<int16_t>* pcm);
    // The clock's position in seconds; mutex_ held.
    double PositionLocked() const;
    Clock::time_point WallTimeLocked(double position) const;
    MediaError ChangeState(ClockState state);
    // Reports the first failed read of the file (a Playback error); later ones add nothing.
    void ReportReadError(const ClipDecoder& decoder);

    WakeHubPtr wake_;
    LatestFrameMailbox mailbox_;
    StreamErrors errors_;

    // Fixed once Open has succeeded.
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
    ClockState state_ = ClockState::Paused;
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
