#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "FakeDriverLibrary.h"
#include "logger/LoggerProtocol.h"
#include "support/FakeClock.h"

namespace velatrace {
namespace {

using testing::Block;
using testing::FakeClock;
using testing::FakeDriverLibrary;
using testing::Points;
using testing::RecordingSink;

struct ProtocolFixture : ::testing::Test {
    FakeDriverLibrary driver;
    FakeClock clock;
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    LoggerLink link{driver, *wave};
    LoggerProtocol protocol{link, clock};

    void ScriptLogger() {
        driver.blocks[":MEAS:OUTP:ONE?"] = Block(Points(1));
        driver.text[":MEAS:OUTP:CLR?"] = ":MEAS:OUTP:CLR 0";
        driver.text[":MEAS:OUTP:STAT?"] = ":MEAS:OUTP:STAT 0";
        driver.text[":INFO:CH?"] = ":INFO:CH 10";
        const char* amp[10] = {":AMP:CH1:INP DC;RANG 10V;FILT OFF", ":AMP:CH2:INP DC;RANG 20MV",
                               ":AMP:CH3:INP DC;RANG 1-5V",         ":AMP:CH4:INP RH;RANG 1V",
                               ":AMP:CH5:INP TEMP;RANG TC-K",       ":AMP:CH6:INP DC;RANG 0.5V",
                               ":AMP:CH7:INP DC;RANG 20V",          ":AMP:CH8:INP OFF",
                               ":AMP:CH9:INP DC;RANG 5V",           ":AMP:CH10:INP DC;RANG 1V"};
        const char* alarm[10] = {":ALAR:CH1:MODE HI;OUTP 1", ":ALAR:CH2:MODE OFF",
                                 ":ALAR:CH3:MODE LO;OUTP 3", ":ALAR:CH4:MODE OFF",
                                 ":ALAR:CH5:MODE OFF",       ":ALAR:CH6:MODE HI;OUTP 7",
                                 ":ALAR:CH7:MODE OFF",       ":ALAR:CH8:MODE HI;OUTP 2",
                                 ":ALAR:CH9:MODE OFF",       ":ALAR:CH10:MODE OFF"};
        for (int c = 1; c <= 10; ++c) {
            driver.text[":AMP:CH" + std::to_string(c) + "?"] = amp[c - 1];
            driver.text[":ALAR:CH" + std::to_string(c) + "?"] = alarm[c - 1];
        }
        driver.text[":DATA:SAMP?"] = ":DATA:SAMP 2S";
    }
};

TEST(LoggerCommands, TerminatorsAndTheCommandBuffer) {
    char out[kCommandSize];
    EXPECT_EQ(FormatCommand(out, ":INFO:CH?%s", 0), 11u);
    EXPECT_STREQ(out, ":INFO:CH?\r\n");
    FormatCommand(out, ":INFO:CH?%s", 3);
    EXPECT_STREQ(out, ":INFO:CH?");
    FormatCommand(out, ":AMP:CH%d?%s", 2, 10);
    EXPECT_STREQ(out, ":AMP:CH10?\n");
    FormatCommand(out, ":INFO:CH?%s", 99);  // a damaged setting falls back to CR LF
    EXPECT_STREQ(out, ":INFO:CH?\r\n");
    EXPECT_EQ(FormatCommand(out, ":A:VERY:LONG:COMMAND:THAT:DOES:NOT:FIT?%s", 0), 31u);
}

TEST_F(ProtocolFixture, ChannelQueryFillsTheTableFromTheReplies) {
    ScriptLogger();
    ASSERT_TRUE(link.OpenLogger());
    EXPECT_EQ(protocol.QueryChannelInfo(0, 0), 0u);

    EXPECT_EQ(wave->bytesPerPoint, 48);
    EXPECT_EQ(wave->channelCount, 10);
    const ChannelInfo* ch = wave->channel;
    EXPECT_STREQ(ch[0].input, "DC");
    EXPECT_STREQ(ch[0].range, "10V;FI");
    EXPECT_STREQ(ch[4].range, "TC-K");
    // Counts per unit from each range (millivolts, 1-5V, below one volt without a division by
    // zero); alarm outputs on active channels only, and only outputs 1 to 4 count as used.
    const std::tuple<int32_t, double, int32_t> expected[10] = {
        {kTypeVoltage, 2000, 1},   {kTypeVoltage, 10000, 0},   {kTypeVoltage, 4000, 3},
        {kTypeHumidity, 20000, 0}, {kTypeTemperature, 10, 0},  {kTypeVoltage, 40000, 7},
        {kTypeVoltage, 1000, 0},   {kTypeOff, ch[7].scale, 0}, {kTypeVoltage, 4000, 0},
        {kTypeVoltage, 20000, 0}};
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(std::tie(ch[c].type, ch[c].scale, ch[c].alarmOut), expected[c]) << c + 1;
    }
    EXPECT_EQ(protocol.CountActiveChannels(), 9);
    EXPECT_EQ(std::vector<int32_t>(wave->alarmOutUsed, wave->alarmOutUsed + 4),
              (std::vector<int32_t>{1, 0, 1, 0}));

