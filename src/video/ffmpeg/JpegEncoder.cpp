#include "video/ffmpeg/JpegEncoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "video/ffmpeg/JpegHuffmanTable.h"

namespace velatrace {
namespace {

bool IsFullRange420(const AVFrame* p) {
    return p->format == AV_PIX_FMT_YUVJ420P ||
           (p->format == AV_PIX_FMT_YUV420P && p->color_range == AVCOL_RANGE_JPEG);
}

// MPEG's default intra weighting, in natural (row by row) order; FFmpeg's Motion-JPEG encoder
// quantises luma and chroma with it times the quantiser over 8.
constexpr unsigned int kMpegIntra[DCTSIZE2] = {
    8,  16, 19, 22, 26, 27, 29, 34,  //
    16, 16, 22, 24, 27, 29, 34, 37,  //
    19, 22, 26, 27, 29, 34, 34, 38,  //
    22, 22, 26, 27, 29, 34, 37, 40,  //
    22, 26, 27, 29, 32, 35, 40, 48,  //
    26, 27, 29, 32, 35, 40, 48, 58,  //
    26, 27, 29, 34, 38, 46, 56, 69,  //
    27, 29, 35, 38, 46, 56, 69, 83,  //
};
constexpr unsigned int kDcStep = 8;
constexpr size_t kFirstBuffer = 256 * 1024;

// The library leaves an error by longjmp back into Compress, with its message kept here.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void LeaveOnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

// The compressed picture goes into one buffer kept between pictures; it grows when a picture
// needs more, so it soon stops reallocating.
struct Destination {
    jpeg_destination_mgr pub;
    unsigned char* buffer;
    size_t capacity;
    size_t size;  // of the last picture
};
static_assert(std::is_standard_layout_v<ErrorManager> && std::is_standard_layout_v<Destination>,
              "the library's part comes first");

void StartBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = dest->capacity;
}

boolean GrowBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    const size_t used = dest->capacity;
    auto* grown = static_cast<unsigned char*>(std::realloc(dest->buffer, used * 2));
    if (!grown)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->buffer = grown;
    dest->capacity = used * 2;
    dest->pub.next_output_byte = grown + used;
    dest->pub.free_in_buffer = used;
    return TRUE;
}

void EndBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->size = dest->capacity - dest->pub.free_in_buffer;
}

}  // namespace

struct JpegEncoder::Library {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    Destination dest{};
    bool created = false;
    int width = 0;  // the size the compressor is set up for; 0 when it is not
    int height = 0;
    int optimizeEvery = 0;
    int sinceOptimized = 0;  // pictures since the last one with its own Huffman tables
    // One row of MCUs (16 luma rows, 8 of each chroma plane), copied with the last column repeated
    // when the width is not a whole number of MCUs: the library reads whole blocks.
    std::vector<unsigned char> strip[3];
    JSAMPROW rows[3][2 * DCTSIZE] = {};
    JSAMPARRAY planes[3] = {rows[0], rows[1], rows[2]};

    ~Library() {
        if (created)
            jpeg_destroy_compress(&cinfo);
        std::free(dest.buffer);
    }

