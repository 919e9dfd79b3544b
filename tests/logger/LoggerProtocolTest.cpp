#include <gtest/gtest.h>

#include <string>
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
    LoggerLink link{driver};
    LoggerProtocol protocol{link, clock};
};

TEST_F(ProtocolFixture, ConnectFillsTheChannelTableFromTheReplies) {
    // Counts per unit from each range (millivolts, 1-5V, below one volt without a division by
    // zero); alarm outputs on active channels only, and only outputs 1 to 4 count as used.
    // Input and range, alarm, and the type, scale and alarm output they give.
    using Expected = std::tuple<int32_t, double, int32_t>;
    const std::tuple<const char*, const char*, Expected> channels[kChannels] = {
        {"DC;RANG 10V;FILT OFF", "HI;OUTP 1", {kTypeVoltage, 2000, 1}},
        {"DC;RANG 20MV", "OFF", {kTypeVoltage, 10000, 0}},
        {"DC;RANG 1-5V", "LO;OUTP 3", {kTypeVoltage, 4000, 3}},
        {"RH;RANG 1V", "OFF", {kTypeHumidity, 20000, 0}},
        {"TEMP;RANG TC-K", "OFF", {kTypeTemperature, 10, 0}},
        {"DC;RANG 0.5V", "HI;OUTP 7", {kTypeVoltage, 40000, 7}},
        {"DC;RANG 20V", "OFF", {kTypeVoltage, 1000, 0}},
        {"OFF", "HI;OUTP 2", {kTypeOff, 10, 0}},
        {"DC;RANG 5V", "OFF", {kTypeVoltage, 4000, 0}},
        {"DC;RANG 1V", "OFF", {kTypeVoltage, 20000, 0}}};
    driver.blocks[":MEAS:OUTP:ONE?"] = Block(Points(1));
    driver.text[":MEAS:OUTP:CLR?"] = ":MEAS:OUTP:CLR 0";
    driver.text[":MEAS:OUTP:STAT?"] = ":MEAS:OUTP:STAT 0";
    driver.text[":INFO:CH?"] = ":INFO:CH 10";
    driver.text[":DATA:SAMP?"] = ":DATA:SAMP 2S";
    for (int c = 1; c <= kChannels; ++c) {
        const std::string n = std::to_string(c);
        driver.text[":AMP:CH" + n + "?"] = ":AMP:CH" + n + ":INP " + std::get<0>(channels[c - 1]);
        driver.text[":ALAR:CH" + n + "?"] =
            ":ALAR:CH" + n + ":MODE " + std::get<1>(channels[c - 1]);
    }
    // A damaged terminator setting falls back to CR LF.
    const LoggerProtocol::Connection connection = protocol.ConnectLogger(99);
    EXPECT_EQ(std::tie(connection.opened, connection.queryResult), std::make_tuple(true, 0u));
    EXPECT_EQ(driver.writes[0] + driver.writes[1], ":MEAS:OUTP:CLR?\r\n:MEAS:OUTP:STAT?\r\n");
    EXPECT_EQ(clock.slept, 24u * 10u) << "every text exchange pauses 10 ms";

    LoggerSetup setup = connection.setup;
    EXPECT_EQ(std::tie(setup.bytesPerPoint, setup.channelCount, setup.intervalMs),
              std::make_tuple(48, 10, 2000));
    const ChannelInfo* ch = setup.channel;
    EXPECT_STREQ(ch[0].range, "10V;FI");
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(std::tie(ch[c].type, ch[c].scale, ch[c].alarmOut), std::get<2>(channels[c])) << c;
    }
    EXPECT_EQ(setup.CountActiveChannels(), 9);
    EXPECT_EQ(std::vector<int32_t>(setup.alarmOutUsed, setup.alarmOutUsed + 4),
              (std::vector<int32_t>{1, 0, 1, 0}));
    EXPECT_STREQ(setup.samplingText, "2S");

    // Replies without their keywords leave the earlier values in place; an alarm switched off
    // drives its output no more.
    driver.text[":INFO:CH?"] = "CH 4";
    driver.text[":AMP:CH1?"] = "nonsense";
    driver.text[":ALAR:CH3?"] = ":ALAR:CH3:MODE OFF";
    driver.text[":DATA:SAMP?"] = ":DATA:SAMP 500MS";
    EXPECT_EQ(protocol.QueryChannelInfo(0, 0, setup), 0u);
    EXPECT_EQ(std::tie(setup.channelCount, ch[0].scale, setup.intervalMs, ch[2].alarmOut),
              std::make_tuple(10, 2000.0, 500, 0));
    EXPECT_EQ(std::vector<int32_t>(setup.alarmOutUsed, setup.alarmOutUsed + 4),
              (std::vector<int32_t>{1, 0, 0, 0}));
    EXPECT_STREQ(ch[0].range, "10V;FI");

    // A channel that does not answer stops the query there.
    driver.text.erase(":AMP:CH6?");
    driver.text[":DATA:SAMP?"] = ":DATA:SAMP 1S";
    EXPECT_EQ(protocol.QueryChannelInfo(0, 0, setup), err::kWaitTimeout);
    EXPECT_EQ(setup.intervalMs, 500) << "no interval is read after a failed channel";

    char out[kCommandSize];
    EXPECT_EQ(FormatCommand(out, ":A:VERY:LONG:COMMAND:THAT:DOES:NOT:FIT?%s", 0), 31u);
}

