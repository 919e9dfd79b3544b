#include "video/ffmpeg/FfmpegClipPlayer.h"

#include <algorithm>
#include <cmath>

#include "video/ffmpeg/GrabPicture.h"
#include "video/ffmpeg/ThreadName.h"

namespace velatrace {
namespace {

// Sound is written this far ahead of the clock (the device's buffer holds about as much), and
// sound that the clock has left this far behind is skipped.
constexpr double kAudioLead = 0.1;
constexpr double kAudioLate = 0.2;
// How often a full sound device is asked again for room.
constexpr auto kAudioRetry = std::chrono::milliseconds(5);

MediaTime ToMediaTime(double seconds) {
    return MediaTime{std::llround(seconds * 1e6)};
}

}  // namespace

FfmpegClipPlayer::FfmpegClipPlayer(WakeHubPtr wake) : wake_(std::move(wake)) {}

FfmpegClipPlayer::~FfmpegClipPlayer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
    if (videoThread_.joinable())
        videoThread_.join();
    if (audioThread_.joinable())
        audioThread_.join();
}

MediaError FfmpegClipPlayer::Open(const char* path) {
    if (opened_)
        return MediaError::Unexpected;
    if (!path || !*path)
        return MediaError::InvalidArgument;
    const MediaError videoHr = video_.Open(path, AVMEDIA_TYPE_VIDEO);
    if (videoHr == MediaError::NotFound || videoHr == MediaError::Unsupported)
        return videoHr;
    if (Succeeded(videoHr)) {
        // The first picture is shown at once, so the pane and a grab have it before playing.
        AvFramePtr first;
        double time = 0.0;
        if (video_.Next(&first, &time) == MediaError::None) {
            hasVideo_ = true;
            width_ = video_.Codec()->width > 0 ? video_.Codec()->width : first->width;
            height_ = video_.Codec()->height > 0 ? video_.Codec()->height : first->height;
            frameTime_ = video_.FrameTime();
            duration_ = video_.Duration();
            seekable_ = video_.Seekable();
            Present(std::move(first), time);
        }
    }
    // Sound without an output device still counts: the clip plays silently on its clock.
    const MediaError audioHr = OpenAudio(path);
    if (!hasVideo_ && Failed(audioHr) && audioHr != MediaError::NotOffered)
        return MediaError::CannotPlay;
    path_ = path;
    opened_ = true;
    videoThread_ = std::thread([this] { VideoLoop(); });
    if (hasAudio_)
        audioThread_ = std::thread([this] { AudioLoop(); });
    return MediaError::None;
}

// Opens the sound stream. MediaError::NotOffered when the file has sound but the machine plays
// none: the clip then plays silently (and a file of sound alone still runs on its clock).
MediaError FfmpegClipPlayer::OpenAudio(const std::string& path) {
    const MediaError hr = audio_.Open(path, AVMEDIA_TYPE_AUDIO);
    if (Failed(hr))
        return hr;
    const AVCodecContext* c = audio_.Codec();
    duration_ = std::max(duration_, audio_.Duration());
    if (!hasVideo_)
        seekable_ = audio_.Seekable();
    outChannels_ = std::clamp(c->ch_layout.nb_channels, 1, 2);
    if (Failed(output_.Open(c->sample_rate, outChannels_)))
        return MediaError::NotOffered;
    hasAudio_ = true;
    return MediaError::None;
}

ClipInfo FfmpegClipPlayer::Info() const {
    ClipInfo info;
    info.hasVideo = hasVideo_;
    info.hasAudio = hasAudio_;
    info.seekable = seekable_;
    info.width = hasVideo_ ? width_ : 0;
    info.height = hasVideo_ ? height_ : 0;
    info.frameTime = hasVideo_ && frameTime_ > 0 ? ToMediaTime(frameTime_) : MediaTime{0};
    info.duration = duration_ > 0 ? ToMediaTime(duration_) : MediaTime{0};
    return info;
}

MediaError FfmpegClipPlayer::SetVolume(int32_t volume) {
    if (!hasAudio_)
        return MediaError::NotOffered;
    volume_ = std::clamp(volume, kVolumeSilent, kVolumeFull);
    return MediaError::None;
}

double FfmpegClipPlayer::PositionLocked() const {
    if (state_ != ClockState::Running || reachedEnd_)
        return position_;
    const double elapsed = std::chrono::duration<double>(Clock::now() - anchorWall_).count();
    const double p = position_ + elapsed;
    return duration_ > 0 ? std::min(p, duration_) : p;
}

StopSignal::Clock::time_point FfmpegClipPlayer::WallTimeLocked(double position) const {
    return anchorWall_ + std::chrono::duration_cast<Clock::duration>(
                             std::chrono::duration<double>(position - position_));
}

