#include "video/ffmpeg/PictureConverter.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace velatrace {
namespace {

// The JPEG formats are the plain YUV ones with full-range levels; giving the scaler the plain
// format and the range explicitly avoids its warning about deprecated formats.
AVPixelFormat PlainFormat(AVPixelFormat f, bool* fullRange) {
    switch (f) {
        case AV_PIX_FMT_YUVJ420P:
            *fullRange = true;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            *fullRange = true;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            *fullRange = true;
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            *fullRange = true;
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            *fullRange = true;
            return AV_PIX_FMT_YUV411P;
        default:
            return f;
    }
}

bool IsRgb(AVPixelFormat f) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
    return d && (d->flags & AV_PIX_FMT_FLAG_RGB);
}

}  // namespace

bool PictureConverter::Convert(const AVFrame* src, AVPixelFormat dstFormat, int dstWidth,
                               int dstHeight, uint8_t* const dst[4], const int dstStride[4]) {
    if (!src || src->width <= 0 || src->height <= 0 || dstWidth <= 0 || dstHeight <= 0) {
        return false;
    }
    bool srcFull = src->color_range == AVCOL_RANGE_JPEG;
    bool dstFull = false;
    const AVPixelFormat srcPlain = PlainFormat(static_cast<AVPixelFormat>(src->format), &srcFull);
    const AVPixelFormat dstPlain = PlainFormat(dstFormat, &dstFull);
    sws_.reset(sws_getCachedContext(sws_.release(), src->width, src->height, srcPlain, dstWidth,
                                    dstHeight, dstPlain, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!sws_)
        return false;
    // Levels: RGB is always full range; YUV follows the frame or the JPEG format's convention.
    const int* coeffs = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(sws_.get(), coeffs, IsRgb(srcPlain) ? 1 : (srcFull ? 1 : 0), coeffs,
                             IsRgb(dstPlain) ? 1 : (dstFull ? 1 : 0), 0, 1 << 16, 1 << 16);
    const int rows =
        sws_scale(sws_.get(), src->data, src->linesize, 0, src->height, dst, dstStride);
    return rows > 0;
}

AvFramePtr PictureConverter::ConvertToFrame(const AVFrame* src, AVPixelFormat dstFormat) {
    AvFramePtr out = MakeFrame();
    if (!out || !src)
        return nullptr;
    out->format = dstFormat;
    out->width = src->width;
    out->height = src->height;
    if (av_frame_get_buffer(out.get(), 0) < 0)
        return nullptr;
    if (!Convert(src, dstFormat, src->width, src->height, out->data, out->linesize))
        return nullptr;
    out->pts = src->pts;
    bool dstFull = false;
    PlainFormat(dstFormat, &dstFull);
    out->color_range = (dstFull || IsRgb(dstFormat)) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    return out;
}

}  // namespace velatrace
