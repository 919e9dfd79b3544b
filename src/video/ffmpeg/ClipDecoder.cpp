#include "video/ffmpeg/ClipDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "video/ffmpeg/ClipIndex.h"

namespace velatrace {

MediaError ClipDecoder::Open(const std::string& path, AVMediaType type) {
    AVFormatContext* ctx = nullptr;
    const int r = avformat_open_input(&ctx, path.c_str(), nullptr, nullptr);
    if (r < 0) {
        return r == AVERROR(ENOENT) || r == AVERROR(EACCES) ? MediaError::NotFound
                                                            : MediaError::Unsupported;
    }
    input_.reset(ctx);
    if (avformat_find_stream_info(ctx, nullptr) < 0)
        return MediaError::Unsupported;
    const AVCodec* codec = nullptr;
    index_ = av_find_best_stream(ctx, type, -1, -1, &codec, 0);
    if (index_ < 0 || !codec)
        return MediaError::CannotPlay;
    stream_ = ctx->streams[index_];
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (static_cast<int>(i) != index_)
            ctx->streams[i]->discard = AVDISCARD_ALL;
    }
    timeBase_ = stream_->time_base;
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), stream_->codecpar) < 0) {
        return MediaError::OutOfMemory;
    }
    decoder_->thread_count = 1;
    decoder_->pkt_timebase = timeBase_;
    if (avcodec_open2(decoder_.get(), codec, nullptr) < 0)
        return MediaError::CannotPlay;
    packet_ = MakePacket();
    if (!packet_)
        return MediaError::OutOfMemory;

    startPts_ = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
    int64_t end = AV_NOPTS_VALUE;
    if (NeedsIndexScan(ctx, index_)) {
        end = ScanPackets(ctx, index_);
        if (end > startPts_)
            stream_->duration = end - startPts_;
    }
    if (end > startPts_) {
        duration_ = static_cast<double>(end - startPts_) * av_q2d(timeBase_);
    } else if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) {
        duration_ = static_cast<double>(stream_->duration) * av_q2d(timeBase_);
    } else if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0) {
        duration_ = static_cast<double>(ctx->duration) / AV_TIME_BASE;
    }
    if (type == AVMEDIA_TYPE_VIDEO) {
        const AVRational rate =
            stream_->avg_frame_rate.num > 0 ? stream_->avg_frame_rate : stream_->r_frame_rate;
        if (rate.num > 0 && rate.den > 0)
            frameTime_ = av_q2d(av_inv_q(rate));
    }
    seekable_ = duration_ > 0 && ctx->pb && (ctx->pb->seekable & AVIO_SEEKABLE_NORMAL);
    return MediaError::None;
}

double ClipDecoder::TimeOf(const AVFrame* f) {
    const int64_t ts =
        f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
    if (ts == AV_NOPTS_VALUE) {
        return lastTime_ < 0 ? 0.0 : lastTime_ + std::max(frameTime_, 1e-3);
    }
    return static_cast<double>(ts - startPts_) * av_q2d(timeBase_);
}

MediaError ClipDecoder::Decode(AvFramePtr* frame, double* time) {
    AvFramePtr f = MakeFrame();
    if (!f)
        return MediaError::OutOfMemory;
    for (;;) {
        int r = avcodec_receive_frame(decoder_.get(), f.get());
        if (r >= 0) {
            *time = TimeOf(f.get());
            lastTime_ = *time;
            *frame = std::move(f);
            return MediaError::None;
        }
        if (r == AVERROR_EOF)
            return MediaError::Nothing;
        if (r != AVERROR(EAGAIN))
            return MediaError::Failed;
        if (drained_)
            return MediaError::Nothing;
        r = av_read_frame(input_.get(), packet_.get());
        if (r < 0) {
            // End of file, or a file cut short: what was read is played to its end. A read that
            // failed (the reader then also says "end of file") is kept for the graph to report.
            const AVIOContext* pb = input_->pb;
            if (pb && pb->error < 0 && pb->error != AVERROR_EOF && readError_ == 0)
                readError_ = pb->error;
            drained_ = true;
            avcodec_send_packet(decoder_.get(), nullptr);
            continue;
        }
        // An empty packet is a frame the writer left out (the picture before it stays); a
        // damaged packet is skipped and the decoder goes on with the next one.
        if (packet_->stream_index == index_ && packet_->size > 0) {
            avcodec_send_packet(decoder_.get(), packet_.get());
        }
        av_packet_unref(packet_.get());
    }
}

MediaError ClipDecoder::Next(AvFramePtr* frame, double* time) {
    if (!decoder_)
        return MediaError::NotReady;
    if (pending_) {
        *frame = std::move(pending_);
        *time = pendingTime_;
        return MediaError::None;
    }
    return Decode(frame, time);
}

MediaError ClipDecoder::Reposition(int64_t timestamp, int64_t latest) {
    // The key frame at or before the timestamp, as near as the file's reader can find it.
    int r = avformat_seek_file(input_.get(), index_, INT64_MIN, timestamp, latest, 0);
    if (r < 0)
        r = av_seek_frame(input_.get(), index_, timestamp, AVSEEK_FLAG_BACKWARD);
    if (r < 0)
        return MediaError::Failed;
    avcodec_flush_buffers(decoder_.get());
    drained_ = false;
    lastTime_ = -1.0;
    return MediaError::None;
}

MediaError ClipDecoder::SeekTo(double time, AvFramePtr* frame, double* frameTime) {
    if (!decoder_)
        return MediaError::NotReady;
    pending_.reset();
    time = std::max(time, 0.0);
    // A small tolerance, so rounding in a time converted from microseconds still finds the frame
    // that starts exactly there.
    const double limit = time + 1e-6;
    const double tick = av_q2d(timeBase_);
    // Readers that seek by packet time (MPEG program streams) may land after the key frame the
    // target needs, so the first picture decoded comes after the target: then start earlier.
    AvFramePtr shown;
    double shownTime = 0.0;
    for (const double back : {0.0, 0.5, 1.0, 2.0, 4.0, 8.0, -1.0}) {
        const bool fromStart = back < 0 || time - back <= 0;
        MediaError moved;
        if (fromStart) {
            // Aiming before the first frame: readers that search by packet time then start at
            // the first packet (the first frame's packet time can lie before its showing time),
            // while indexed readers go to their first entry.
            const int64_t margin = static_cast<int64_t>(10.0 / tick);
            moved = Reposition(startPts_ > INT64_MIN + margin ? startPts_ - margin : startPts_,
                               startPts_);
        } else {
            const int64_t ts = startPts_ + static_cast<int64_t>((time - back) / tick);
            moved = Reposition(ts, ts);
        }
        if (Failed(moved)) {
            if (fromStart)
                return MediaError::Failed;
            continue;
        }
        const MediaError hr = Decode(&shown, &shownTime);
        if (hr != MediaError::None) {
            if (fromStart)
                return MediaError::Nothing;
            continue;
        }
        if (shownTime <= limit || fromStart)
            break;
        shown.reset();
    }
    if (!shown)
        return MediaError::Nothing;
    // Decode on to the last picture starting at or before the target; the one after it waits.
    while (shownTime <= limit) {
        AvFramePtr f;
        double t = 0.0;
        if (Decode(&f, &t) != MediaError::None)
            break;  // the end: the last picture stays
        if (t > limit) {
            pending_ = std::move(f);
            pendingTime_ = t;
            break;
        }
        shown = std::move(f);
        shownTime = t;
    }
    *frame = std::move(shown);
    *frameTime = shownTime;
    return MediaError::None;
}

}  // namespace velatrace
