#include "video/ffmpeg/JpegEncoder.h"

#include <turbojpeg.h>

#include <cstring>

namespace velatrace {
namespace {

bool IsFullRange420(const AVFrame* p) {
    return p->format == AV_PIX_FMT_YUVJ420P ||
           (p->format == AV_PIX_FMT_YUV420P && p->color_range == AVCOL_RANGE_JPEG);
}

}  // namespace

JpegEncoder::JpegEncoder(int quality) : quality_(quality), compressor_(tjInitCompress()) {}

JpegEncoder::~JpegEncoder() {
    tjFree(buffer_);
    if (compressor_)
        tjDestroy(compressor_);
}

HResult JpegEncoder::Fail(HResult hr, std::string text) {
    error_ = std::move(text);
    return hr;
}

HResult JpegEncoder::Encode(const AVFrame* picture, AvPacketPtr* jpeg) {
    jpeg->reset();
    error_.clear();
    if (!compressor_)
        return Fail(kHrOutOfMemory, "the JPEG compressor could not be created");
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return Fail(kHrInvalidArg, "the picture is empty");
    const int width = picture->width;
    const int height = picture->height;
    const AVFrame* input = picture;
    if (!IsFullRange420(picture)) {
        if (!converted_ || converted_->width != width || converted_->height != height) {
            converted_ = MakeFrame();
            if (!converted_)
                return Fail(kHrOutOfMemory, "out of memory");
            converted_->format = AV_PIX_FMT_YUVJ420P;
            converted_->width = width;
            converted_->height = height;
            if (av_frame_get_buffer(converted_.get(), 0) < 0) {
                converted_.reset();
                return Fail(kHrOutOfMemory, "out of memory");
            }
        }
        if (!converter_.Convert(picture, AV_PIX_FMT_YUVJ420P, width, height, converted_->data,
                                converted_->linesize)) {
            return Fail(kHrFail, "the camera's pixel format cannot be converted for JPEG");
        }
        input = converted_.get();
    }
    // The worst case of the size, kept between frames: the library then never reallocates.
    if (!buffer_ || bufferWidth_ != width || bufferHeight_ != height) {
        tjFree(buffer_);
        bufferSize_ = tjBufSize(width, height, TJSAMP_420);
        buffer_ = bufferSize_ == static_cast<unsigned long>(-1)
                      ? nullptr
                      : tjAlloc(static_cast<int>(bufferSize_));
        bufferWidth_ = buffer_ ? width : 0;
        bufferHeight_ = buffer_ ? height : 0;
        if (!buffer_)
            return Fail(kHrOutOfMemory, "out of memory");
    }
    const unsigned char* planes[3] = {input->data[0], input->data[1], input->data[2]};
    const int strides[3] = {input->linesize[0], input->linesize[1], input->linesize[2]};
    unsigned long size = bufferSize_;
    if (tjCompressFromYUVPlanes(compressor_, planes, width, strides, height, TJSAMP_420, &buffer_,
                                &size, quality_, TJFLAG_NOREALLOC) != 0) {
        return Fail(kHrFail, tjGetErrorStr2(compressor_));
    }
    AvPacketPtr packet = MakePacket();
    if (!packet || av_new_packet(packet.get(), static_cast<int>(size)) < 0)
        return Fail(kHrOutOfMemory, "out of memory");
    std::memcpy(packet->data, buffer_, size);
    packet->flags |= AV_PKT_FLAG_KEY;
    *jpeg = std::move(packet);
    return kHrOk;
}

}  // namespace velatrace
