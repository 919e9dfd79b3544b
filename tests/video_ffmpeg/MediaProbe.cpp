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

// A file opened for reading its video stream.
struct VideoInput {
    AVFormatContext* ctx = nullptr;
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int stream = -1;

    ~VideoInput() {
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
        avformat_close_input(&ctx);
    }
    // Opens the file and finds its video stream from its header, if the header names streams.
    bool Open(const std::string& path) {
        if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
            return false;
        stream = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        return true;
    }
    // Reads the first packets for the stream's parameters and opens its decoder.
    bool Prepare() {
        if (avformat_find_stream_info(ctx, nullptr) < 0)
            return false;
        stream = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0)
            return false;
        const AVCodecParameters* par = ctx->streams[stream]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        dec = codec ? avcodec_alloc_context3(codec) : nullptr;
        return dec && avcodec_parameters_to_context(dec, par) >= 0 &&
               avcodec_open2(dec, codec, nullptr) >= 0;
    }
};

}  // namespace

AviFacts ReadAviFacts(const std::string& path) {
    AviFacts facts;
    VideoInput in;
    if (!in.Open(path) || in.stream < 0)
        return facts;
    const AVStream* st = in.ctx->streams[in.stream];
    facts.indexEntries = avformat_index_get_entries_count(st);
    if (!in.Prepare())
        return facts;
    facts.opened = true;
    facts.codec = avcodec_get_name(st->codecpar->codec_id);
    facts.headerFrames = st->nb_frames;
    while (av_read_frame(in.ctx, in.pkt) >= 0) {
        if (in.pkt->stream_index == in.stream) {
            const int64_t pts = in.pkt->pts != AV_NOPTS_VALUE ? in.pkt->pts : in.pkt->dts;
            if (in.pkt->size > 0) {
                ++facts.pictures;
                facts.pictureBytes += in.pkt->size;
                if (avcodec_send_packet(in.dec, in.pkt) >= 0) {
                    while (avcodec_receive_frame(in.dec, in.frame) >= 0)
                        ++facts.decodedPictures;
                }
            }
            if (facts.firstPts < 0)
                facts.firstPts = pts;
            facts.lastPts = std::max(facts.lastPts, pts);
        }
        av_packet_unref(in.pkt);
    }
    return facts;
}

std::vector<uint8_t> ReferenceDib(const std::string& path, double seconds, int* width,
                                  int* height) {
    VideoInput in;
    if (!in.Open(path) || !in.Prepare())
        return {};
    const AVStream* st = in.ctx->streams[in.stream];
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    AVFrame* shown = av_frame_alloc();
    bool have = false;
    bool past = false;
    auto take = [&]() {
        while (!past && avcodec_receive_frame(in.dec, in.frame) >= 0) {
            const double t = (in.frame->best_effort_timestamp - start) * av_q2d(st->time_base);
            if (have && t > seconds + 1e-6) {
                past = true;
            } else {
                av_frame_unref(shown);
                av_frame_move_ref(shown, in.frame);
                have = true;
            }
            av_frame_unref(in.frame);
        }
    };
    while (!past && av_read_frame(in.ctx, in.pkt) >= 0) {
        if (in.pkt->stream_index == in.stream && in.pkt->size > 0 &&
            avcodec_send_packet(in.dec, in.pkt) >= 0) {
            take();
        }
        av_packet_unref(in.pkt);
    }
    if (!past) {
        avcodec_send_packet(in.dec, nullptr);
        take();
    }
    std::vector<uint8_t> dib;
    const int w = shown->width;
    const int h = shown->height;
    SwsContext* sws =
        have ? sws_getContext(w, h, static_cast<AVPixelFormat>(shown->format), w, h,
                              AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr)
             : nullptr;
    if (sws) {
        // Rows bottom-up: the converter starts at the last row and steps back.
        const int stride = ((w * 24 + 31) & ~31) / 8;
        dib.assign(static_cast<size_t>(stride) * h, 0);
        uint8_t* planes[4] = {dib.data() + static_cast<ptrdiff_t>(h - 1) * stride, nullptr, nullptr,
                              nullptr};
        const int strides[4] = {-stride, 0, 0, 0};
        sws_scale(sws, shown->data, shown->linesize, 0, h, planes, strides);
        sws_freeContext(sws);
        *width = w;
        *height = h;
    }
    av_frame_free(&shown);
    return dib;
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
