#include "video/ffmpeg/AudioOutput.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavdevice/avdevice.h>
}

namespace velatrace {

AudioOutput::~AudioOutput() {
    Close();
}

MediaError AudioOutput::Open(int sampleRate, int channels) {
    Close();
    if (sampleRate <= 0 || channels <= 0)
        return MediaError::InvalidArgument;
    const char* choice = std::getenv("VELATRACE_AUDIO");
    if (choice && std::strcmp(choice, "none") == 0)
        return MediaError::NotOffered;
    avdevice_register_all();
    if (Succeeded(OpenDevice("pulse", "", sampleRate, channels)))
        return MediaError::None;
#if defined(__linux__)
    // Without a sound card ALSA has nothing to open (and fills the console with complaints).
    std::error_code ec;
    if (!std::filesystem::exists("/dev/snd", ec))
        return MediaError::NotOffered;
#endif
    if (Succeeded(OpenDevice("alsa", "default", sampleRate, channels)))
        return MediaError::None;
    return MediaError::NotOffered;
}

MediaError AudioOutput::OpenDevice(const char* name, const char* url, int sampleRate,
                                   int channels) {
    const AVOutputFormat* format = av_guess_format(name, nullptr, nullptr);
    if (!format)
        return MediaError::NotOffered;
    AVFormatContext* ctx = nullptr;
    if (avformat_alloc_output_context2(&ctx, format, nullptr, url) < 0 || !ctx) {
        return MediaError::OutOfMemory;
    }
    AVStream* st = avformat_new_stream(ctx, nullptr);
    if (!st) {
        avformat_free_context(ctx);
        return MediaError::OutOfMemory;
    }
    st->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    st->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    st->codecpar->format = AV_SAMPLE_FMT_S16;
    st->codecpar->sample_rate = sampleRate;
    av_channel_layout_default(&st->codecpar->ch_layout, channels);
    st->time_base = AVRational{1, sampleRate};
    // Writes that would wait for room return at once, so the writing thread stays free to stop.
    ctx->flags |= AVFMT_FLAG_NONBLOCK;
    AVDictionary* options = nullptr;
    // A short device buffer keeps the sound close to the picture and makes pauses prompt.
    if (std::strcmp(name, "pulse") == 0)
        av_dict_set(&options, "buffer_duration", "100", 0);
    const int r = avformat_write_header(ctx, &options);
    av_dict_free(&options);
    if (r < 0) {
        avformat_free_context(ctx);
        return MediaError::NotOffered;
    }
    output_ = ctx;
    packet_ = MakePacket();
    channels_ = channels;
    written_ = 0;
    if (!packet_) {
        Close();
        return MediaError::OutOfMemory;
    }
    return MediaError::None;
}

MediaError AudioOutput::Write(const int16_t* samples, int frames) {
    if (!output_)
        return MediaError::NotReady;
    if (frames <= 0)
        return MediaError::None;
    const int bytes = frames * channels_ * 2;
    if (av_new_packet(packet_.get(), bytes) < 0)
        return MediaError::OutOfMemory;
    std::memcpy(packet_->data, samples, static_cast<size_t>(bytes));
    packet_->stream_index = 0;
    packet_->pts = written_;
    packet_->dts = written_;
    packet_->duration = frames;
    written_ += frames;
    const int r = av_write_frame(output_, packet_.get());
    av_packet_unref(packet_.get());
    // The muxer has taken this timestamp even when the device had no room; the next try gets a
    // later one (they only need to rise).
    if (r == AVERROR(EAGAIN))
        return MediaError::Nothing;
    return r < 0 ? MediaError::Failed : MediaError::None;
}

void AudioOutput::Flush() {
    if (output_)
        av_write_frame(output_, nullptr);
}

void AudioOutput::Close() {
    if (!output_)
        return;
    av_write_trailer(output_);
    avformat_free_context(output_);
    output_ = nullptr;
    packet_.reset();
}

}  // namespace velatrace
