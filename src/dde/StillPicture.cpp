#include "dde/StillPicture.h"

#include <cstring>

namespace velatrace {

namespace {
// The largest picture taken: 16k x 16k pixels.
constexpr int64_t kMaxSide = 16384;
}  // namespace

bool PackClipboardDib(const BitmapInfoHeader& header, const uint8_t* pixels, size_t bytes,
                      std::vector<uint8_t>* dib) {
    dib->clear();
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
    if (pixels == nullptr || header.biCompression != 0 || width <= 0 || width > kMaxSide ||
        height <= 0 || height > kMaxSide || header.biBitCount > 32) {
        return false;
    }
    const int64_t row = DibRowBytes(header.biWidth, header.biBitCount);
    const int64_t image = row * height;
    if (static_cast<int64_t>(bytes) < image) {
        return false;
    }
    BitmapInfoHeader out = header;
    out.biSize = sizeof(BitmapInfoHeader);
    out.biHeight = static_cast<int32_t>(height);
    out.biSizeImage = static_cast<uint32_t>(image);
    dib->resize(sizeof out + static_cast<size_t>(image));
    std::memcpy(dib->data(), &out, sizeof out);
    uint8_t* rows = dib->data() + sizeof out;
    if (header.biHeight > 0) {
        std::memcpy(rows, pixels, static_cast<size_t>(image));
        return true;
    }
    // Top-down rows: the first row given is the last one stored.
    for (int64_t r = 0; r < height; ++r) {
        std::memcpy(rows + (height - 1 - r) * row, pixels + r * row, static_cast<size_t>(row));
    }
    return true;
}

bool BitmapFromVideoFrame(const VideoFrame& frame, BitmapInfoHeader* header,
                          std::vector<uint8_t>* pixels) {
    const int64_t width = frame.width;
    const int64_t height = frame.height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        frame.stride < width * 4 ||
        static_cast<int64_t>(frame.pixels.size()) < frame.stride * (height - 1) + width * 4) {
        return false;
    }
    const int64_t row = DibRowBytes(frame.width, 24);
    *header = BitmapInfoHeader{};
    header->biWidth = frame.width;
    header->biHeight = -frame.height;
    header->biBitCount = 24;
    header->biSizeImage = static_cast<uint32_t>(row * height);
    pixels->assign(static_cast<size_t>(row * height), 0);
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* in = frame.pixels.data() + y * frame.stride;
        uint8_t* out = pixels->data() + y * row;
        for (int64_t x = 0; x < width; ++x) {
            out[3 * x] = in[4 * x];
            out[3 * x + 1] = in[4 * x + 1];
            out[3 * x + 2] = in[4 * x + 2];
        }
    }
    return true;
}

bool ReadPackedDib(const uint8_t* dib, size_t size, DibView* view) {
    if (size < sizeof(BitmapInfoHeader)) {
        return false;
    }
    std::memcpy(&view->header, dib, sizeof view->header);
    const BitmapInfoHeader& h = view->header;
    if (h.biBitCount != 24 || h.biWidth <= 0 || h.biHeight <= 0 || h.biWidth > kMaxSide ||
        h.biHeight > kMaxSide) {
        return false;
    }
    view->rowBytes = DibRowBytes(h.biWidth, 24);
    if (static_cast<int64_t>(size - sizeof h) < view->rowBytes * h.biHeight) {
        return false;
    }
    view->rows = dib + sizeof h;
    return true;
}

}  // namespace velatrace
