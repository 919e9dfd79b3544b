#pragma once
// The logger's data blocks: whole points of ten big-endian 16-bit counts followed by two alarm
// bytes (channels 1..8 in the first, 9 and 10 in the second) at an offset set by the channel
// count. Decoding writes into fixed rows the caller owns; nothing is allocated.
#include <cstdint>

#include "logger/LoggerSetup.h"

namespace velatrace {

// Where the parts of a point lie, from the logger's setup.
struct PointLayout {
    int32_t size = 0;       // bytes per point; 0 decodes nothing
    int32_t alarmByte = 0;  // offset of the first alarm byte

    explicit PointLayout(const LoggerSetup& setup)
        : size(setup.bytesPerPoint), alarmByte(2 * setup.channelCount + 19) {}
};

// Whole points in `byteCount` bytes; a trailing partial point does not count.
inline int32_t WholePoints(int32_t byteCount, const PointLayout& layout) {
    return layout.size > 0 && byteCount >= layout.size ? byteCount / layout.size : 0;
}

// The counts of `n` points starting at `points`, sign-extended, one row of kChannels per point.
// A point shorter than ten counts reads 0 for the bytes it lacks, never its neighbour's.
void DecodeCounts(const uint8_t* points, int32_t n, const PointLayout& layout,
                  int32_t (*rows)[kChannels]);

// Both alarm bytes of each of `n` points into bits[k] (bit c = channel c + 1 in alarm). Returns
// all of them ORed together, so a block without any alarm is known at once.
uint32_t DecodeAlarmBits(const uint8_t* points, int32_t n, const PointLayout& layout,
                         uint32_t* bits);

}  // namespace velatrace
