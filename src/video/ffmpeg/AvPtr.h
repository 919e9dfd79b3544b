#pragma once
// Owning handles for FFmpeg objects, so every early return releases what was opened.
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace velatrace {

struct AvFrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvPacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AvCodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AvInputClose {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct AvFilterGraphFree {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using AvCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextFree>;
using AvInputPtr = std::unique_ptr<AVFormatContext, AvInputClose>;
using AvFilterGraphPtr = std::unique_ptr<AVFilterGraph, AvFilterGraphFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

inline AvFramePtr MakeFrame() {
    return AvFramePtr(av_frame_alloc());
}
inline AvPacketPtr MakePacket() {
    return AvPacketPtr(av_packet_alloc());
}

// A new reference to the same frame data, or null.
inline AvFramePtr RefFrame(const AVFrame* src) {
    AvFramePtr f = MakeFrame();
    if (f && av_frame_ref(f.get(), src) < 0)
        f.reset();
    return f;
}
inline AvPacketPtr RefPacket(const AVPacket* src) {
    AvPacketPtr p = MakePacket();
    if (p && av_packet_ref(p.get(), src) < 0)
        p.reset();
    return p;
}

}  // namespace velatrace
