#include "video/ffmpeg/ClipIndex.h"

#include <algorithm>
#include <cstring>

namespace velatrace {

bool NeedsIndexScan(const AVFormatContext* input, int stream) {
    if (!input || stream < 0 || !input->pb || !(input->pb->seekable & AVIO_SEEKABLE_NORMAL)) {
        return false;
    }
    if (!input->iformat || std::strcmp(input->iformat->name, "avi") != 0)
        return false;
    const AVStream* st = input->streams[stream];
    const bool noLength = input->duration == AV_NOPTS_VALUE || input->duration <= 0 ||
                          st->duration == AV_NOPTS_VALUE || st->duration <= 0;
    // A complete AVI indexes every frame; a cut one holds at most the frame the header read
    // touched.
    const bool noIndex = avformat_index_get_entries_count(st) <= 1;
    return noLength || noIndex;
}

int64_t ScanPackets(AVFormatContext* input, int stream) {
    AvPacketPtr packet = MakePacket();
    if (!packet)
        return -1;
    AVStream* st = input->streams[stream];
    int64_t end = -1;
    while (av_read_frame(input, packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (ts != AV_NOPTS_VALUE) {
                end = std::max(end, ts + std::max<int64_t>(packet->duration, 1));
            }
        }
        av_packet_unref(packet.get());
    }
    const int64_t first = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    avformat_seek_file(input, stream, INT64_MIN, first, first, 0);
    return end;
}

}  // namespace velatrace
