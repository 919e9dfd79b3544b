#include "logger/LoggerData.h"

#include <bit>
#include <cstddef>
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

// The ten big-endian counts at the start of a point, sign-extended into a row.
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

// Reads a byte of a point, or 0 when the offset lies outside the point: a point never borrows
// bytes of its neighbour, whatever channel count or point size the logger announced.
inline uint8_t PointByte(const uint8_t* point, int32_t offset, int32_t pointSize) {
    return (offset >= 0 && offset < pointSize) ? point[offset] : 0;
}
}  // namespace

void DecodeCounts(const uint8_t* points, int32_t n, const PointLayout& layout,
                  int32_t (*rows)[kChannels]) {
    const int32_t pointSize = layout.size;
    if (points == nullptr || pointSize <= 0) {
        return;
    }
    const bool wholeWords = pointSize >= 2 * kChannels;
    for (int32_t k = 0; k < n; ++k) {
        const uint8_t* point = points + static_cast<size_t>(k) * pointSize;
        int32_t* row = rows[k];
        if (wholeWords) {
            DecodeWords(point, row);
        } else {
            for (int32_t c = 0; c < kChannels; ++c) {
                row[c] = static_cast<int16_t>((PointByte(point, 2 * c, pointSize) << 8) |
                                              PointByte(point, 2 * c + 1, pointSize));
            }
        }
    }
}

uint32_t DecodeAlarmBits(const uint8_t* points, int32_t n, const PointLayout& layout,
                         uint32_t* bits) {
    // Copied, so the writes to `bits` cannot make the compiler read them again on every point.
    const int32_t pointSize = layout.size;
    const int32_t alarmByte = layout.alarmByte;
    if (points == nullptr || pointSize <= 0) {
        return 0;
    }
    uint32_t any = 0;
    for (int32_t k = 0; k < n; ++k) {
        const uint8_t* point = points + static_cast<size_t>(k) * pointSize;
        const uint32_t pointBits = PointByte(point, alarmByte, pointSize) |
                                   (PointByte(point, alarmByte + 1, pointSize) << 8);
        bits[k] = pointBits;
        any |= pointBits;
    }
    return any;
}

}  // namespace velatrace
