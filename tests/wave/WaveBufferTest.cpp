#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "logger/InstrumentSource.h"
#include "logger/RecordHandoff.h"
#include "wave/WaveBuffer.h"

namespace velatrace {
namespace {

LoggerSetup TenChannels() {
    LoggerSetup setup;
    setup.bytesPerPoint = 48;
    setup.channelCount = 10;
    return setup;
}

// A block of `points` 48-byte points; alarms[k] sets point k's alarm bits (channel c = bit c).
std::vector<uint8_t> Block(int points, const std::vector<uint16_t>& alarms = {}) {
    std::vector<uint8_t> block(static_cast<size_t>(points) * 48, 0);
    for (size_t k = 0; k < alarms.size(); ++k) {
        block[k * 48 + 39] = static_cast<uint8_t>(alarms[k]);
        block[k * 48 + 40] = static_cast<uint8_t>(alarms[k] >> 8);
    }
    return block;
}

TEST(WaveBuffer, DecodesWholePointsWithSignAndAlarmBits) {
    auto wave = std::make_unique<WaveBuffer>();
    LoggerSetup setup = TenChannels();
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

    EXPECT_EQ(wave->AppendPoints(PointLayout(setup), block.data(), 144), 3);
    EXPECT_EQ(std::vector<int32_t>(wave->Row(1), wave->Row(1) + 10), expected);
    EXPECT_EQ(std::make_tuple(wave->AlarmFlag(0, 0), wave->AlarmFlag(1, 0), wave->AlarmFlag(2, 0),
                              wave->AlarmFlag(9, 2), wave->AlarmFlag(8, 2)),
              std::make_tuple(1, 0, 1, 1, 0));

    // A trailing partial point is dropped, not decoded from whatever follows in the buffer; a
    // point size of 0 (no probe answer) decodes nothing.
    EXPECT_EQ(wave->AppendPoints(PointLayout(setup), block.data(), 145), 3);
    setup.bytesPerPoint = 0;
    EXPECT_EQ(wave->AppendPoints(PointLayout(setup), block.data(), 144), 0);
    EXPECT_EQ(wave->WriteIndex(), 6);

    // Alarm bytes announced outside the point (a wrong channel count) read as no alarm, and the
    // alarm-free batch clears the flags the earlier batches set.
    setup.bytesPerPoint = 48;
    setup.channelCount = 20;
    block[59] = 0xFF;  // would be "point 0's alarm byte" at 2*20+19, but belongs to point 1
    EXPECT_EQ(wave->AppendPoints(PointLayout(setup), block.data(), 48), 1);
    EXPECT_EQ(wave->AlarmFlag(0, 0), 0);
}

TEST(WaveBuffer, TheRingWrapsAndItsNewestRowFollows) {
    auto wave = std::make_unique<WaveBuffer>();
    const PointLayout layout(TenChannels());
    EXPECT_EQ(wave->NewestRow(), kRingRows - 1);
    std::vector<uint8_t> block = Block(kRingRows - 1);
    EXPECT_EQ(wave->AppendPoints(layout, block.data(), static_cast<int32_t>(block.size())),
              kRingRows - 1);
    block = Block(2);
    block[1] = 7;
    block[49] = 8;
    EXPECT_EQ(wave->AppendPoints(layout, block.data(), 96), 2);
    EXPECT_EQ(std::make_tuple(wave->Sample(2999, 0), wave->Sample(0, 0)), std::make_tuple(7, 8));
    EXPECT_EQ(std::make_tuple(wave->WriteIndex(), wave->NewestRow()), std::make_tuple(1, 0));
    // A logger opened again starts the ring over.
    wave->Clear();
    EXPECT_EQ(std::make_tuple(wave->WriteIndex(), wave->AlarmChannel()), std::make_tuple(0, 0));
}

TEST(WaveBuffer, AlarmScanTakesChannelsInTurn) {
    auto wave = std::make_unique<WaveBuffer>();
    LoggerSetup setup = TenChannels();
    setup.channel[1].alarmOut = 2;
    setup.channel[6].alarmOut = 3;
    std::vector<uint8_t> block = Block(1, {0x42});  // channels 2 and 7
    wave->AppendPoints(PointLayout(setup), block.data(), 48);
    // The next scan starts after the last alarm.
    for (const auto& [output, channel] : {std::pair{2, 2}, {3, 7}, {2, 2}}) {
        const int32_t found = wave->ScanAlarms(setup, 1);
        EXPECT_EQ(std::make_tuple(found, wave->AlarmChannel()), std::tie(output, channel));
    }
    // Counting only enabled outputs, channel 2 (output 2, not enabled) is passed over.
    EXPECT_EQ(wave->ScanAlarms(setup, 1, 0b100u), 3);
    EXPECT_EQ(wave->AlarmChannel(), 7);

    // A flagged channel without an output still counts as found but yields no output.
    setup.channel[1].alarmOut = 0;
    block = Block(1, {0x02});
    wave->Clear();
    wave->AppendPoints(PointLayout(setup), block.data(), 48);
    EXPECT_EQ(wave->ScanAlarms(setup, 1), 0);
    EXPECT_EQ(wave->AlarmChannel(), 2);
    block = Block(1);
    wave->AppendPoints(PointLayout(setup), block.data(), 48);
    EXPECT_EQ(wave->ScanAlarms(setup, 5000), 0) << "more records than flags are scanned safely";
}

// Instrument records come through the hand-off in order (a full one drops the newest and counts
// them) and enter the ring as counts of each channel's scale, over its end, without alarms.
TEST(WaveBuffer, InstrumentRecordsReachTheRingThroughTheHandoff) {
    EXPECT_EQ(std::make_tuple(RangeForReadings(7.5), RangeForReadings(0.0123), RangeForReadings(0),
                              InstrumentScale(10), InstrumentScale(0.05), InstrumentScale(-1)),
              std::make_tuple(10.0, 0.02, 1.0, 1e6, 1e9, 1.0));
    auto handoff = std::make_unique<RecordHandoff>();
    double record[kChannels] = {};
    for (int k = 0; k < RecordHandoff::kCapacity + 2; ++k) {
        record[0] = k;
        EXPECT_EQ(handoff->Put(record), k < RecordHandoff::kCapacity) << k;
    }
    EXPECT_EQ(handoff->Dropped(), 2);
    static double taken[RecordHandoff::kCapacity][kChannels];
    ASSERT_EQ(handoff->Take(taken, 3), 3);
    EXPECT_EQ(handoff->Put(record), true) << "room again";
    ASSERT_EQ(handoff->Take(taken, RecordHandoff::kCapacity), RecordHandoff::kCapacity - 2);
    EXPECT_EQ(std::make_tuple(taken[0][0], taken[RecordHandoff::kCapacity - 4][0],
                              taken[RecordHandoff::kCapacity - 3][0]),
              std::make_tuple(3.0, RecordHandoff::kCapacity - 1.0, RecordHandoff::kCapacity + 1.0));

    LoggerSetup setup;
    setup.channel[0] = ChannelInfo{"", "V", kTypeInstrument, 1e7, 0, 10.0, "Voltage"};
    setup.channel[1] = setup.channel[0];
    auto wave = std::make_unique<WaveBuffer>();
    wave->AppendPoints(PointLayout(TenChannels()), Block(kRingRows - 1, {1}).data(),
                       (kRingRows - 1) * 48);
    const double rows[3][kChannels] = {
        {1.23456789, 1e300, 5}, {-0.00000004, -1e300, 5}, {std::nan(""), 0, 5}};
    EXPECT_EQ(wave->AppendRecords(setup, rows, 3), 3);
    EXPECT_EQ(wave->WriteIndex(), 2);
    EXPECT_EQ(
        std::make_tuple(wave->Sample(kRingRows - 1, 0), wave->Sample(0, 0), wave->Sample(1, 0),
                        wave->Sample(kRingRows - 1, 1), wave->Sample(0, 1), wave->Sample(0, 2)),
        std::make_tuple(12345679, 0, 0, INT32_MAX, INT32_MIN, 0))
        << "rounded, held in 32 bits, not-a-number and channels that are off give 0";
    EXPECT_EQ(wave->ScanAlarms(setup, 3), 0);
}

}  // namespace
}  // namespace velatrace
