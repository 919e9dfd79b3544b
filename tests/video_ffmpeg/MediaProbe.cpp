#include "MediaProbe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace velatrace::testing {
namespace {

struct Input {
    AVFormatContext* ctx = nullptr;
    ~Input() { avformat_close_input(&ctx); }
};
struct Decoder {
    AVCodecContext* ctx = nullptr;
    ~Decoder() { avcodec_free_context(&ctx); }
};
struct Packet {
    AVPacket* p = av_packet_alloc();
    ~Packet() { av_packet_free(&p); }
};
struct Frame {
    AVFrame* f = av_frame_alloc();
    ~Frame() { av_frame_free(&f); }
};

bool OpenDecoder(AVFormatContext* ctx, int stream, Decoder* dec) {
    const AVCodec* codec = avcodec_find_decoder(ctx->streams[stream]->codecpar->codec_id);
    if (!codec)
        return false;
    dec->ctx = avcodec_alloc_context3(codec);
    return dec->ctx &&
           avcodec_parameters_to_context(dec->ctx, ctx->streams[stream]->codecpar) >= 0 &&
           avcodec_open2(dec->ctx, codec, nullptr) >= 0;
}

}  // namespace

AviFacts ReadAviFacts(const std::string& path) {
    AviFacts facts;
    Input in;
    if (avformat_open_input(&in.ctx, path.c_str(), nullptr, nullptr) < 0)
        return facts;
    const int stream = av_find_best_stream(in.ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0)
        return facts;
    AVStream* st = in.ctx->streams[stream];
    facts.indexEntries = avformat_index_get_entries_count(st);
    if (avformat_find_stream_info(in.ctx, nullptr) < 0)
        return facts;
    facts.opened = true;
    facts.codec = avcodec_get_name(st->codecpar->codec_id);
    facts.width = st->codecpar->width;
    facts.height = st->codecpar->height;
    facts.rate = st->avg_frame_rate.num ? st->avg_frame_rate : st->r_frame_rate;
    facts.headerFrames = st->nb_frames;
    Decoder dec;
    const bool decoding = OpenDecoder(in.ctx, stream, &dec);
    Packet pkt;
    Frame frame;
    while (av_read_frame(in.ctx, pkt.p) >= 0) {
        if (pkt.p->stream_index == stream) {
            const int64_t pts = pkt.p->pts != AV_NOPTS_VALUE ? pkt.p->pts : pkt.p->dts;
            if (pkt.p->size > 0) {
                ++facts.pictures;
                facts.pictureBytes += pkt.p->size;
                if (decoding && avcodec_send_packet(dec.ctx, pkt.p) >= 0) {
                    while (avcodec_receive_frame(dec.ctx, frame.f) >= 0)
                        ++facts.decodedPictures;
                }
            }
            if (facts.firstPts < 0)
                facts.firstPts = pts;
            facts.lastPts = std::max(facts.lastPts, pts);
        }
        av_packet_unref(pkt.p);
    }
    return facts;
}

std::vector<uint8_t> ReferenceDib(const std::string& path, double seconds, int* width,
                                  int* height) {
    Input in;
    if (avformat_open_input(&in.ctx, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(in.ctx, nullptr) < 0) {
        return {};
    }
    const int stream = av_find_best_stream(in.ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    Decoder dec;
    if (stream < 0 || !OpenDecoder(in.ctx, stream, &dec))
        return {};
    const AVStream* st = in.ctx->streams[stream];
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    Packet pkt;
    Frame frame;
    Frame shown;
    bool have = false;
    bool past = false;
    auto take = [&]() {
        while (!past && avcodec_receive_frame(dec.ctx, frame.f) >= 0) {
            const double t = (frame.f->best_effort_timestamp - start) * av_q2d(st->time_base);
            if (have && t > seconds + 1e-6) {
                past = true;
            } else {
                av_frame_unref(shown.f);
                av_frame_move_ref(shown.f, frame.f);
                have = true;
            }
            av_frame_unref(frame.f);
        }
    };
    while (!past && av_read_frame(in.ctx, pkt.p) >= 0) {
        if (pkt.p->stream_index == stream && pkt.p->size > 0 &&
            avcodec_send_packet(dec.ctx, pkt.p) >= 0) {
            take();
        }
        av_packet_unref(pkt.p);
    }
    if (!past) {
        avcodec_send_packet(dec.ctx, nullptr);
        take();
    }
    if (!have)
        return {};
    const int w = shown.f->width;
    const int h = shown.f->height;
    const int stride = ((w * 24 + 31) & ~31) / 8;
    std::vector<uint8_t> top(static_cast<size_t>(stride) * h, 0);
    SwsContext* sws = sws_getContext(w, h, static_cast<AVPixelFormat>(shown.f->format), w, h,
                                     AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws)
        return {};
    uint8_t* planes[4] = {top.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    sws_scale(sws, shown.f->data, shown.f->linesize, 0, h, planes, strides);
    sws_freeContext(sws);
    std::vector<uint8_t> dib(top.size(), 0);
    for (int y = 0; y < h; ++y) {
        std::copy_n(top.begin() + static_cast<ptrdiff_t>(y) * stride, w * 3,
                    dib.begin() + static_cast<ptrdiff_t>(h - 1 - y) * stride);
    }
    *width = w;
    *height = h;
    return dib;
}

bool WriteCrashCutCopy(const std::string& source, const std::string& target, int frames) {
    Input in;
    if (avformat_open_input(&in.ctx, source.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(in.ctx, nullptr) < 0) {
        return false;
    }
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "avi", target.c_str()) < 0)
        return false;
    const AVStream* src = in.ctx->streams[0];
    AVStream* dst = avformat_new_stream(out, nullptr);
    bool ok = dst && avcodec_parameters_copy(dst->codecpar, src->codecpar) >= 0;
    if (ok) {
        dst->codecpar->codec_tag = 0;
        dst->time_base = src->time_base;
        dst->avg_frame_rate = src->avg_frame_rate;
        ok = avio_open(&out->pb, target.c_str(), AVIO_FLAG_WRITE) >= 0 &&
             avformat_write_header(out, nullptr) >= 0;
    }
    Packet pkt;
    for (int n = 0; ok && n < frames && av_read_frame(in.ctx, pkt.p) >= 0; ++n) {
        av_packet_rescale_ts(pkt.p, src->time_base, dst->time_base);
        pkt.p->stream_index = 0;
        ok = av_write_frame(out, pkt.p) >= 0;
        av_packet_unref(pkt.p);
    }
    // No trailer: the file ends the way a killed program leaves it.
    if (out->pb) {
        avio_flush(out->pb);
        avio_closep(&out->pb);
    }
    avformat_free_context(out);
    return ok;
}

double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty())
        return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int{a[i]} - int{b[i]});
    return sum / static_cast<double>(a.size());
}

}  // namespace velatrace::testing
