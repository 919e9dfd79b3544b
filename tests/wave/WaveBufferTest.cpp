#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "wave/WaveBuffer.h"

namespace velatrace {
namespace {

std::unique_ptr<WaveBuffer> LoggerBuffer() {
    auto wave = std::make_unique<WaveBuffer>();
    wave->bytesPerPoint = 48;
    wave->channelCount = 10;
    return wave;
}

TEST(WaveBuffer, DecodesWholePointsWithSignAndAlarmBits) {
    auto wave = LoggerBuffer();
    std::vector<uint8_t> block(16000, 0);
    // Point 1: every channel its own count, the 16-bit ends and signs alternating.
    const std::vector<int32_t> expected = {-32768, -1,   2002,  -3003, 4004,
                                           -5005,  6006, -7007, 8008,  32767};
    for (int c = 0; c < 10; ++c) {
        block[48 + 2 * c] = static_cast<uint8_t>(expected[c] >> 8);
        block[48 + 2 * c + 1] = static_cast<uint8_t>(expected[c]);
    }
    block[39] = 0x05;       // point 0: channels 1 and 3
    block[96 + 40] = 0x02;  // point 2: channel 10
    block[3 * 48] = 0x12;   // a fourth point's first byte after the block

    EXPECT_EQ(wave->AppendPoints(block.data(), 144), 3);
    EXPECT_EQ(std::vector<int32_t>(wave->samples[1], wave->samples[1] + 10), expected);
    const ChannelInfo* ch = wave->channel;
    EXPECT_EQ(std::tie(ch[0].alarmFlag[0], ch[1].alarmFlag[0], ch[2].alarmFlag[0],
                       ch[9].alarmFlag[2], ch[8].alarmFlag[2]),
              std::make_tuple(1, 0, 1, 1, 0));

    // A trailing partial point is dropped, not decoded from whatever follows in the buffer; a
    // point size of 0 (no probe answer) decodes nothing.
    EXPECT_EQ(wave->AppendPoints(block.data(), 145), 3);
    wave->bytesPerPoint = 0;
    EXPECT_EQ(wave->AppendPoints(block.data(), 144), 0);
    EXPECT_EQ(wave->writeIndex, 6);

    // Alarm bytes announced outside the point (a wrong channel count) read as no alarm, and the
    // alarm-free batch clears the flags the earlier batches set.
    wave->bytesPerPoint = 48;
    wave->channelCount = 20;
    block[59] = 0xFF;  // would be "point 0's alarm byte" at 2*20+19, but belongs to point 1
    EXPECT_EQ(wave->AppendPoints(block.data(), 48), 1);
    EXPECT_EQ(wave->channel[0].alarmFlag[0], 0);
}

TEST(WaveBuffer, TheRingWrapsAndItsNewestRowFollows) {
    auto wave = LoggerBuffer();
    std::vector<uint8_t> block(96, 0);
    block[1] = 7;
    block[49] = 8;
    wave->writeIndex = 2999;
    EXPECT_EQ(wave->AppendPoints(block.data(), 96), 2);
    EXPECT_EQ(std::tie(wave->samples[2999][0], wave->samples[0][0]), std::make_tuple(7, 8));
    EXPECT_EQ(std::make_tuple(wave->writeIndex, wave->NewestRow()), std::make_tuple(1, 0));
    wave->writeIndex = 0;
    EXPECT_EQ(wave->NewestRow(), 2999);
}

TEST(WaveBuffer, AlarmScanTakesChannelsInTurn) {
    auto wave = LoggerBuffer();
    wave->channel[1].alarmOut = 2;
    wave->channel[6].alarmOut = 3;
    wave->channel[1].alarmFlag[0] = 1;
    wave->channel[6].alarmFlag[0] = 1;
    // The next scan starts after the last alarm.
    for (const auto& [output, channel] : {std::pair{2, 2}, {3, 7}, {2, 2}}) {
        const int32_t found = wave->ScanAlarms(1);
        EXPECT_EQ(std::tie(found, wave->alarmChannel), std::tie(output, channel));
    }

    // A flagged channel without an output still counts as found but yields no output.
    wave->channel[1].alarmOut = 0;
    wave->channel[6].alarmFlag[0] = 0;
    wave->alarmChannel = 0;
    EXPECT_EQ(wave->ScanAlarms(1), 0);
    EXPECT_EQ(wave->alarmChannel, 2);
    wave->channel[1].alarmFlag[0] = 0;
    EXPECT_EQ(wave->ScanAlarms(5000), 0) << "more records than flags are scanned safely";
}

}  // namespace
}  // namespace velatrace
