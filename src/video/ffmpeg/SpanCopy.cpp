// Copy of a span of a clip: its packets read and written again with their times moved to the
// span's start, from the key frame at or before the in point, so nothing is coded again.
#include "video/ffmpeg/SpanCopy.h"

#include <algorithm>
#include <vector>

#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/ExportWorker.h"

namespace velatrace {

namespace {

struct AvOutputFree {
    void operator()(AVFormatContext* f) const {
        if (f->pb != nullptr && !(f->oformat->flags & AVFMT_NOFILE)) {
            avio_closep(&f->pb);
        }
        avformat_free_context(f);
    }
};
using AvOutputPtr = std::unique_ptr<AVFormatContext, AvOutputFree>;

int64_t ToStream(MediaTime t, AVRational base) {
    return av_rescale_q(t.count(), AVRational{1, 1000000}, base);
}

class SpanCopier : ExportSteps {
  public:
    SpanCopier(ExportWorker& job, ExportResult& result, const ExportSpan& span)
        : ExportSteps(job, result, span) {}

    void Run() {
        if (!OpenSource() || !OpenTarget()) {
            return;
        }
        Copy();
    }

  private:
    bool OpenSource() {
        AVFormatContext* raw = nullptr;
        int r = avformat_open_input(&raw, span_.source.c_str(), nullptr, nullptr);
        if (r < 0) {
            return Fail(MediaError::NotFound, "Cannot read " + span_.source, r);
        }
        in_.reset(raw);
        if ((r = avformat_find_stream_info(raw, nullptr)) < 0) {
            return Fail(MediaError::Unsupported, "Cannot read " + span_.source, r);
        }
        video_ = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video_ < 0) {
            return Fail(MediaError::CannotPlay, "No picture in " + span_.source, video_);
        }
        return true;
    }

    bool OpenTarget() {
        AVFormatContext* raw = nullptr;
        // The kind of file comes from the target's name, not from the temporary one.
        int r = avformat_alloc_output_context2(&raw, nullptr, nullptr, span_.target.c_str());
        if (r < 0 || raw == nullptr) {
            return Fail(MediaError::Unsupported, "Cannot make " + span_.target, r);
        }
        out_.reset(raw);
        map_.assign(in_->nb_streams, -1);
        for (unsigned i = 0; i < in_->nb_streams; ++i) {
            const AVStream* from = in_->streams[i];
            const AVMediaType type = from->codecpar->codec_type;
            if (static_cast<int>(i) != video_ && type != AVMEDIA_TYPE_AUDIO) {
                continue;
            }
            AVStream* to = avformat_new_stream(raw, nullptr);
            if (to == nullptr || (r = avcodec_parameters_copy(to->codecpar, from->codecpar)) < 0) {
                return Fail(MediaError::OutOfMemory, "Cannot make " + span_.target,
                            to == nullptr ? AVERROR(ENOMEM) : r);
            }
            if (avformat_query_codec(raw->oformat, from->codecpar->codec_id,
                                     static_cast<int>(from->codecpar->codec_tag)) != 1) {
                to->codecpar->codec_tag = 0;
            }
            to->time_base = from->time_base;
            to->avg_frame_rate = from->avg_frame_rate;
            to->r_frame_rate = from->r_frame_rate;
            map_[i] = to->index;
        }
        if ((r = avio_open(&raw->pb, job_.TempPath().c_str(), AVIO_FLAG_WRITE)) < 0) {
            return WriteFailed(r);
        }
        if ((r = avformat_write_header(raw, nullptr)) < 0) {
            return WriteFailed(r);
        }
        return true;
    }

    // Writes a packet of the span with its times counted from the span's first frame.
    bool Write(AVPacket* packet) {
        const AVStream* from = in_->streams[packet->stream_index];
        const int64_t shift =
            av_rescale_q(startPts_, in_->streams[video_]->time_base, from->time_base);
        if (packet->pts != AV_NOPTS_VALUE) {
            packet->pts -= shift;
        }
        if (packet->dts != AV_NOPTS_VALUE) {
            packet->dts -= shift;
        }
        if ((packet->dts != AV_NOPTS_VALUE && packet->dts < 0) ||
            (packet->pts != AV_NOPTS_VALUE && packet->pts < 0)) {
            return true;  // sound from before the first frame
        }
        const bool picture = packet->stream_index == video_;
        const int index = map_[packet->stream_index];
        av_packet_rescale_ts(packet, from->time_base, out_->streams[index]->time_base);
        packet->stream_index = index;
        packet->pos = -1;
        const int r = av_interleaved_write_frame(out_.get(), packet);
        if (r < 0) {
            return WriteFailed(r);
        }
        if (picture) {
            ++result_.frames;
        }
        return true;
    }

