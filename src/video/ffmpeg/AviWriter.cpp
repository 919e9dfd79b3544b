#include "video/ffmpeg/AviWriter.h"

#include <cerrno>

namespace velatrace {

HResult WriteFailure(int averror) {
    if (averror == AVERROR(ENOSPC))
        return kHrDiskFull;
    if (averror == AVERROR(ENOMEM))
        return kHrOutOfMemory;
    return kHrFail;
}

AviWriter::~AviWriter() {
    Close();
}

HResult AviWriter::Open(const std::string& path, const AviVideoFormat& format) {
    Close();
    if (format.width <= 0 || format.height <= 0 || format.rate.num <= 0 || format.rate.den <= 0) {
        return kHrInvalidArg;
    }
    writeError_ = kHrOk;
    lastIndex_ = -1;
    written_ = 0;
    frameBase_ = av_inv_q(format.rate);
    if (avformat_alloc_output_context2(&output_, nullptr, "avi", path.c_str()) < 0 || !output_) {
        output_ = nullptr;
        return kHrOutOfMemory;
    }
    stream_ = avformat_new_stream(output_, nullptr);
    packet_ = MakePacket();
    if (!stream_ || !packet_) {
        Discard();
        return kHrOutOfMemory;
    }
    stream_->time_base = frameBase_;
    stream_->avg_frame_rate = format.rate;
    stream_->r_frame_rate = format.rate;
    if (format.jpegPackets) {
        AVCodecParameters* par = stream_->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_MJPEG;
        par->width = format.width;
        par->height = format.height;
        par->format = AV_PIX_FMT_YUVJ422P;  // what USB cameras send; informational only
    } else {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        encoder_.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!encoder_) {
            Discard();
            return kHrNoInterface;
        }
        AVCodecContext* enc = encoder_.get();
        enc->width = format.width;
        enc->height = format.height;
        enc->pix_fmt = AV_PIX_FMT_YUVJ420P;
        enc->color_range = AVCOL_RANGE_JPEG;
        enc->time_base = frameBase_;
        enc->framerate = format.rate;
        enc->flags |= AV_CODEC_FLAG_QSCALE;
        enc->global_quality = FF_QP2LAMBDA * kQuality;
        // One thread: the encoder already runs beside the camera and the GUI.
        enc->thread_count = 1;
        if (output_->oformat->flags & AVFMT_GLOBALHEADER)
            enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(enc, codec, nullptr) < 0 ||
            avcodec_parameters_from_context(stream_->codecpar, enc) < 0) {
            Discard();
            return kHrNoInterface;
        }
    }
    if (avio_open(&output_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        Discard();
        return kHrSharingViolation;
    }
    const int r = avformat_write_header(output_, nullptr);
    if (r < 0) {
        Discard();
        return WriteFailure(r);
    }
    return kHrOk;
}

HResult AviWriter::WritePicture(const AVFrame* picture, int64_t index) {
    if (!output_ || !encoder_)
        return kHrWrongState;
    if (Failed(writeError_))
        return writeError_;
    if (index <= lastIndex_)
        return kHrInvalidArg;
    AVCodecContext* enc = encoder_.get();
    const AVFrame* input = picture;
    if (picture->format != enc->pix_fmt || picture->width != enc->width ||
        picture->height != enc->height) {
        if (!converted_ || converted_->width != enc->width || converted_->height != enc->height) {
            converted_ = MakeFrame();
            if (!converted_)
                return kHrOutOfMemory;
            converted_->format = enc->pix_fmt;
            converted_->width = enc->width;
            converted_->height = enc->height;
            if (av_frame_get_buffer(converted_.get(), 0) < 0) {
                converted_.reset();
                return kHrOutOfMemory;
            }
        }
        if (av_frame_make_writable(converted_.get()) < 0 ||
            !converter_.Convert(picture, enc->pix_fmt, enc->width, enc->height, converted_->data,
                                converted_->linesize)) {
            return kHrFail;
        }
        converted_->color_range = AVCOL_RANGE_JPEG;
        input = converted_.get();
    }
    // The encoder is handed a frame of its own, so the caller's frame stays untouched.
    AvFramePtr frame = RefFrame(input);
    if (!frame)
        return kHrOutOfMemory;
    frame->pts = index;
    frame->quality = enc->global_quality;  // a fixed quantiser reads it from each frame
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    int r = avcodec_send_frame(enc, frame.get());
    if (r < 0)
        return writeError_ = WriteFailure(r);
    for (;;) {
        r = avcodec_receive_packet(enc, packet_.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            break;
        if (r < 0)
            return writeError_ = WriteFailure(r);
        const HResult hr = Mux(packet_.get(), packet_->pts);
        if (Failed(hr))
            return hr;
    }
    return kHrOk;
}

HResult AviWriter::WriteJpeg(const AVPacket* jpeg, int64_t index) {
    if (!output_ || encoder_)
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
    packet->stream_index = stream_->index;
    packet->pts = index;
    packet->dts = index;
    packet->duration = 1;
    av_packet_rescale_ts(packet, frameBase_, stream_->time_base);
    const int r = av_write_frame(output_, packet);
    av_packet_unref(packet);
    if (r < 0)
        return writeError_ = WriteFailure(r);
    lastIndex_ = index;
    ++written_;
    return kHrOk;
}

HResult AviWriter::Close() {
    if (!output_)
        return kHrOk;
    HResult hr = writeError_;
    const int r = av_write_trailer(output_);
    if (r < 0 && Succeeded(hr))
        hr = WriteFailure(r);
    if (output_->pb && avio_closep(&output_->pb) < 0 && Succeeded(hr))
        hr = kHrFail;
    Discard();
    return hr;
}

void AviWriter::Discard() {
    if (output_) {
        if (output_->pb)
            avio_closep(&output_->pb);
        avformat_free_context(output_);
    }
    output_ = nullptr;
    stream_ = nullptr;
    encoder_.reset();
    converted_.reset();
}

}  // namespace velatrace