    EXPECT_STREQ(wave->samplingText, "2S");
    EXPECT_EQ(wave->intervalMs, 2000);
    EXPECT_EQ(clock.slept, 22u * 10u) << "every text exchange pauses 10 ms";

    // Replies without their keywords leave the earlier values in place.
    driver.text[":INFO:CH?"] = "CH 4";
    driver.text[":AMP:CH1?"] = "nonsense";
    driver.text[":DATA:SAMP?"] = ":DATA:SAMP 500MS";
    EXPECT_EQ(protocol.QueryChannelInfo(0, 0), 0u);
    EXPECT_EQ(wave->channelCount, 10);
    EXPECT_STREQ(ch[0].range, "10V;FI");
    EXPECT_EQ(ch[0].scale, 2000.0);
    EXPECT_EQ(wave->intervalMs, 500);
}

TEST_F(ProtocolFixture, AFailedChannelReplyStopsTheQueryThere) {
    ScriptLogger();
    ASSERT_TRUE(link.OpenLogger());
    wave->intervalMs = 1234;
    wave->channel[5].scale = 77.0;
    driver.text.erase(":AMP:CH6?");  // no reply: the wait runs out
    EXPECT_EQ(protocol.QueryChannelInfo(0, 0), err::kWaitTimeout);
    EXPECT_EQ(wave->channel[4].type, kTypeTemperature);
    EXPECT_EQ(wave->channel[5].scale, 77.0);
    EXPECT_EQ(wave->intervalMs, 1234) << "no interval is read after a failed channel";
}

TEST_F(ProtocolFixture, ConnectReturnsAFailedQueryButKeepsTheLink) {
    ScriptLogger();
    driver.text.erase(":INFO:CH?");
    const LoggerProtocol::Connection c = protocol.ConnectLogger(0);
    EXPECT_TRUE(c.opened);
    EXPECT_EQ(c.queryResult, err::kWaitTimeout);
    EXPECT_EQ(driver.writes[0], ":MEAS:OUTP:CLR?\r\n");
    EXPECT_EQ(driver.writes[1], ":MEAS:OUTP:STAT?\r\n");
    EXPECT_TRUE(link.IsOpen());

    driver.loadable = false;
    link.CloseLogger(0);
    EXPECT_FALSE(protocol.ConnectLogger(0).opened);
}

TEST_F(ProtocolFixture, AcknowledgePollDeliversTheBlockOrNothing) {
    ASSERT_TRUE(link.OpenLogger());
    wave->bytesPerPoint = 48;
    wave->channelCount = 10;
    RecordingSink sink(link);

    driver.blocks[":MEAS:OUTP:ACK?"] = Block(Points(3, {1}, 0x05, 0x02));
    EXPECT_EQ(protocol.PollAck(0, 700, sink), 0u);
    ASSERT_EQ(sink.completions.size(), 1u);
    EXPECT_EQ(sink.completions[0], std::make_pair(0u, 144u));
    EXPECT_EQ(sink.appended, 3);
    EXPECT_EQ(wave->samples[2][9], 29);
    EXPECT_EQ(driver.timeouts, (std::vector<uint32_t>{2000, 700, 700}))
        << "the send uses the default, both reads the given time-out";

    // A header that is not "#6" ends the exchange without a post.
    driver.blocks[":MEAS:OUTP:ACK?"] = {'#', '5', '0', '0', '0', '0', '4', '8'};
    EXPECT_EQ(protocol.PollAck(0, 0, sink), 0u);
    EXPECT_EQ(sink.completions.size(), 1u);

    // A failed header read returns its code and posts nothing.
    driver.blocks.erase(":MEAS:OUTP:ACK?");
    driver.pendingBytes.clear();
    EXPECT_EQ(protocol.PollAck(0, 0, sink), err::kWaitTimeout);
    EXPECT_EQ(sink.completions.size(), 1u);
}

TEST_F(ProtocolFixture, ABlockLargerThanTheReceiveBufferLosesNoPoint) {
    ASSERT_TRUE(link.OpenLogger());
    wave->bytesPerPoint = 48;
    wave->channelCount = 10;
    wave->channel[9].alarmOut = 4;
    RecordingSink sink(link);

    // 700 points (33600 bytes) plus half a point of trailing junk.
    std::vector<uint8_t> data = Points(700, {650}, 0x00, 0x02);
    data.resize(data.size() + 24, 0xEE);
    driver.blocks[":MEAS:OUTP:ACK?"] = Block(data);
    EXPECT_EQ(protocol.PollAck(0, 0, sink), 0u);

    EXPECT_EQ(sink.pieces, (std::vector<uint32_t>{15984, 15984}));
    ASSERT_EQ(sink.completions.size(), 1u);
    EXPECT_EQ(sink.completions[0].second, 33624u - 2 * 15984u);
    EXPECT_EQ(sink.appended, 700);
    EXPECT_EQ(wave->writeIndex, 700);
    for (int k : {0, 332, 333, 666, 699}) {
        EXPECT_EQ(wave->samples[k][0], k * 10) << "point " << k;
    }
    EXPECT_EQ(wave->ScanAlarms(sink.appended), 4);
    EXPECT_EQ(wave->alarmChannel, 10);
    EXPECT_EQ(wave->channel[9].alarmFlag[650], 1);
}

}  // namespace
}  // namespace velatrace
