#include "wave/WaveBuffer.h"

#include <climits>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velatrace {

namespace {
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

}  // namespace

void WaveBuffer::Clear() {
    writeIndex_ = 0;
    alarmChannel_ = 0;
    batchCarry_ = 0;
}

int32_t WaveBuffer::DecodePoints(const PointLayout& layout, const uint8_t* block, int32_t byteCount,
                                 int32_t firstFlag) {
    // Only whole points are decoded; a trailing partial point is dropped.
    const int32_t points = block == nullptr ? 0 : WholePoints(byteCount, layout);
    if (points == 0) {
        return 0;
    }
    // Flags exist for the first kRingRows records of a batch only.
    const int32_t flagged = firstFlag >= kRingRows
                                ? 0
                                : (points < kRingRows - firstFlag ? points : kRingRows - firstFlag);
    // Rows are filled in runs up to the ring's end, so the inner loop has no wrap test.
    for (int32_t k = 0; k < points;) {
        const int32_t run =
            points - k < kRingRows - writeIndex_ ? points - k : kRingRows - writeIndex_;
        DecodeCounts(block + static_cast<size_t>(k) * layout.size, run, layout,
                     samples_ + writeIndex_);
        writeIndex_ = writeIndex_ + run >= kRingRows ? 0 : writeIndex_ + run;
        k += run;
    }
    if (flagged == 0) {
        return points;  // earlier pieces of the batch took every flag row
    }
    uint32_t alarmBits[kRingRows];  // both alarm bytes of each flagged point
    const uint32_t anyBits = DecodeAlarmBits(block, flagged, layout, alarmBits);
    // Written channel by channel so each loop runs over one flag array; a batch without any
    // alarm, the usual case, only clears them.
    for (int32_t c = 0; c < kChannels; ++c) {
        int32_t* flags = alarmFlag_[c] + firstFlag;
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

int32_t WaveBuffer::AppendPoints(const PointLayout& layout, const uint8_t* block,
                                 int32_t byteCount) {
    const int32_t total = batchCarry_ + DecodePoints(layout, block, byteCount, batchCarry_);
    batchCarry_ = 0;
    return total;
}

int32_t WaveBuffer::AppendRecords(const LoggerSetup& setup, const double (*records)[kChannels],
                                  int32_t n) {
    n = records == nullptr || n < 0 ? 0 : n;
    double scale[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        scale[c] = setup.channel[c].type == kTypeOff ? 0.0 : UsableScale(setup.channel[c].scale);
    }
    for (int32_t k = 0; k < n; ++k) {
        int32_t* row = samples_[writeIndex_];
        for (int c = 0; c < kChannels; ++c) {
            const double v = std::nearbyint(records[k][c] * scale[c]);
            row[c] = v >= 2147483647.0    ? INT32_MAX
                     : v <= -2147483648.0 ? INT32_MIN
                     : v == v             ? static_cast<int32_t>(v)
                                          : 0;
        }
        writeIndex_ = writeIndex_ + 1 >= kRingRows ? 0 : writeIndex_ + 1;
    }
    const int32_t flagged = n < kRingRows ? n : kRingRows;
    for (int32_t c = 0; c < kChannels; ++c) {
        std::memset(alarmFlag_[c], 0, static_cast<size_t>(flagged) * sizeof alarmFlag_[c][0]);
    }
    batchCarry_ = 0;
    return n;
}

void WaveBuffer::AppendPiece(const PointLayout& layout, const uint8_t* block, int32_t byteCount) {
    batchCarry_ += DecodePoints(layout, block, byteCount, batchCarry_);
}

int32_t WaveBuffer::ScanAlarms(const LoggerSetup& setup, int32_t n) {
    return Scan(setup, n, false, 0);
}

int32_t WaveBuffer::ScanAlarms(const LoggerSetup& setup, int32_t n, uint32_t outputs) {
    return Scan(setup, n, true, outputs);
}

int32_t WaveBuffer::Scan(const LoggerSetup& setup, int32_t n, bool filtered, uint32_t outputs) {
    const ChannelInfo* channel = setup.channel;
    // A channel counts when its alarm drives one of the outputs asked for.
    bool counts[kChannels];
    for (int32_t c = 0; c < kChannels; ++c) {
        const int32_t out = channel[c].alarmOut;
        counts[c] = !filtered || (out >= 1 && out <= kAlarmOutputs && (outputs >> (out - 1)) & 1u);
    }
    int32_t s = alarmChannel_;
    if (s >= kChannels) {
        s = kChannels - 1;
    }
    if (s < 0) {
        s = 0;
    }
    alarmChannel_ = 0;
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
            any = AnyNonZero(alarmFlag_[c] + first, last - first);
        }
        if (!any) {
            continue;
        }
        for (int32_t k = first; k < last; ++k) {
            for (int32_t visited = 0, c = s; visited < kChannels; ++visited) {
                if (alarmFlag_[c][k] == 1 && counts[c]) {
                    alarmChannel_ = c + 1;
                    return channel[c].alarmOut;
                }
                c = c + 1 >= kChannels ? 0 : c + 1;
            }
        }
    }
    return 0;
}

}  // namespace velatrace
