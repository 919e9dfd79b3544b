// The data block decoder with any point size and channel count the logger may announce, fed an
// oversized block in pieces as the poll reads it. Input: point size (2 bytes, signed), channel
// count (1 byte, signed), the ring's write row (2 bytes), one byte no longer read (the alarm
// search's start, which the store now keeps to itself), the number of pieces before the final one
// (0..7), then each piece's length (2 bytes each, at most the receive buffer's 16000, the final
// piece's last); the rest is the block's content, repeated to fill every piece, so a short input
// can make a block of any size.
#include <cstdint>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "logger/LoggerData.h"
#include "logger/LoggerLink.h"
#include "wave/WaveBuffer.h"

using namespace velatrace;

namespace {

// Byte `offset` of a point, 0 outside it: a point never borrows its neighbour's bytes.
int32_t Byte(const uint8_t* point, int32_t offset, int32_t pointSize) {
    return offset >= 0 && offset < pointSize ? point[offset] : 0;
}

// The final piece's points are in the ring rows before the write row (the newest 3000 of them)
// as the big-endian words they hold, and their alarm bits in the flag rows after those of the
// earlier pieces.
void CheckFinalPiece(const WaveBuffer& wave, const LoggerSetup& setup,
                     const std::vector<uint8_t>& piece, int32_t carry) {
    const int32_t size = setup.bytesPerPoint;
    const int32_t points = size > 0 ? static_cast<int32_t>(piece.size()) / size : 0;
    const int32_t kept = points < kRingRows ? points : kRingRows;
    for (int32_t j = points - kept; j < points; ++j) {
        const uint8_t* point = piece.data() + static_cast<size_t>(j) * size;
        const int32_t row =
            ((wave.WriteIndex() - (points - j)) % kRingRows + kRingRows) % kRingRows;
        for (int c = 0; c < kChannels; ++c) {
            const int16_t word =
                static_cast<int16_t>(Byte(point, 2 * c, size) << 8 | Byte(point, 2 * c + 1, size));
            FUZZ_CHECK(wave.Sample(row, c) == word);
        }
    }
    const int32_t alarmByte = 2 * setup.channelCount + 19;
    for (int32_t j = 0; j < points && carry + j < kRingRows; ++j) {
        const uint8_t* point = piece.data() + static_cast<size_t>(j) * size;
        const int32_t bits = Byte(point, alarmByte, size) | Byte(point, alarmByte + 1, size) << 8;
        for (int c = 0; c < kChannels; ++c) {
            FUZZ_CHECK(wave.AlarmFlag(c, carry + j) == ((bits >> c) & 1));
        }
    }
}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint32_t Take(int bytes) {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= static_cast<uint32_t>(pos < size ? data[pos++] : 0) << (8 * i);
        }
        return value;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    auto wave = std::make_unique<WaveBuffer>();
    LoggerSetup setup;
    setup.bytesPerPoint = static_cast<int16_t>(in.Take(2));
    setup.channelCount = static_cast<int8_t>(in.Take(1));
    const int32_t firstRow = static_cast<int32_t>(in.Take(2) % kRingRows);
    {
        // The ring moved on to the first row by earlier blocks of empty points.
        LoggerSetup earlier;
        earlier.bytesPerPoint = 2 * kChannels;
        const std::vector<uint8_t> empty(static_cast<size_t>(firstRow) * 2 * kChannels, 0);
        wave->AppendPoints(PointLayout(earlier), empty.data(), static_cast<int32_t>(empty.size()));
    }
    in.Take(1);
    for (int c = 0; c < kChannels; ++c) {
        setup.channel[c].alarmOut = c % (kAlarmOutputs + 1);
    }
    const PointLayout layout(setup);
    std::vector<uint32_t> lengths(in.Take(1) % 8 + 1);
    for (uint32_t& length : lengths) {
        length = in.Take(2) % (kReceiveBufferSize + 1);
    }
    const uint8_t* content = data + in.pos;
    const size_t contentSize = in.pos < size ? size - in.pos : 0;

    const int32_t pointSize = setup.bytesPerPoint;
    int32_t expected = 0;
    int32_t total = 0;
    for (size_t k = 0; k < lengths.size(); ++k) {
        // Exactly the piece's bytes, so any read past them is caught.
        std::vector<uint8_t> piece(lengths[k]);
        for (size_t i = 0; i < piece.size() && contentSize > 0; ++i) {
            piece[i] = content[i % contentSize];
        }
        const int32_t bytes = static_cast<int32_t>(piece.size());
        expected += pointSize > 0 ? bytes / pointSize : 0;
        if (k + 1 < lengths.size()) {
            wave->AppendPiece(layout, piece.data(), bytes);
        } else {
            const int32_t carry = expected - (pointSize > 0 ? bytes / pointSize : 0);
            total = wave->AppendPoints(layout, piece.data(), bytes);
            CheckFinalPiece(*wave, setup, piece, carry);
        }
    }
    FUZZ_CHECK(total == expected);
    FUZZ_CHECK(wave->WriteIndex() == (firstRow + expected) % kRingRows);
    const int32_t output = wave->ScanAlarms(setup, total);
    FUZZ_CHECK(output >= 0 && output <= kAlarmOutputs);
    FUZZ_CHECK(wave->AlarmChannel() >= 0 && wave->AlarmChannel() <= kChannels);
    // The batch is over: the next block starts a new one.
    FUZZ_CHECK(wave->AppendPoints(layout, nullptr, 0) == 0);
    return 0;
}
