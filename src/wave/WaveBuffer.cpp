#include "wave/WaveBuffer.h"

#include <bit>
#include <cstring>

namespace velatrace {

namespace {
inline uint16_t FromBigEndian(uint16_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<uint16_t>((word >> 8) | (word << 8));
    }
    return word;
}

// Reads a byte of a point, or 0 when the offset lies outside the point: a point never borrows
// bytes of its neighbour, whatever channel count or point size the logger announced.
inline uint8_t PointByte(const uint8_t* point, int32_t offset, int32_t pointSize) {
    return (offset >= 0 && offset < pointSize) ? point[offset] : 0;
}
}  // namespace

int32_t WaveBuffer::DecodePoints(const uint8_t* block, int32_t byteCount, int32_t firstFlag) {
    const int32_t pointSize = bytesPerPoint;
    if (block == nullptr || pointSize <= 0 || byteCount < pointSize) {
        return 0;
    }
    // Only whole points are decoded; a trailing partial point is dropped.
    const int32_t points = byteCount / pointSize;
    const int32_t alarmByte1 = 2 * channelCount + 19;
    const int32_t alarmByte2 = alarmByte1 + 1;
    const bool wholeWords = pointSize >= 2 * kChannels;
    // Flags exist for the first kRingRows records of a batch only.
    const int32_t flagged = firstFlag >= kRingRows
                                ? 0
                                : (points < kRingRows - firstFlag ? points : kRingRows - firstFlag);
    // Rows are filled in runs up to the ring's end, so the inner loop has no wrap test.
    for (int32_t k = 0; k < points;) {
        const int32_t run =
            points - k < kRingRows - writeIndex ? points - k : kRingRows - writeIndex;
        int32_t* row = samples[writeIndex];
        for (int32_t j = 0; j < run; ++j, row += kChannels) {
            const uint8_t* point = block + static_cast<size_t>(k + j) * pointSize;
            if (wholeWords) {
                uint16_t words[kChannels];
                std::memcpy(words, point, sizeof words);
                for (int32_t c = 0; c < kChannels; ++c) {
                    row[c] = static_cast<int16_t>(FromBigEndian(words[c]));
                }
            } else {
                for (int32_t c = 0; c < kChannels; ++c) {
                    row[c] = static_cast<int16_t>((PointByte(point, 2 * c, pointSize) << 8) |
                                                  PointByte(point, 2 * c + 1, pointSize));
                }
            }
        }
        writeIndex = writeIndex + run >= kRingRows ? 0 : writeIndex + run;
        k += run;
    }
    uint32_t alarmBits[kRingRows];  // both alarm bytes of each flagged point
    if (alarmByte1 >= 0 && alarmByte2 < pointSize) {
        for (int32_t k = 0; k < flagged; ++k) {
            const uint8_t* point = block + static_cast<size_t>(k) * pointSize;
            alarmBits[k] = point[alarmByte1] | (point[alarmByte2] << 8);
        }
    } else {
        for (int32_t k = 0; k < flagged; ++k) {
            const uint8_t* point = block + static_cast<size_t>(k) * pointSize;
            alarmBits[k] = PointByte(point, alarmByte1, pointSize) |
                           (PointByte(point, alarmByte2, pointSize) << 8);
        }
    }
    // Channels 1..8 are bits 0..7 of the first alarm byte, channels 9 and 10 bits 0 and 1 of the
    // second. Written channel by channel so each loop runs over one flag array.
    for (int32_t c = 0; c < kChannels; ++c) {
        int32_t* flags = channel[c].alarmFlag + firstFlag;
        for (int32_t k = 0; k < flagged; ++k) {
            flags[k] = static_cast<int32_t>((alarmBits[k] >> c) & 1);
        }
    }
    return points;
}

int32_t WaveBuffer::AppendPoints(const uint8_t* block, int32_t byteCount) {
    const int32_t total = batchCarry + DecodePoints(block, byteCount, batchCarry);
    batchCarry = 0;
    return total;
}

void WaveBuffer::AppendPiece(const uint8_t* block, int32_t byteCount) {
    batchCarry += DecodePoints(block, byteCount, batchCarry);
}

int32_t WaveBuffer::ScanAlarms(int32_t n) {
    int32_t s = alarmChannel;
    if (s >= kChannels) {
        s = kChannels - 1;
    }
    if (s < 0) {
        s = 0;
    }
    alarmChannel = 0;
    // Flags exist for the first kRingRows records of a batch only.
    const int32_t records = n < kRingRows ? n : kRingRows;
    // Visiting the ten channels from s wraps back to s, so every record is visited in the same
    // channel order. Records without any flag are skipped in blocks, which the compiler can
    // vectorise; only a block with a flag is searched in order.
    constexpr int32_t kBlock = 512;
    for (int32_t first = 0; first < records; first += kBlock) {
        const int32_t last = first + kBlock < records ? first + kBlock : records;
        int32_t any = 0;
        for (int32_t c = 0; c < kChannels; ++c) {
            const int32_t* flags = channel[c].alarmFlag;
            for (int32_t k = first; k < last; ++k) {
                any |= flags[k];
            }
        }
        if ((any & 1) == 0) {
            continue;
        }
        for (int32_t k = first; k < last; ++k) {
            for (int32_t visited = 0, c = s; visited < kChannels; ++visited) {
                if (channel[c].alarmFlag[k] == 1) {
                    alarmChannel = c + 1;
                    return channel[c].alarmOut;
                }
                c = c + 1 >= kChannels ? 0 : c + 1;
            }
        }
    }
    return 0;
}

bool WaveBuffer::SelectChannel(int32_t start, bool forward) {
    int32_t c = start;
    for (int32_t tries = 0; tries < kChannels; ++tries) {
        if (forward && c >= kChannels) {
            c = 0;
        } else if (!forward && c < 0) {
            c = kChannels - 1;
        }
        if (c < 0 || c >= kChannels) {  // a start outside the table on the far side
            c = c < 0 ? 0 : kChannels - 1;
        }
        if (channel[c].type != kTypeOff) {
            currentChannel = c;
            return true;
        }
        c += forward ? 1 : -1;
    }
    // No channel is on: the current channel keeps its previous, valid value.
    return false;
}

int32_t WaveBuffer::CountActiveChannels() const {
    int32_t n = 0;
    for (const ChannelInfo& ch : channel) {
        n += ch.type != kTypeOff ? 1 : 0;
    }
    return n;
}

}  // namespace velatrace
