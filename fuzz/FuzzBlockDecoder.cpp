// The data block decoder with any point size and channel count the logger may announce, fed an
// oversized block in pieces as the poll reads it. Input: point size (2 bytes, signed), channel
// count (1 byte, signed), the ring's write row (2 bytes), the alarm search's start channel,
// the number of pieces before the final one (0..7), then each piece's length (2 bytes each, at
// most the receive buffer's 16000, the final piece's last); the rest is the block's content,
// repeated to fill every piece, so a short input can make a block of any size.
#include <cstdint>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "logger/LoggerLink.h"
#include "wave/WaveBuffer.h"

using namespace velatrace;

namespace {

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
    wave->bytesPerPoint = static_cast<int16_t>(in.Take(2));
    wave->channelCount = static_cast<int8_t>(in.Take(1));
    const int32_t firstRow = static_cast<int32_t>(in.Take(2) % kRingRows);
    wave->writeIndex = firstRow;
    wave->alarmChannel = static_cast<int8_t>(in.Take(1));
    for (int c = 0; c < kChannels; ++c) {
        wave->channel[c].alarmOut = c % (kAlarmOutputs + 1);
    }
    std::vector<uint32_t> lengths(in.Take(1) % 8 + 1);
    for (uint32_t& length : lengths) {
        length = in.Take(2) % (kReceiveBufferSize + 1);
    }
    const uint8_t* content = data + in.pos;
    const size_t contentSize = in.pos < size ? size - in.pos : 0;

    const int32_t pointSize = wave->bytesPerPoint;
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
            wave->AppendPiece(piece.data(), bytes);
        } else {
            total = wave->AppendPoints(piece.data(), bytes);
        }
    }
    FUZZ_CHECK(total == expected);
    FUZZ_CHECK(wave->batchCarry == 0);
    FUZZ_CHECK(wave->writeIndex == (firstRow + expected) % kRingRows);
    const int32_t output = wave->ScanAlarms(total);
    FUZZ_CHECK(output >= 0 && output <= kAlarmOutputs);
    FUZZ_CHECK(wave->alarmChannel >= 0 && wave->alarmChannel <= kChannels);
    return 0;
}