    void Copy() {
        const AVStream* video = in_->streams[video_];
        const int64_t zero = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
        const int64_t inTs = zero + ToStream(span_.in, video->time_base);
        const int64_t outTs = zero + ToStream(span_.out, video->time_base);
        av_seek_frame(in_.get(), video_, inTs, AVSEEK_FLAG_BACKWARD);

        AvPacketPtr packet = MakePacket();
        // Packets from the newest key frame at or before the in point, held until a picture past
        // the in point shows that no later key frame can start the span.
        std::vector<AvPacketPtr> held;
        bool started = false;
        bool haveKey = false;
        int r = 0;
        while (!job_.Cancelled() && (r = av_read_frame(in_.get(), packet.get())) >= 0) {
            const int stream = packet->stream_index;
            if (map_[stream] < 0) {
                av_packet_unref(packet.get());
                continue;
            }
            const bool picture = stream == video_;
            const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (picture && pts != AV_NOPTS_VALUE && pts >= outTs) {
                av_packet_unref(packet.get());
                break;
            }
            if (!started) {
                if (picture && (packet->flags & AV_PKT_FLAG_KEY) && pts <= inTs) {
                    held.clear();
                    startPts_ = pts;
                    haveKey = true;
                } else if (picture && pts > inTs && haveKey) {
                    started = true;
                    for (AvPacketPtr& p : held) {
                        if (!Write(p.get())) {
                            return;
                        }
                    }
                    held.clear();
                } else if (picture && pts > inTs) {
                    // No key frame before the in point: the span starts at the first one after.
                    if (!(packet->flags & AV_PKT_FLAG_KEY)) {
                        av_packet_unref(packet.get());
                        continue;
                    }
                    startPts_ = pts;
                    started = haveKey = true;
                }
                if (!started) {
                    if (haveKey) {
                        held.push_back(RefPacket(packet.get()));
                    }
                    av_packet_unref(packet.get());
                    continue;
                }
            }
            if (picture && outTs > startPts_) {
                job_.SetProgress(static_cast<int32_t>(
                    std::clamp<int64_t>((pts - startPts_) * 1000 / (outTs - startPts_), 0, 999)));
            }
            const bool ok = Write(packet.get());
            av_packet_unref(packet.get());
            if (!ok) {
                return;
            }
        }
        if (r < 0 && r != AVERROR_EOF) {
            Fail(MediaError::Failed, "Cannot read " + span_.source, r);
            return;
        }
        for (AvPacketPtr& p : held) {  // the span ends before a second picture
            if (!Write(p.get())) {
                return;
            }
        }
        if (result_.frames == 0) {
            result_.text = "The span holds no picture";
            result_.error = MediaError::NotFound;
            return;
        }
        result_.firstAt =
            MediaTime{av_rescale_q(startPts_ - zero, video->time_base, AVRational{1, 1000000})};
        if ((r = av_write_trailer(out_.get())) < 0 || (r = out_->pb->error) < 0) {
            WriteFailed(r);
            return;
        }
        if ((r = avio_closep(&out_->pb)) < 0) {
            WriteFailed(r);
        }
    }

    AvInputPtr in_;
    AvOutputPtr out_;
    std::vector<int> map_;
    int video_ = -1;
    int64_t startPts_ = 0;
};

}  // namespace

MediaError StartSpanCopyJob(const ExportSpan& span, std::unique_ptr<ExportJob>* job) {
    if (job == nullptr) {
        return MediaError::MissingObject;
    }
    if (span.out <= span.in || span.source.empty() || span.target.empty()) {
        return MediaError::InvalidArgument;
    }
    auto worker = std::make_unique<ExportWorker>(span.target, "vt-export");
    worker->Start(
        [span](ExportWorker& self, ExportResult& result) { SpanCopier(self, result, span).Run(); });
    *job = std::move(worker);
    return MediaError::None;
}

}  // namespace velatrace
