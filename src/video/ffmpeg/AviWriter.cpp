#include "video/ffmpeg/AviWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace velatrace {
namespace {

// Room kept for the header when the file is created, and for the chunks that close the file.
constexpr int64_t kHeaderRoom = 64 * 1024;
constexpr int64_t kClosingRoom = 4 * 1024;
// Bytes of index per frame: 16 in the index at the end of the first part, 8 in the OpenDML index
// of each part of a file past 1 GB.
constexpr int64_t kIndexBytesPerFrame = 24;
// The data rate the AVI header gives encoded captures (FFmpeg's default encoder rate, which the
// files always carried).
constexpr int64_t kEncodedBitRate = 200000;

}  // namespace

HResult WriteFailure(int averror) {
    if (IsDiskFull(averror))
        return kHrDiskFull;
    if (averror == AVERROR(ENOMEM))
        return kHrOutOfMemory;
    if (averror == AVERROR(EACCES) || averror == AVERROR(EPERM) || averror == AVERROR(EROFS))
        return kHrAccessDenied;
    return kHrFail;
}

AviWriter::~AviWriter() {
    Close();
}

HResult AviWriter::Fail(int averror) {
    if (error_ == 0)
        error_ = averror;
    if (Succeeded(writeError_))
        writeError_ = WriteFailure(averror);
    return writeError_;
}

std::string AviWriter::ErrorText() const {
    if (error_ == 0)
        return {};
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error_, text, sizeof text);
    return text;
}

HResult AviWriter::Open(const std::string& path, const AviVideoFormat& format) {
    Close();
    if (format.width <= 0 || format.height <= 0 || format.rate.num <= 0 || format.rate.den <= 0) {
        return kHrInvalidArg;
    }
    writeError_ = kHrOk;
    error_ = 0;
    damaged_ = false;
    lastIndex_ = -1;
    written_ = 0;
    goodEnd_ = 0;
    frameBase_ = av_inv_q(format.rate);
    if (avformat_alloc_output_context2(&output_, nullptr, "avi", path.c_str()) < 0 || !output_) {
        output_ = nullptr;
        Fail(AVERROR(ENOMEM));
        return kHrOutOfMemory;
    }
    stream_ = avformat_new_stream(output_, nullptr);
    packet_ = MakePacket();
    if (!stream_ || !packet_) {
        Discard();
        Fail(AVERROR(ENOMEM));
        return kHrOutOfMemory;
    }
    stream_->time_base = frameBase_;
    stream_->avg_frame_rate = format.rate;
    stream_->r_frame_rate = format.rate;
    // The camera's own JPEG frames or the encoder's: Motion-JPEG either way. The stream header is
    // the one FFmpeg's own MJPEG encoder gave these files, so every player takes them alike.
    AVCodecParameters* par = stream_->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_MJPEG;
    par->width = format.width;
    par->height = format.height;
    if (format.jpegPackets) {
        par->format = AV_PIX_FMT_YUVJ422P;  // what USB cameras send; informational only
    } else {
        par->format = AV_PIX_FMT_YUVJ420P;
        par->color_range = AVCOL_RANGE_JPEG;
        par->bit_rate = kEncodedBitRate;
    }
    int r = file_.Create(path);
    if (r < 0) {
        Discard();
        Fail(r);
        return kHrSharingViolation;
    }
    output_->pb = file_.Io();
    output_->flags |= AVFMT_FLAG_CUSTOM_IO;
    r = file_.Reserve(kHeaderRoom);
    if (r >= 0)
        r = avformat_write_header(output_, nullptr);
    if (r >= 0) {
        avio_flush(output_->pb);
        r = file_.WriteError();
    }
    if (r < 0) {
        // A file without even its header is of no use: it goes again.
        Discard();
        std::remove(path.c_str());
        return Fail(r);
    }
    goodEnd_ = avio_tell(output_->pb);
    return kHrOk;
}

HResult AviWriter::WriteJpeg(const AVPacket* jpeg, int64_t index) {
    if (!output_)
        return kHrWrongState;
    if (Failed(writeError_))
        return writeError_;
    if (index <= lastIndex_)
        return kHrInvalidArg;
    if (av_packet_ref(packet_.get(), jpeg) < 0)
        return kHrOutOfMemory;
    packet_->flags |= AV_PKT_FLAG_KEY;
    return Mux(packet_.get(), index);
}

HResult AviWriter::Mux(AVPacket* packet, int64_t index) {
    // Room first: the empty frames of a gap, this frame's chunk, and the index of every frame up
    // to it, so the index always fits after the last frame written.
    const int64_t gap = std::max<int64_t>(index - lastIndex_ - 1, 0);
    const int64_t need = avio_tell(output_->pb) + 8 * gap + 8 + packet->size + 1 +
                         kIndexBytesPerFrame * (index + 1) + kClosingRoom;
    int r = file_.Reserve(need);
    if (r < 0) {
        av_packet_unref(packet);
        return Fail(r);  // nothing of the frame was written
    }
    packet->stream_index = stream_->index;
    packet->pts = index;
    packet->dts = index;
    packet->duration = 1;
    av_packet_rescale_ts(packet, frameBase_, stream_->time_base);
    r = av_write_frame(output_, packet);
    av_packet_unref(packet);
    if (r >= 0) {
        avio_flush(output_->pb);
        r = file_.WriteError();
    }
    if (r < 0) {
        damaged_ = true;
        return Fail(r);
    }
    lastIndex_ = index;
    ++written_;
    goodEnd_ = avio_tell(output_->pb);
    return kHrOk;
}

HResult AviWriter::Close() {
    if (!output_)
        return kHrOk;
    HResult hr = writeError_;
    if (!damaged_) {
        int r = av_write_trailer(output_);
        if (r >= 0) {
            avio_flush(output_->pb);
            r = file_.WriteError();
        }
        if (r < 0) {
            damaged_ = true;
            hr = Succeeded(hr) ? Fail(r) : hr;
        }
    }
    // Without the index, the file ends after its last complete frame, as a file whose writer was
    // killed: players find the frames by reading through it.
    if (damaged_)
        file_.Truncate(goodEnd_);
    const int r = file_.Close();
    if (r < 0 && Succeeded(hr))
        hr = Fail(r);
    Discard();
    return hr;
}

void AviWriter::Discard() {
    if (output_) {
        output_->pb = nullptr;  // the file's own context, freed by the file
        avformat_free_context(output_);
    }
    output_ = nullptr;
    stream_ = nullptr;
    file_.Close();
}

}  // namespace velatrace
