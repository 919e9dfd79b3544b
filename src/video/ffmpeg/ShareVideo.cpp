// The shared video of a span: each picture of the clip decoded, composed by the caller (curves,
// time and values drawn with it), converted to YUV 4:2:0 and coded by libx264 into an MP4 whose
// index comes first, so a browser starts playing before the whole file has arrived.
#include <algorithm>
#include <cmath>

#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/ClipDecoder.h"
#include "video/ffmpeg/ExportWorker.h"
#include "video/ffmpeg/PictureConverter.h"
#include "video/ffmpeg/SpanCopy.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace velatrace {

namespace {

struct AvOutputFree {
    void operator()(AVFormatContext* f) const {
        avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
using AvOutputPtr = std::unique_ptr<AVFormatContext, AvOutputFree>;

constexpr int kFallbackRate = 25;  // frames per second of a clip that gives none

class ShareCoder : ExportSteps {
  public:
    ShareCoder(ExportWorker& job, ExportResult& result, const ExportSpan& span,
               const ShareVideoFormat& format)
        : ExportSteps(job, result, span), format_(format) {}

    void Run() {
        const MediaError opened = decoder_.Open(span_.source, AVMEDIA_TYPE_VIDEO);
        if (Failed(opened)) {
            result_.error = opened;
            result_.text = "Cannot read " + span_.source + ": " + ErrorText(opened);
            return;
        }
        if (!OpenEncoder() || !OpenTarget()) {
            return;
        }
        Code();
    }

  private:
    bool OpenEncoder() {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (codec == nullptr) {
            return Fail(MediaError::NotImplemented, "No H.264 encoder (libx264)",
                        AVERROR_ENCODER_NOT_FOUND);
        }
        width_ = format_.width & ~1;
        height_ = format_.height & ~1;
        if (width_ < 2 || height_ < 2) {
            return Fail(MediaError::InvalidArgument, "Cannot make " + span_.target,
                        AVERROR(EINVAL));
        }
        const double frameTime = decoder_.FrameTime();
        rate_ = frameTime > 0 ? av_d2q(1.0 / frameTime, 1001000) : AVRational{kFallbackRate, 1};
        frameTime_ = av_q2d(av_inv_q(rate_));
        enc_.reset(avcodec_alloc_context3(codec));
        if (!enc_) {
            return Fail(MediaError::OutOfMemory, "Cannot make " + span_.target, AVERROR(ENOMEM));
        }
        enc_->width = width_;
        enc_->height = height_;
        enc_->pix_fmt = AV_PIX_FMT_YUV420P;
        enc_->time_base = av_inv_q(rate_);
        enc_->framerate = rate_;
        enc_->gop_size = std::max(1, static_cast<int>(std::lround(2.0 / frameTime_)));
        enc_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set(enc_->priv_data, "preset", "veryfast", 0);
        av_opt_set(enc_->priv_data, "crf", "23", 0);
        const int r = avcodec_open2(enc_.get(), codec, nullptr);
        if (r < 0) {
            return Fail(MediaError::Failed, "Cannot start the H.264 encoder", r);
        }
        return true;
    }

    bool OpenTarget() {
        AVFormatContext* raw = nullptr;
        int r = avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr);
        if (r < 0 || raw == nullptr) {
            return Fail(MediaError::Unsupported, "Cannot make " + span_.target, r);
        }
        out_.reset(raw);
        // Moving the index to the front reads the file back by this name.
        raw->url = av_strdup(job_.TempPath().c_str());
        AVStream* stream = avformat_new_stream(raw, nullptr);
        if (stream == nullptr ||
            (r = avcodec_parameters_from_context(stream->codecpar, enc_.get())) < 0) {
            return Fail(MediaError::OutOfMemory, "Cannot make " + span_.target,
                        stream == nullptr ? AVERROR(ENOMEM) : r);
        }
        stream->time_base = enc_->time_base;
        stream->avg_frame_rate = rate_;
        if ((r = avio_open(&raw->pb, job_.TempPath().c_str(), AVIO_FLAG_WRITE)) < 0) {
            return WriteFailed(r);
        }
        AVDictionary* options = nullptr;
        av_dict_set(&options, "movflags", "+faststart", 0);
        r = avformat_write_header(raw, &options);
        av_dict_free(&options);
        return r < 0 ? WriteFailed(r) : true;
    }

    // Sends a picture (or, with null, the end) to the encoder and writes what comes out.
    bool Encode(const AVFrame* picture) {
        int r = avcodec_send_frame(enc_.get(), picture);
        if (r < 0) {
            return Fail(MediaError::Failed, "Cannot code the picture", r);
        }
        AvPacketPtr packet = MakePacket();
        while ((r = avcodec_receive_packet(enc_.get(), packet.get())) >= 0) {
            if (packet->duration == 0) {
                packet->duration = 1;
            }
            av_packet_rescale_ts(packet.get(), enc_->time_base, out_->streams[0]->time_base);
            packet->stream_index = 0;
            if ((r = av_interleaved_write_frame(out_.get(), packet.get())) < 0) {
                return WriteFailed(r);
            }
        }
        return r == AVERROR(EAGAIN) || r == AVERROR_EOF
                   ? true
                   : Fail(MediaError::Failed, "Cannot code the picture", r);
    }

    bool ComposeAndEncode(const AVFrame* decoded, double time) {
        picture_.width = decoded->width;
        picture_.height = decoded->height;
        picture_.stride = decoded->width * 4;
        picture_.timestamp = MediaTime{std::llround(time * 1e6)};
        picture_.pixels.resize(static_cast<size_t>(picture_.stride) * decoded->height);
        uint8_t* planes[4] = {picture_.pixels.data()};
        int strides[4] = {picture_.stride};
        if (!converter_.Convert(decoded, AV_PIX_FMT_BGR0, decoded->width, decoded->height, planes,
                                strides)) {
            return Fail(MediaError::Unsupported, "Cannot convert the picture", AVERROR(EINVAL));
        }
        canvas_.width = width_;
        canvas_.height = height_;
        canvas_.stride = width_ * 4;
        canvas_.timestamp = picture_.timestamp;
        canvas_.pixels.assign(static_cast<size_t>(canvas_.stride) * height_, 0);
        if (format_.compose) {
            format_.compose(picture_, picture_.timestamp, &canvas_);
        }
        if (!yuv_) {
            yuv_ = MakeFrame();
            yuv_->format = AV_PIX_FMT_YUV420P;
            yuv_->width = width_;
            yuv_->height = height_;
            if (av_frame_get_buffer(yuv_.get(), 0) < 0) {
                return Fail(MediaError::OutOfMemory, "Cannot code the picture", AVERROR(ENOMEM));
            }
            scaler_.reset(sws_getContext(width_, height_, AV_PIX_FMT_BGR0, width_, height_,
                                         AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
                                         nullptr));
            if (!scaler_) {
                return Fail(MediaError::Unsupported, "Cannot convert the picture", AVERROR(EINVAL));
            }
        }
        if (av_frame_make_writable(yuv_.get()) < 0) {
            return Fail(MediaError::OutOfMemory, "Cannot code the picture", AVERROR(ENOMEM));
        }
        const uint8_t* from[4] = {canvas_.pixels.data()};
        const int fromStride[4] = {canvas_.stride};
        sws_scale(scaler_.get(), from, fromStride, 0, height_, yuv_->data, yuv_->linesize);
        // Each picture at its own time on the output's frame grid, never two at one place.
        const int64_t pts = std::max(
            nextPts_, static_cast<int64_t>(std::llround((time - firstTime_) / frameTime_)));
        yuv_->pts = pts;
        nextPts_ = pts + 1;
        ++result_.frames;
        return Encode(yuv_.get());
    }

    void Code() {
        const double in = static_cast<double>(span_.in.count()) / 1e6;
        const double out = static_cast<double>(span_.out.count()) / 1e6;
        AvFramePtr frame;
        double time = 0;
        MediaError got = decoder_.SeekTo(in, &frame, &time);
        firstTime_ = time;
        result_.firstAt = MediaTime{std::llround(time * 1e6)};
        while (got == MediaError::None && time < out && !job_.Cancelled()) {
            if (!ComposeAndEncode(frame.get(), time)) {
                return;
            }
            job_.SetProgress(static_cast<int32_t>(std::clamp(
                (time - firstTime_) * 1000 / std::max(out - firstTime_, 1e-6), 0.0, 999.0)));
            got = decoder_.Next(&frame, &time);
        }
        if (job_.Cancelled()) {
            return;
        }
        if (Failed(got) || decoder_.ReadError() != 0) {
            Fail(MediaError::Failed, "Cannot read " + span_.source,
                 decoder_.ReadError() != 0 ? decoder_.ReadError() : AVERROR_INVALIDDATA);
            return;
        }
        if (result_.frames == 0) {
            result_.error = MediaError::NotFound;
            result_.text = "The span holds no picture";
            return;
        }
        if (!Encode(nullptr)) {
            return;
        }
        int r = av_write_trailer(out_.get());
        if (r < 0 || (r = out_->pb->error) < 0 || (r = avio_closep(&out_->pb)) < 0) {
            WriteFailed(r);
        }
    }

    const ShareVideoFormat& format_;
    ClipDecoder decoder_;
    PictureConverter converter_;
    AvCodecContextPtr enc_;
    AvOutputPtr out_;
    SwsPtr scaler_;
    AvFramePtr yuv_;
    VideoFrame picture_;
    VideoFrame canvas_;
    AVRational rate_{kFallbackRate, 1};
    double frameTime_ = 1.0 / kFallbackRate;
    double firstTime_ = 0;
    int64_t nextPts_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace

MediaError StartShareVideoJob(const ExportSpan& span, const ShareVideoFormat& format,
                              std::unique_ptr<ExportJob>* job) {
    if (job == nullptr) {
        return MediaError::MissingObject;
    }
    if (span.out <= span.in || span.source.empty() || span.target.empty() || format.width < 2 ||
        format.height < 2) {
        return MediaError::InvalidArgument;
    }
    auto worker = std::make_unique<ExportWorker>(span.target, "vt-share");
    worker->Start([span, format](ExportWorker& self, ExportResult& result) {
        ShareCoder(self, result, span, format).Run();
    });
    *job = std::move(worker);
    return MediaError::None;
}

}  // namespace velatrace
