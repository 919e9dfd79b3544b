#include "video/ffmpeg/AvDeviceSource.h"

#include <cstdio>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/time.h>
}

namespace velatrace {
namespace {

// How long a streaming camera may stay silent before it counts as gone (FailureReason says it).
constexpr auto kSilenceLimit = std::chrono::seconds(10);
constexpr auto kRetryPause = std::chrono::milliseconds(2);

const char* InputFormatName(const std::string& pixelFormat) {
    if (pixelFormat == "MJPG")
        return "mjpeg";
    if (pixelFormat == "YUYV")
        return "yuyv422";
    if (pixelFormat == "UYVY")
        return "uyvy422";
    if (pixelFormat == "NV12")
        return "nv12";
    if (pixelFormat == "YU12")
        return "yuv420p";
    if (pixelFormat == "RGB3")
        return "rgb24";
    if (pixelFormat == "BGR3")
        return "bgr24";
    if (pixelFormat == "GREY")
        return "gray";
    return nullptr;
}

class AvDeviceSource : public CameraSource {
  public:
    MediaError Open(const char* inputFormat, const std::string& url, const CameraMode& wanted) {
        const AVInputFormat* format = av_find_input_format(inputFormat);
        if (!format)
            return MediaError::NotOffered;
        AVDictionary* options = nullptr;
        char text[64];
        if (wanted.width > 0 && wanted.height > 0) {
            std::snprintf(text, sizeof text, "%dx%d", wanted.width, wanted.height);
            av_dict_set(&options, "video_size", text, 0);
        }
        if (wanted.rate.num > 0 && wanted.rate.den > 0) {
            std::snprintf(text, sizeof text, "%d/%d", wanted.rate.num, wanted.rate.den);
            av_dict_set(&options, "framerate", text, 0);
        }
        if (const char* pix = InputFormatName(wanted.pixelFormat)) {
            av_dict_set(&options, "input_format", pix, 0);
        }
        AVFormatContext* ctx = avformat_alloc_context();
        if (!ctx) {
            av_dict_free(&options);
            return MediaError::OutOfMemory;
        }
        // Non-blocking reads let the reading thread notice a stop request and a silent camera.
        ctx->flags |= AVFMT_FLAG_NONBLOCK;
        const int r = avformat_open_input(&ctx, url.c_str(), format, &options);
        av_dict_free(&options);
        // A camera another program streams from is busy, not gone; neither is a file problem.
        if (r < 0)
            return r == AVERROR(EBUSY) ? MediaError::AccessDenied : MediaError::DeviceGone;
        input_.reset(ctx);
        stream_ = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream_ < 0)
            return MediaError::NotOffered;
        const AVStream* st = ctx->streams[stream_];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        if (!codec)
            return MediaError::Unsupported;
        decoder_.reset(avcodec_alloc_context3(codec));
        if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), st->codecpar) < 0) {
            return MediaError::OutOfMemory;
        }
        decoder_->thread_count = 1;
        if (avcodec_open2(decoder_.get(), codec, nullptr) < 0)
            return MediaError::Unsupported;
        timeBase_ = st->time_base;
        jpeg_ = st->codecpar->codec_id == AV_CODEC_ID_MJPEG;
        mode_.width = st->codecpar->width;
        mode_.height = st->codecpar->height;
        mode_.rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : wanted.rate;
        mode_.pixelFormat = jpeg_ ? std::string("MJPG") : wanted.pixelFormat;
        packet_ = MakePacket();
        if (!packet_)
            return MediaError::OutOfMemory;
        lastFrame_ = StopSignal::Clock::now();
        return MediaError::None;
    }

    CameraMode Mode() const override { return mode_; }

    std::string FailureReason() const override { return failure_; }

    MediaError Read(CameraFrame* frame, StopSignal& stop) override {
        for (;;) {
            if (stop.Raised())
                return MediaError::Nothing;
            av_packet_unref(packet_.get());
            const int r = av_read_frame(input_.get(), packet_.get());
            if (r == AVERROR(EAGAIN)) {
                if (StopSignal::Clock::now() - lastFrame_ > kSilenceLimit) {
                    failure_ = "no frame for 10 seconds";
                    return MediaError::DeviceGone;
                }
                if (!stop.WaitFor(kRetryPause))
                    return MediaError::Nothing;
                continue;
            }
            if (r < 0) {
                char text[AV_ERROR_MAX_STRING_SIZE] = {};
                av_strerror(r, text, sizeof text);
                failure_ = text;
                return MediaError::DeviceGone;
            }
            if (packet_->stream_index != stream_)
                continue;
            lastFrame_ = StopSignal::Clock::now();
            AvFramePtr picture = Decode();
            if (!picture)
                continue;  // a damaged frame is skipped, as a renderer would
            frame->time = packet_->pts != AV_NOPTS_VALUE
                              ? static_cast<double>(packet_->pts) * av_q2d(timeBase_)
                              : static_cast<double>(av_gettime_relative()) / 1e6;
            frame->picture = std::move(picture);
            frame->jpeg.reset();
            if (jpeg_)
                frame->jpeg = RefPacket(packet_.get());
            return MediaError::None;
        }
    }

  private:
    AvFramePtr Decode() {
        if (avcodec_send_packet(decoder_.get(), packet_.get()) < 0)
            return nullptr;
        AvFramePtr f = MakeFrame();
        if (!f || avcodec_receive_frame(decoder_.get(), f.get()) < 0)
            return nullptr;
        return f;
    }

    AvInputPtr input_;
    AvCodecContextPtr decoder_;
    AvPacketPtr packet_;
    int stream_ = -1;
    AVRational timeBase_{1, 1000000};
    bool jpeg_ = false;
    CameraMode mode_;
    StopSignal::Clock::time_point lastFrame_;
    std::string failure_;
};

}  // namespace

MediaError OpenAvDeviceSource(const char* inputFormat, const std::string& url,
                              const CameraMode& mode, std::unique_ptr<CameraSource>* source) {
    avdevice_register_all();
    auto s = std::make_unique<AvDeviceSource>();
    const MediaError hr = s->Open(inputFormat, url, mode);
    if (Failed(hr))
        return hr;
    *source = std::move(s);
    return MediaError::None;
}

}  // namespace velatrace