MediaError FfmpegClipPlayer::ChangeState(ClockState state) {
    if (!opened_)
        return MediaError::NotReady;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state == state_)
            return MediaError::None;
        position_ = PositionLocked();
        anchorWall_ = Clock::now();
        state_ = state;
        ++commands_;
    }
    cv_.notify_all();
    return MediaError::None;
}

MediaError FfmpegClipPlayer::Play() {
    return ChangeState(ClockState::Running);
}
MediaError FfmpegClipPlayer::Pause() {
    return ChangeState(ClockState::Paused);
}

MediaTime FfmpegClipPlayer::Position() {
    if (!opened_)
        return MediaTime{0};
    std::lock_guard<std::mutex> lock(mutex_);
    return ToMediaTime(PositionLocked());
}

MediaError FfmpegClipPlayer::Seek(MediaTime position) {
    if (!opened_)
        return MediaError::NotReady;
    double target = static_cast<double>(std::max<int64_t>(position.count(), 0)) / 1e6;
    if (duration_ > 0)
        target = std::min(target, duration_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        position_ = target;
        anchorWall_ = Clock::now();
        seekTarget_ = target;
        reachedEnd_ = false;
        ++seeks_;
        ++commands_;
    }
    cv_.notify_all();
    return MediaError::None;
}

bool FfmpegClipPlayer::ReachedEnd() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reachedEnd_;
}

MediaError FfmpegClipPlayer::Grab(StillImage* still) {
    if (!hasVideo_)
        return MediaError::NotConnected;
    if (!still)
        return MediaError::MissingObject;
    AvFramePtr frame;
    {
        std::lock_guard<std::mutex> lock(shownMutex_);
        if (shown_)
            frame = RefFrame(shown_.get());
    }
    if (!frame)
        return MediaError::NotReady;
    if (!ConvertToStill(grabConverter_, frame.get(), width_, height_, still))
        return MediaError::Failed;
    return MediaError::None;
}

void FfmpegClipPlayer::Present(AvFramePtr frame, double time) {
    VideoFrame out = mailbox_.AcquireBuffer();
    out.width = width_;
    out.height = height_;
    out.stride = width_ * 4;
    out.pixels.resize(static_cast<size_t>(out.stride) * static_cast<size_t>(out.height));
    uint8_t* planes[4] = {out.pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {out.stride, 0, 0, 0};
    if (!paneConverter_.Convert(frame.get(), AV_PIX_FMT_BGRA, width_, height_, planes, strides)) {
        return;
    }
    out.timestamp = ToMediaTime(time);
    {
        std::lock_guard<std::mutex> lock(shownMutex_);
        shown_ = std::move(frame);
    }
    mailbox_.Put(std::move(out));
    wake_->Wake();
}

void FfmpegClipPlayer::ReportReadError(const ClipDecoder& decoder) {
    const int error = decoder.ReadError();
    if (error == 0 || readErrorReported_.exchange(true))
        return;
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, reason, sizeof reason);
    errors_.Post(StreamErrorSource::Playback, MediaError::Failed, "Cannot read %s: %s",
                 path_.c_str(), reason);
    wake_->Wake();
}

void FfmpegClipPlayer::VideoLoop() {
    NameThisThread("vt-video");
    uint64_t seenSeeks = 0;
    AvFramePtr next;
    double nextTime = 0.0;
    bool videoEnded = !hasVideo_;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        if (seeks_ != seenSeeks) {
            seenSeeks = seeks_;
            const double target = seekTarget_;
            next.reset();
            videoEnded = !hasVideo_;
            if (hasVideo_) {
                lock.unlock();
                AvFramePtr frame;
                double time = 0.0;
                if (video_.SeekTo(target, &frame, &time) == MediaError::None)
                    Present(std::move(frame), time);
                ReportReadError(video_);
                lock.lock();
                // Playing goes on from the target once its picture is up.
                if (seeks_ == seenSeeks)
                    anchorWall_ = Clock::now();
            }
            continue;
        }
        if (state_ != ClockState::Running || reachedEnd_) {
            cv_.wait(lock);
            continue;
        }
        if (!next && !videoEnded) {
            lock.unlock();
            const MediaError hr = video_.Next(&next, &nextTime);
            if (hr != MediaError::None)
                ReportReadError(video_);
            lock.lock();
            if (hr != MediaError::None) {
                next.reset();
                videoEnded = true;
            }
            continue;
        }
        // The next picture when its time comes; after the last one, the end of the clip.
        const double due = next ? nextTime : std::max(duration_, position_);
        const auto wall = WallTimeLocked(due);
        if (Clock::now() < wall) {
            const uint64_t seen = commands_;
            cv_.wait_until(lock, wall, [&] { return quit_ || commands_ != seen; });
            continue;
        }
        if (next) {
            lock.unlock();
            Present(std::move(next), nextTime);
            lock.lock();
            next.reset();
            continue;
        }
        position_ = std::max(duration_, position_);
        reachedEnd_ = true;
        lock.unlock();
        wake_->Wake();
        lock.lock();
    }
}

