#include "dde/StillPicture.h"

#include <cstring>

namespace velatrace {

namespace {
// The largest picture taken: 16k x 16k pixels.
constexpr int64_t kMaxSide = 16384;

void Put16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
void Put32(uint8_t* at, uint32_t value) {
    Put16(at, value);
    Put16(at + 2, value >> 16);
}
uint32_t Get16(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8;
}
uint32_t Get32(const uint8_t* at) {
    return Get16(at) | Get16(at + 2) << 16;
}

// Field offsets of the clipboard bitmap header.
constexpr size_t kSizeAt = 0, kWidthAt = 4, kHeightAt = 8, kPlanesAt = 12, kBitsAt = 14,
                 kCompressionAt = 16, kImageBytesAt = 20;

bool SensibleSize(int64_t width, int64_t height) {
    return width > 0 && width <= kMaxSide && height > 0 && height <= kMaxSide;
}
}  // namespace

bool PackClipboardDib(const StillImage& still, std::vector<uint8_t>* dib) {
    dib->clear();
    if (!SensibleSize(still.width, still.height)) {
        return false;
    }
    const int64_t image = StillRowBytes(still.width) * still.height;
    if (static_cast<int64_t>(still.rows.size()) < image) {
        return false;
    }
    dib->assign(kDibHeaderBytes + static_cast<size_t>(image), 0);
    uint8_t* h = dib->data();
    Put32(h + kSizeAt, kDibHeaderBytes);
    Put32(h + kWidthAt, static_cast<uint32_t>(still.width));
    Put32(h + kHeightAt, static_cast<uint32_t>(still.height));  // positive: rows bottom-up
    Put16(h + kPlanesAt, 1);
    Put16(h + kBitsAt, 24);
    Put32(h + kImageBytesAt, static_cast<uint32_t>(image));
    std::memcpy(h + kDibHeaderBytes, still.rows.data(), static_cast<size_t>(image));
    return true;
}

bool StillFromVideoFrame(const VideoFrame& frame, StillImage* still) {
    const int64_t width = frame.width;
    const int64_t height = frame.height;
    if (!SensibleSize(width, height) || frame.stride < width * 4 ||
        static_cast<int64_t>(frame.pixels.size()) < frame.stride * (height - 1) + width * 4) {
        return false;
    }
    const int64_t row = StillRowBytes(frame.width);
    still->width = frame.width;
    still->height = frame.height;
    still->rows.assign(static_cast<size_t>(row * height), 0);
    for (int64_t y = 0; y < height; ++y) {
        // The frame's first row is the still's last one.
        const uint8_t* in = frame.pixels.data() + y * frame.stride;
        uint8_t* out = still->rows.data() + (height - 1 - y) * row;
        for (int64_t x = 0; x < width; ++x) {
            out[3 * x] = in[4 * x];
            out[3 * x + 1] = in[4 * x + 1];
            out[3 * x + 2] = in[4 * x + 2];
        }
    }
    return true;
}

bool ReadPackedDib(const uint8_t* dib, size_t size, DibView* view) {
    if (dib == nullptr || size < kDibHeaderBytes) {
        return false;
    }
    const auto width = static_cast<int32_t>(Get32(dib + kWidthAt));
    const auto height = static_cast<int32_t>(Get32(dib + kHeightAt));
    const uint32_t headerBytes = Get32(dib + kSizeAt);
    if (headerBytes != kDibHeaderBytes || Get16(dib + kBitsAt) != 24 ||
        Get32(dib + kCompressionAt) != 0 || !SensibleSize(width, height)) {
        return false;
    }
    view->width = width;
    view->height = height;
    view->rowBytes = StillRowBytes(width);
    if (static_cast<int64_t>(size - kDibHeaderBytes) < view->rowBytes * height) {
        return false;
    }
    view->rows = dib + kDibHeaderBytes;
    return true;
}

}  // namespace velatrace
