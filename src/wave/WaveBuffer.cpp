#include "wave/WaveBuffer.h"

namespace velatrace {

namespace {
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
    for (int32_t k = 0; k < points; ++k) {
        const uint8_t* point = block + static_cast<size_t>(k) * static_cast<size_t>(pointSize);
        int32_t* row = samples[writeIndex];
        for (int32_t c = 0; c < kChannels; ++c) {
            const int32_t word =
                (PointByte(point, 2 * c, pointSize) << 8) | PointByte(point, 2 * c + 1, pointSize);
            row[c] = word > 32767 ? word - 65536 : word;
        }
        const int32_t flagIndex = firstFlag + k;
        if (flagIndex < kRingRows) {
            const uint8_t bits1 = PointByte(point, alarmByte1, pointSize);
            const uint8_t bits2 = PointByte(point, alarmByte2, pointSize);
            for (int32_t c = 0; c < 8; ++c) {
                channel[c].alarmFlag[flagIndex] = (bits1 >> c) & 1;
            }
            channel[8].alarmFlag[flagIndex] = bits2 & 1;
            channel[9].alarmFlag[flagIndex] = (bits2 >> 1) & 1;
        }
        writeIndex = writeIndex + 1 >= kRingRows ? 0 : writeIndex + 1;
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
    for (int32_t k = 0; k < records; ++k) {
        for (int32_t visited = 0; visited < kChannels; ++visited) {
            if (channel[s].alarmFlag[k] == 1) {
                alarmChannel = s + 1;
                return channel[s].alarmOut;
            }
            s = s + 1 >= kChannels ? 0 : s + 1;
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
