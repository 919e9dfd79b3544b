#pragma once
// A data block's points as the program decodes them, written out small for the tests: the
// counts big-endian from byte 0, the alarm bytes at 2N+19 and 2N+20.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velatrace::sim::parse {

struct DecodedPoint {
    int16_t counts[10] = {};
    bool alarm[10] = {};
};

inline std::vector<DecodedPoint> DecodePoints(const uint8_t* data, size_t bytes, int channelCount,
                                              size_t pointBytes = 48) {
    std::vector<DecodedPoint> points;
    for (size_t k = 0; (k + 1) * pointBytes <= bytes; ++k) {
        const uint8_t* p = data + k * pointBytes;
        DecodedPoint point;
        for (int c = 0; c < 10; ++c) {
            point.counts[c] = static_cast<int16_t>((p[2 * c] << 8) | p[2 * c + 1]);
        }
        const uint8_t first = p[2 * channelCount + 19];
        const uint8_t second = p[2 * channelCount + 20];
        for (int c = 0; c < 8; ++c) {
            point.alarm[c] = ((first >> c) & 1) != 0;
        }
        point.alarm[8] = (second & 1) != 0;
        point.alarm[9] = (second & 2) != 0;
        points.push_back(point);
    }
    return points;
}

}  // namespace velatrace::sim::parse