TEST_F(ProtocolFixture, AcknowledgePollDeliversWholeBlocksOrNothing) {
    ASSERT_TRUE(link.OpenLogger());
    LoggerSetup setup;
    setup.bytesPerPoint = 48;
    setup.channelCount = 10;
    RecordingSink sink(link, setup);
    driver.blocks[":MEAS:OUTP:ACK?"] = Block(Points(3));
    EXPECT_EQ(protocol.PollAck(0, 700, 48, sink), 0u);
    EXPECT_EQ(sink.completions, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 144}}));
    EXPECT_EQ(std::make_tuple(sink.appended, sink.rows[2].counts[9]), std::make_tuple(3, 29));
    EXPECT_EQ(driver.timeouts, (std::vector<uint32_t>{2000, 700, 700}))
        << "the send uses the default, both reads the given time-out";

    // A header that is not "#6", or a failed header read, ends the exchange without a post.
    driver.blocks[":MEAS:OUTP:ACK?"] = {'#', '5', '0', '0', '0', '0', '4', '8'};
    EXPECT_EQ(protocol.PollAck(0, 0, 48, sink), 0u);
    driver.blocks.erase(":MEAS:OUTP:ACK?");
    driver.pendingBytes.clear();
    EXPECT_EQ(protocol.PollAck(0, 0, 48, sink), err::kWaitTimeout);
    EXPECT_EQ(sink.completions.size(), 1u);

    // A block larger than the receive buffer comes in pieces of whole points and loses none:
    // 700 points (33600 bytes) plus half a point of trailing junk.
    std::vector<uint8_t> data = Points(700, 650);
    data.resize(data.size() + 24, 0xEE);
    driver.blocks[":MEAS:OUTP:ACK?"] = Block(data);
    EXPECT_EQ(protocol.PollAck(0, 0, 48, sink), 0u);

    EXPECT_EQ(sink.pieces, (std::vector<uint32_t>{15984, 15984}));
    EXPECT_EQ(sink.completions.back(), std::make_pair(0u, 33624u - 2 * 15984u));
    EXPECT_EQ(sink.appended, 700);
    EXPECT_EQ(sink.rows[699].counts[0], 6990);
    EXPECT_EQ(sink.alarms[650], 1u << 9) << "the alarm in the second piece";
}

}  // namespace
}  // namespace velatrace