    // Sets the compressor up for pictures of one size: 4:2:0 YCbCr handed over as raw planes.
    // False with err.message when it cannot.
    bool Configure(const JpegSettings& settings, int w, int h) {
        width = height = 0;
        const size_t mcuColumns = (static_cast<size_t>(w) + 15) / 16;
        try {
            for (int c = 0; c < 3; ++c)
                strip[c].resize(w % 16 ? mcuColumns * (c ? 8 : 16) * (c ? 8 : 16) : 0);
        } catch (const std::bad_alloc&) {
            std::snprintf(err.message, sizeof err.message, "out of memory");
            return false;
        }
        if (!dest.buffer) {
            dest.buffer = static_cast<unsigned char*>(std::malloc(kFirstBuffer));
            dest.capacity = dest.buffer ? kFirstBuffer : 0;
        }
        if (!dest.buffer) {
            std::snprintf(err.message, sizeof err.message, "out of memory");
            return false;
        }
        if (setjmp(err.jump))
            return false;
        cinfo.image_width = static_cast<JDIMENSION>(w);
        cinfo.image_height = static_cast<JDIMENSION>(h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_YCbCr;
        jpeg_set_defaults(&cinfo);
        jpeg_set_colorspace(&cinfo, JCS_YCbCr);
        cinfo.raw_data_in = TRUE;
        cinfo.dct_method = settings.fastDct ? JDCT_IFAST : JDCT_ISLOW;
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
        for (int c = 1; c < 3; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
        if (settings.tables == JpegSettings::Tables::Standard) {
            jpeg_set_quality(&cinfo, settings.level, TRUE);
        } else {
            unsigned int table[DCTSIZE2];
            table[0] = kDcStep;
            for (int i = 1; i < DCTSIZE2; ++i)
                table[i] =
                    std::max(1u, kMpegIntra[i] * static_cast<unsigned int>(settings.level) / 32);
            jpeg_add_quant_table(&cinfo, 0, table, 100, TRUE);
            for (int c = 0; c < 3; ++c)
                cinfo.comp_info[c].quant_tbl_no = 0;
        }
        optimizeEvery = settings.optimizeEvery;
        sinceOptimized = 0;
        width = w;
        height = h;
        return true;
    }

    // Points the rows of the MCU row starting at luma row `top` at the picture, or at copies of
    // them with the last column repeated. Rows below the picture repeat its last row.
    void PrepareRows(const AVFrame* in, int top) {
        for (int c = 0; c < 3; ++c) {
            const int sub = c ? 1 : 0;
            const int w = (width + sub) >> sub;
            const int h = (height + sub) >> sub;
            const int count = c ? DCTSIZE : 2 * DCTSIZE;
            const size_t padded = strip[c].size() / static_cast<size_t>(count);
            for (int r = 0; r < count; ++r) {
                const int y = std::min((top >> sub) + r, h - 1);
                const unsigned char* src =
                    in->data[c] + static_cast<ptrdiff_t>(y) * in->linesize[c];
                if (padded == 0) {
                    rows[c][r] = const_cast<JSAMPROW>(src);
                    continue;
                }
                unsigned char* row = strip[c].data() + padded * static_cast<size_t>(r);
                std::memcpy(row, src, static_cast<size_t>(w));
                std::memset(row + w, src[w - 1], padded - static_cast<size_t>(w));
                rows[c][r] = row;
            }
        }
    }

    // Compresses one picture into dest; false with err.message when the library fails. Holds
    // nothing that needs unwinding: the library leaves by longjmp.
    bool Compress(const AVFrame* in) {
        if (setjmp(err.jump)) {
            jpeg_abort_compress(&cinfo);
            sinceOptimized = 0;  // the tables may be half made: the next picture makes its own
            return false;
        }
        const bool optimize = optimizeEvery > 0 && sinceOptimized % optimizeEvery == 0;
        if (!optimize && optimizeEvery > 1 && sinceOptimized == 1) {
            // The tables the last picture made, fit for any picture.
            for (int t = 0; t < 2; ++t) {
                CompleteHuffmanTable(cinfo.dc_huff_tbl_ptrs[t], false);
                CompleteHuffmanTable(cinfo.ac_huff_tbl_ptrs[t], true);
            }
        }
        cinfo.optimize_coding = optimize ? TRUE : FALSE;
        jpeg_start_compress(&cinfo, TRUE);
        for (int top = 0; top < height; top += 2 * DCTSIZE) {
            PrepareRows(in, top);
            jpeg_write_raw_data(&cinfo, planes, 2 * DCTSIZE);
        }
        jpeg_finish_compress(&cinfo);
        sinceOptimized = optimize ? 1 : sinceOptimized + 1;
        return true;
    }
};

JpegEncoder::JpegEncoder(const JpegSettings& settings)
    : settings_(settings), library_(new (std::nothrow) Library) {
    if (!library_)
        return;
    Library& lib = *library_;
    lib.cinfo.err = jpeg_std_error(&lib.err.pub);
    lib.err.pub.error_exit = LeaveOnError;
    lib.err.pub.output_message = IgnoreMessage;
    if (setjmp(lib.err.jump))
        return;  // out of memory: Encode says so
    jpeg_create_compress(&lib.cinfo);
    lib.created = true;
    lib.dest.pub.init_destination = StartBuffer;
    lib.dest.pub.empty_output_buffer = GrowBuffer;
    lib.dest.pub.term_destination = EndBuffer;
    lib.cinfo.dest = &lib.dest.pub;
}

JpegEncoder::~JpegEncoder() = default;

MediaError JpegEncoder::Fail(MediaError hr, std::string text) {
    error_ = std::move(text);
    return hr;
}

MediaError JpegEncoder::Encode(const AVFrame* picture, AvPacketPtr* jpeg) {
    jpeg->reset();
    error_.clear();
    if (!library_ || !library_->created)
        return Fail(MediaError::OutOfMemory, "the JPEG compressor could not be created");
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return Fail(MediaError::InvalidArgument, "the picture is empty");
    const AVFrame* input = picture;
    if (!IsFullRange420(picture)) {
        if (!converted_ || converted_->width != picture->width ||
            converted_->height != picture->height) {
            converted_ = MakeFrame();
            if (!converted_)
                return Fail(MediaError::OutOfMemory, "out of memory");
            converted_->format = AV_PIX_FMT_YUVJ420P;
            converted_->width = picture->width;
            converted_->height = picture->height;
            if (av_frame_get_buffer(converted_.get(), 0) < 0) {
                converted_.reset();
                return Fail(MediaError::OutOfMemory, "out of memory");
            }
        }
        if (!converter_.Convert(picture, AV_PIX_FMT_YUVJ420P, picture->width, picture->height,
                                converted_->data, converted_->linesize)) {
            return Fail(MediaError::Failed,
                        "the camera's pixel format cannot be converted for JPEG");
        }
        input = converted_.get();
    }
    Library& lib = *library_;
    if (lib.width != picture->width || lib.height != picture->height) {
        if (!lib.Configure(settings_, picture->width, picture->height))
            return Fail(MediaError::Failed, lib.err.message);
    }
    if (!lib.Compress(input))
        return Fail(MediaError::Failed, lib.err.message);
    AvPacketPtr packet = MakePacket();
    if (!packet || av_new_packet(packet.get(), static_cast<int>(lib.dest.size)) < 0)
        return Fail(MediaError::OutOfMemory, "out of memory");
    std::memcpy(packet->data, lib.dest.buffer, lib.dest.size);
    packet->flags |= AV_PKT_FLAG_KEY;
    *jpeg = std::move(packet);
    return MediaError::None;
}

}  // namespace velatrace