void FfmpegClipPlayer::AudioLoop() {
    NameThisThread("vt-audio");
    uint64_t seenSeeks = 0;
    AvFramePtr chunk;
    double chunkTime = 0.0;
    bool ended = false;
    bool quiet = true;  // nothing written since the last flush
    std::vector<int16_t> pcm;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        if (seeks_ != seenSeeks) {
            seenSeeks = seeks_;
            const double target = seekTarget_;
            chunk.reset();
            ended = false;
            lock.unlock();
            output_.Flush();
            quiet = true;
            AvFramePtr f;
            double t = 0.0;
            if (audio_.SeekTo(target, &f, &t) == MediaError::None) {
                chunk = std::move(f);
                chunkTime = t;
            }
            ReportReadError(audio_);
            lock.lock();
            continue;
        }
        if (state_ != ClockState::Running || reachedEnd_ || ended) {
            if (!quiet) {
                // Paused or stopped: silence now rather than when the device's buffer runs dry.
                quiet = true;
                lock.unlock();
                output_.Flush();
                lock.lock();
                continue;
            }
            cv_.wait(lock);
            continue;
        }
        if (!chunk) {
            lock.unlock();
            const MediaError hr = audio_.Next(&chunk, &chunkTime);
            if (hr != MediaError::None)
                ReportReadError(audio_);
            lock.lock();
            if (hr != MediaError::None) {
                chunk.reset();
                ended = true;
            }
            continue;
        }
        const double position = PositionLocked();
        const double length = chunk->sample_rate > 0
                                  ? static_cast<double>(chunk->nb_samples) / chunk->sample_rate
                                  : 0.0;
        if (chunkTime + length < position - kAudioLate) {
            chunk.reset();  // fell behind the clock (a slow device): skip to catch up
            continue;
        }
        if (chunkTime - kAudioLead > position) {
            const uint64_t seen = commands_;
            cv_.wait_until(lock, WallTimeLocked(chunkTime - kAudioLead),
                           [&] { return quit_ || commands_ != seen; });
            continue;
        }
        AvFramePtr playing = std::move(chunk);
        const uint64_t seen = commands_;
        lock.unlock();
        const int frames = ConvertAudio(playing.get(), &pcm);
        lock.lock();
        // The device takes the sound when it has room; a command meanwhile (pause, seek, close)
        // drops it, so stale sound is never heard.
        while (frames > 0 && !quit_ && commands_ == seen) {
            lock.unlock();
            const MediaError hr = output_.Write(pcm.data(), frames);
            lock.lock();
            if (hr != MediaError::Nothing) {
                quiet = quiet && Failed(hr);
                break;
            }
            cv_.wait_for(lock, kAudioRetry, [&] { return quit_ || commands_ != seen; });
        }
    }
}

int FfmpegClipPlayer::ConvertAudio(const AVFrame* chunk, std::vector<int16_t>* pcm) {
    if (!resampler_) {
        AVChannelLayout in{};
        if (chunk->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
            chunk->ch_layout.nb_channels == 0) {
            av_channel_layout_default(&in, std::max(chunk->ch_layout.nb_channels, 1));
        } else if (av_channel_layout_copy(&in, &chunk->ch_layout) < 0) {
            return 0;
        }
        AVChannelLayout out{};
        av_channel_layout_default(&out, outChannels_);
        SwrContext* swr = nullptr;
        const int r = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, chunk->sample_rate, &in,
                                          static_cast<AVSampleFormat>(chunk->format),
                                          chunk->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        resampler_.reset(swr);
        if (r < 0 || !swr || swr_init(swr) < 0) {
            resampler_.reset();
            return 0;
        }
    }
    const int capacity = swr_get_out_samples(resampler_.get(), chunk->nb_samples);
    if (capacity <= 0)
        return 0;
    pcm->resize(static_cast<size_t>(capacity) * static_cast<size_t>(outChannels_));
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(pcm->data())};
    const int frames =
        swr_convert(resampler_.get(), out, capacity,
                    const_cast<const uint8_t**>(chunk->extended_data), chunk->nb_samples);
    if (frames <= 0)
        return 0;
    const int32_t volume = volume_.load();
    if (volume <= kVolumeSilent) {
        std::fill(pcm->begin(), pcm->end(), int16_t{0});
    } else if (volume < kVolumeFull) {
        const double gain = std::pow(10.0, volume / 2000.0);  // hundredths of a decibel
        for (int16_t& s : *pcm)
            s = static_cast<int16_t>(std::lround(s * gain));
    }
    return frames;
}

}  // namespace velatrace
