#include "sim/PointLayout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velatrace::sim {

void EncodePoint(const Point& point, int channelCount, uint8_t (&out)[kPointBytes]) {
    std::memset(out, 0, sizeof out);
    for (int c = 0; c < kChannels; ++c) {
        const auto word = static_cast<uint16_t>(point.counts[c]);
        out[2 * c] = static_cast<uint8_t>(word >> 8);
        out[2 * c + 1] = static_cast<uint8_t>(word & 0xFF);
    }
    const int n = std::clamp(channelCount, 1, kChannels);
    out[2 * n + 19] = static_cast<uint8_t>(point.alarmBits & 0xFF);
    out[2 * n + 20] = static_cast<uint8_t>((point.alarmBits >> 8) & 0x03);
}

std::vector<uint8_t> EncodeBlock(const std::vector<Point>& points, int channelCount) {
    const size_t count = std::min<size_t>(points.size(), kMaxBlockPoints);
    const auto dataBytes = static_cast<unsigned>(count * kPointBytes);
    std::vector<uint8_t> block(kBlockHeaderBytes + dataBytes);
    char header[kBlockHeaderBytes + 1];
    std::snprintf(header, sizeof header, "#6%06u", dataBytes);
    std::memcpy(block.data(), header, kBlockHeaderBytes);
    uint8_t encoded[kPointBytes];
    for (size_t i = 0; i < count; ++i) {
        EncodePoint(points[i], channelCount, encoded);
        std::memcpy(block.data() + kBlockHeaderBytes + i * kPointBytes, encoded, kPointBytes);
    }
    return block;
}

}  // namespace velatrace::sim
