#include <gtest/gtest.h>

#include <memory>
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
    block[0] = 0xFF, block[1] = 0xFF;  // -1
    block[2] = 0x80, block[3] = 0x00;  // -32768
    for (int c = 0; c < 9; ++c) {      // point 1: every channel its own count, signs alternating
        const uint16_t word = static_cast<uint16_t>(c % 2 ? -(c * 1001) : c * 1001);
        block[48 + 2 * c] = static_cast<uint8_t>(word >> 8);
        block[48 + 2 * c + 1] = static_cast<uint8_t>(word);
    }
    block[48 + 18] = 0x7F, block[48 + 19] = 0xFF;  // point 1, channel 10: 32767
    block[39] = 0x05;                              // point 0: channels 1 and 3
    block[96 + 40] = 0x02;                         // point 2: channel 10
    block[3 * 48] = 0x12;                          // a fourth point's first byte after the block

    EXPECT_EQ(wave->AppendPoints(block.data(), 144), 3);
    EXPECT_EQ(wave->samples[0][0], -1);
    EXPECT_EQ(wave->samples[0][1], -32768);
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(wave->samples[1][c], c % 2 ? -(c * 1001) : c * 1001) << "channel " << c + 1;
    }
    EXPECT_EQ(wave->samples[1][9], 32767);
    EXPECT_EQ(wave->channel[0].alarmFlag[0], 1);
    EXPECT_EQ(wave->channel[1].alarmFlag[0], 0);
    EXPECT_EQ(wave->channel[2].alarmFlag[0], 1);
    EXPECT_EQ(wave->channel[9].alarmFlag[2], 1);
    EXPECT_EQ(wave->channel[8].alarmFlag[2], 0);
    EXPECT_EQ(wave->writeIndex, 3);

    // A trailing partial point is dropped, not decoded from whatever follows in the buffer.
    EXPECT_EQ(wave->AppendPoints(block.data(), 145), 3);
    EXPECT_EQ(wave->writeIndex, 6);

    // A point size of 0 (no probe answer) decodes nothing and ends.
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

TEST(WaveBuffer, RingWrapsAtItsEnd) {
    auto wave = LoggerBuffer();
    std::vector<uint8_t> block(96, 0);
    block[1] = 7;
    block[49] = 8;
    wave->writeIndex = 2999;
    EXPECT_EQ(wave->AppendPoints(block.data(), 48), 1);
    EXPECT_EQ(wave->samples[2999][0], 7);
    EXPECT_EQ(wave->writeIndex, 0);
    EXPECT_EQ(wave->NewestRow(), 2999);
    wave->writeIndex = 2999;
    EXPECT_EQ(wave->AppendPoints(block.data(), 96), 2);
    EXPECT_EQ(wave->samples[0][0], 8);
    EXPECT_EQ(wave->writeIndex, 1);
}

TEST(WaveBuffer, AlarmScanTakesChannelsInTurn) {
    auto wave = LoggerBuffer();
    wave->channel[1].alarmOut = 2;
    wave->channel[6].alarmOut = 3;
    wave->channel[1].alarmFlag[0] = 1;
    wave->channel[6].alarmFlag[0] = 1;

    EXPECT_EQ(wave->ScanAlarms(1), 2);
    EXPECT_EQ(wave->alarmChannel, 2);
    EXPECT_EQ(wave->ScanAlarms(1), 3) << "the next scan starts after the last alarm";
    EXPECT_EQ(wave->alarmChannel, 7);
    EXPECT_EQ(wave->ScanAlarms(1), 2);

    // A flagged channel without an output still counts as found but yields no output.
    wave->channel[1].alarmOut = 0;
    wave->channel[6].alarmFlag[0] = 0;
    wave->alarmChannel = 0;
    EXPECT_EQ(wave->ScanAlarms(1), 0);
    EXPECT_EQ(wave->alarmChannel, 2);

    wave->channel[1].alarmFlag[0] = 0;
    EXPECT_EQ(wave->ScanAlarms(5000), 0) << "more records than flags are scanned safely";
    EXPECT_EQ(wave->alarmChannel, 0);
}

// Wrapping through the channels is tested through the channel commands (WaveView).
TEST(WaveBuffer, ChannelSelectionFromAnIndexOutsideTheChannelsLandsInside) {
    auto wave = LoggerBuffer();
    EXPECT_FALSE(wave->SelectChannel(0, true)) << "no channel on";
    EXPECT_EQ(wave->currentChannel, 0);
    wave->channel[3].type = kTypeVoltage;
    wave->channel[8].type = kTypeHumidity;
    EXPECT_TRUE(wave->SelectChannel(-1, false));
    EXPECT_EQ(wave->currentChannel, 8);
    EXPECT_TRUE(wave->SelectChannel(10, true));
    EXPECT_EQ(wave->currentChannel, 3);
}

}  // namespace
}  // namespace velatrace
