#pragma once
// The byte layout of measurement points and data blocks as the logger sends them.
//
// A point is kPointBytes bytes: ten big-endian signed 16-bit counts (channels 1..10), zeros,
// and two alarm bytes placed after the channel values of the reported channel count N: the first
// at 2N+19 (bit c = channel c+1, c = 0..7), the second at 2N+20 (bits 0 and 1 = channels 9, 10).
// A block is "#6", six decimal digits giving the byte count, then the points.
#include <cstdint>
#include <vector>

#include "sim/SimLogger.h"

namespace velatrace::sim {

inline constexpr uint32_t kBlockHeaderBytes = 8;

void EncodePoint(const Point& point, int channelCount, uint8_t (&out)[kPointBytes]);

// A whole data block of the given points (at most kMaxBlockPoints are encoded).
std::vector<uint8_t> EncodeBlock(const std::vector<Point>& points, int channelCount);

}  // namespace velatrace::sim
