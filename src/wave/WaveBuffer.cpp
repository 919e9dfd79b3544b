#include "wave/WaveBuffer.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velatrace {

namespace {
inline uint16_t FromBigEndian(uint16_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<uint16_t>((word >> 8) | (word << 8));
    }
    return word;
}

// The ten big-endian counts at the start of a point, sign-extended into a ring row.
inline void DecodeWords(const uint8_t* point, int32_t* row) {
#if defined(__SSE2__)
    // Eight counts at once: swap the bytes of each 16-bit word, then sign-extend to 32 bits.
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(point));
    const __m128i swapped = _mm_or_si128(_mm_slli_epi16(words, 8), _mm_srli_epi16(words, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row),
                     _mm_srai_epi32(_mm_unpacklo_epi16(swapped, swapped), 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 4),
                     _mm_srai_epi32(_mm_unpackhi_epi16(swapped, swapped), 16));
    row[8] = static_cast<int16_t>((point[16] << 8) | point[17]);
    row[9] = static_cast<int16_t>((point[18] << 8) | point[19]);
#else
    uint16_t words[kChannels];
    std::memcpy(words, point, sizeof words);
    for (int32_t c = 0; c < kChannels; ++c) {
        row[c] = static_cast<int16_t>(FromBigEndian(words[c]));
    }
#endif
}

// Whether any of `n` values is not zero; independent accumulators keep the loop from waiting
// on one long chain of ORs.
inline bool AnyNonZero(const int32_t* values, int32_t n) {
    int32_t k = 0;
#if defined(__SSE2__)
    __m128i a0 = _mm_setzero_si128();
    __m128i a1 = a0;
    __m128i a2 = a0;
    __m128i a3 = a0;
    for (; k + 16 <= n; k += 16) {
        const __m128i* v = reinterpret_cast<const __m128i*>(values + k);
        a0 = _mm_or_si128(a0, _mm_loadu_si128(v));
        a1 = _mm_or_si128(a1, _mm_loadu_si128(v + 1));
        a2 = _mm_or_si128(a2, _mm_loadu_si128(v + 2));
        a3 = _mm_or_si128(a3, _mm_loadu_si128(v + 3));
    }
    const __m128i all = _mm_or_si128(_mm_or_si128(a0, a1), _mm_or_si128(a2, a3));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(all, _mm_setzero_si128())) != 0xFFFF) {
        return true;
    }
#endif
    int32_t any = 0;
    for (; k < n; ++k) {
        any |= values[k];
    }
    return any != 0;
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
                DecodeWords(point, row);
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
    uint32_t anyBits = 0;
    for (int32_t k = 0; k < flagged; ++k) {
        const uint8_t* point = block + static_cast<size_t>(k) * pointSize;
        alarmBits[k] = PointByte(point, alarmByte1, pointSize) |
                       (PointByte(point, alarmByte2, pointSize) << 8);
        anyBits |= alarmBits[k];
    }
    if (flagged == 0) {
        return points;  // earlier pieces of the batch took every flag row
    }
    // Channels 1..8 are bits 0..7 of the first alarm byte, channels 9 and 10 bits 0 and 1 of the
    // second. Written channel by channel so each loop runs over one flag array; a batch without
    // any alarm, the usual case, only clears them.
    for (int32_t c = 0; c < kChannels; ++c) {
        int32_t* flags = channel[c].alarmFlag + firstFlag;
        if (anyBits == 0) {
            std::memset(flags, 0, static_cast<size_t>(flagged) * sizeof *flags);
            continue;
        }
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
    return Scan(n, false, 0);
}

int32_t WaveBuffer::ScanAlarms(int32_t n, uint32_t outputs) {
    return Scan(n, true, outputs);
}

int32_t WaveBuffer::Scan(int32_t n, bool filtered, uint32_t outputs) {
    // A channel counts when its alarm drives one of the outputs asked for.
    bool counts[kChannels];
    for (int32_t c = 0; c < kChannels; ++c) {
        const int32_t out = channel[c].alarmOut;
        counts[c] = !filtered || (out >= 1 && out <= kAlarmOutputs && (outputs >> (out - 1)) & 1u);
    }
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
    // channel order. Blocks of records without any flag are skipped with a quick test; only a
    // block with a flag is searched in order.
    constexpr int32_t kBlock = 512;
    for (int32_t first = 0; first < records; first += kBlock) {
        const int32_t last = first + kBlock < records ? first + kBlock : records;
        bool any = false;
        for (int32_t c = 0; c < kChannels && !any; ++c) {
            any = AnyNonZero(channel[c].alarmFlag + first, last - first);
        }
        if (!any) {
            continue;
        }
        for (int32_t k = first; k < last; ++k) {
            for (int32_t visited = 0, c = s; visited < kChannels; ++visited) {
                if (channel[c].alarmFlag[k] == 1 && counts[c]) {
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
