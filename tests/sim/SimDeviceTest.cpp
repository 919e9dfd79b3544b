// The simulated logger driven directly, with the time set by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ReplyParsing.h"
#include "sim/ConfigParser.h"
#include "sim/SimDevice.h"

namespace velatrace::sim {
namespace {

using parse::DecodedPoint;

constexpr uint64_t kT0 = 5000000;  // any start time: only differences matter

SimConfig Config(const char* text) {
    SimConfig config = DefaultConfig();
    const std::vector<std::string> warnings = ApplyConfigText(text, config);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    return config;
}

std::string Ask(SimDevice& device, const std::string& command, uint64_t now = kT0) {
    device.Write(command, now);
    char text[256];
    uint32_t length = 0;
    return device.ReadText(text, sizeof text, &length) ? std::string(text) : "<no reply>";
}

// The whole output of a block command: header and data.
std::string Block(SimDevice& device, const char* command, uint64_t now = kT0) {
    device.Write(command, now);
    std::string bytes;
    uint8_t piece[1000];
    for (uint32_t n = 0; device.ReadBytes(piece, sizeof piece, &n) && n > 0;) {
        bytes.append(reinterpret_cast<const char*>(piece), n);
    }
    return bytes;
}

std::vector<DecodedPoint> Points(const std::string& block, int channelCount = 10) {
    EXPECT_GE(block.size(), 8u);
    EXPECT_EQ(block.substr(0, 2), "#6");
    EXPECT_EQ(std::stoul(block.substr(2, 6)), block.size() - 8);
    return parse::DecodePoints(reinterpret_cast<const uint8_t*>(block.data()) + 8, block.size() - 8,
                               channelCount);
}

TEST(SimDevice, CommandsTakeEveryTerminatorAndEachReplyBelongsToItsCommand) {
    SimDevice device(DefaultConfig(), kT0);
    for (const char* terminator : {"\r\n", "\r", "\n", ""}) {
        EXPECT_EQ(Ask(device, std::string(":amp:ch2?") + terminator), ":AMP:CH2:INP DC;RANG 1V");
    }
    EXPECT_EQ(Ask(device, ":STAT:REM OFF\r\n"), "<no reply>");
    EXPECT_EQ(Ask(device, ":AMP:CH11?"), "<no reply>");
    EXPECT_EQ(Ask(device, ":AMP:CH0?"), "<no reply>");
    EXPECT_EQ(Ask(device, ":NONSENSE?"), "<no reply>");
    EXPECT_EQ(Ask(device, ""), "<no reply>");
    EXPECT_EQ(Ask(device, ":INFO:CH?" + std::string(100000, ' ') + "x"), "<no reply>");

    // A reply left unread is dropped by the next command.
    device.Write(":MEAS:OUTP:ONE?", kT0);
    EXPECT_EQ(Ask(device, ":INFO:CH?"), ":INFO:CH 10");
}

TEST(SimDevice, BlockCarriesEachWaveformAtEverySampleIndex) {
    SimDevice device(Config("start_points = 20\n"
                            "ch1 DC 10V sine 5 4 1\n"
                            "ch1 alarm OFF\n"
                            "ch2 DC 10V ramp 0 10 5\n"
                            "ch3 DC 10V triangle 0 10 20\n"
                            "ch4 DC 10V square -1 2 4\n"
                            "ch5 TEMP TC-K const 25\n"),
                     kT0);
    const std::string block = Block(device, ":MEAS:OUTP:ACK?\r\n");
    ASSERT_EQ(block.substr(0, 8), "#6000960");
    const std::vector<DecodedPoint> points = Points(block);
    ASSERT_EQ(points.size(), 20u);
    const int sine[4] = {1, 6, 1, -4};
    for (int n = 0; n < 20; ++n) {
        const int16_t* counts = points[n].counts;
        EXPECT_EQ(counts[0], 2000 * sine[n % 4]) << n;
        EXPECT_EQ(counts[1], 4000 * (n % 5)) << n;
        EXPECT_EQ(counts[2], 2000 * (n % 20 <= 10 ? n % 20 : 20 - n % 20)) << n;
        EXPECT_EQ(counts[3], n % 4 < 2 ? -2000 : 4000) << n;
        EXPECT_EQ(counts[4], 250) << n;
        for (int c = 5; c < 10; ++c) {
            EXPECT_EQ(counts[c], 0);
        }
        for (int byte = 20; byte < 48; ++byte) {
            EXPECT_EQ(block[8 + 48 * n + byte], 0) << n << " " << byte;
        }
    }
    // Everything was acknowledged: the next block is empty.
    EXPECT_EQ(Block(device, ":MEAS:OUTP:ACK?"), "#6000000");
}

TEST(SimDevice, SamplesFollowTheClockUntilAClearRestartsThem) {
    // Default ch2 ramps 0..1 V over 50 samples on the 1 V range: 400 counts per sample.
    SimDevice device(DefaultConfig(), kT0);
    EXPECT_EQ(Block(device, ":MEAS:OUTP:ACK?", kT0 + 99), "#6000000");
    std::vector<DecodedPoint> points = Points(Block(device, ":MEAS:OUTP:ACK?", kT0 + 100));
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].counts[1], 0);
    EXPECT_EQ(Ask(device, ":MEAS:OUTP:STAT?", kT0 + 350), ":MEAS:OUTP:STAT 2");
    // The one-point reading is the newest sample and acknowledges nothing.
    EXPECT_EQ(Points(Block(device, ":MEAS:OUTP:ONE?", kT0 + 350))[0].counts[1], 800);
    points = Points(Block(device, ":MEAS:OUTP:ACK?", kT0 + 350));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].counts[1], 400);
    EXPECT_EQ(points[1].counts[1], 800);

    EXPECT_EQ(Ask(device, ":MEAS:OUTP:CLR?", kT0 + 1000), ":MEAS:OUTP:CLR 0");
    EXPECT_EQ(Block(device, ":MEAS:OUTP:ACK?", kT0 + 1099), "#6000000");
    points = Points(Block(device, ":MEAS:OUTP:ACK?", kT0 + 1100));
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].counts[1], 0);
}

TEST(SimDevice, MemoryAndBlockLimitsKeepTheNewestPointsInOrder) {
    SimDevice small(Config("start_points = 8\nmemory_points = 5\n"), kT0);
    std::vector<DecodedPoint> points = Points(Block(small, ":MEAS:OUTP:ACK?"));
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points[0].counts[1], 3 * 400);  // samples 0..2 were overwritten

    SimDevice capped(Config("start_points = 8\nmax_block_points = 3\n"), kT0);
    for (size_t expected : {3u, 3u, 2u, 0u}) {
        EXPECT_EQ(Points(Block(capped, ":MEAS:OUTP:ACK?")).size(), expected);
    }
    // A clear refills the start points from index 0 and drops what was left.
    SimDevice cleared(Config("start_points = 4\nmax_block_points = 3\n"), kT0);
    EXPECT_EQ(Points(Block(cleared, ":MEAS:OUTP:ACK?")).size(), 3u);
    Ask(cleared, ":MEAS:OUTP:CLR?");
    points = Points(Block(cleared, ":MEAS:OUTP:ACK?"));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].counts[1], 0);
    EXPECT_EQ(Points(Block(cleared, ":MEAS:OUTP:ACK?")).size(), 1u);
}

TEST(SimDevice, AlarmBitsFollowLevelsWithHysteresis) {
    // Both triangles read 0,1,..,10,9,..,1 volts over 20 samples.
    SimDevice device(Config("start_points = 40\n"
                            "ch1 DC 10V triangle 0 10 20\n"
                            "ch1 alarm HI 5 2 3\n"
                            "ch2 DC 10V triangle 0 10 20\n"
                            "ch2 alarm LO 2 1 4\n"
                            "ch5 OFF\n"
                            "ch5 alarm HI -1\n"
                            "ch9 DC 10V square 0 1 4\n"
                            "ch9 alarm HI 0.5\n"
                            "ch10 DC 10V square 0 1 2\n"
                            "ch10 alarm LO 0.5 0 2\n"),
                     kT0);
    EXPECT_EQ(Ask(device, ":ALAR:CH2?"), ":ALAR:CH2:MODE LO;LEV 2;HYST 1;OUTP 4");

    const std::vector<DecodedPoint> points = Points(Block(device, ":MEAS:OUTP:ACK?"));
    ASSERT_EQ(points.size(), 40u);
    for (int n = 0; n < 40; ++n) {
        const int m = n % 20;
        EXPECT_EQ(points[n].alarm[0], m >= 5 && m <= 17) << n;  // on at 5 V, off below 3 V
        EXPECT_EQ(points[n].alarm[1], m <= 3 || m >= 18) << n;  // on at 2 V, off above 3 V
        EXPECT_FALSE(points[n].alarm[4]) << n;                  // an off channel never alarms
        EXPECT_EQ(points[n].alarm[8], n % 4 >= 2) << n;
        EXPECT_EQ(points[n].alarm[9], n % 2 == 0) << n;
    }
}

TEST(SimDevice, FewerChannelsMoveTheAlarmBytesAndSwitchTheRestOff) {
    SimDevice device(Config("channel_count = 3\nstart_points = 1\nch1 DC 10V const 6\n"), kT0);
    EXPECT_EQ(Ask(device, ":INFO:CH?"), ":INFO:CH 3");
    EXPECT_EQ(Ask(device, ":AMP:CH4?"), ":AMP:CH4:INP OFF;RANG 1V");  // RH by default, beyond 3
    const std::string block = Block(device, ":MEAS:OUTP:ACK?");
    ASSERT_EQ(block.size(), 56u);
    EXPECT_EQ(block[8 + 25], 1);  // first alarm byte at 2 * 3 + 19
    EXPECT_EQ(Points(block, 3)[0].counts[3], 0);
}

TEST(SimDevice, FaultsSpoilTheRepliesTheyAreSetFor) {
    SimDevice lossy(Config("timeout_every = 3\n"), kT0);
    EXPECT_NE(Ask(lossy, ":INFO:CH?"), "<no reply>");
    EXPECT_NE(Block(lossy, ":MEAS:OUTP:ONE?"), "");
    EXPECT_EQ(Ask(lossy, ":INFO:CH?"), "<no reply>");
    EXPECT_NE(Ask(lossy, ":INFO:CH?"), "<no reply>");
    EXPECT_NE(Ask(lossy, ":INFO:CH?"), "<no reply>");
    EXPECT_EQ(Block(lossy, ":MEAS:OUTP:ONE?"), "");

    // Only data blocks count for bad headers.
    SimDevice garbled(Config("bad_header_every = 2\n"), kT0);
    EXPECT_EQ(Block(garbled, ":MEAS:OUTP:ONE?").substr(0, 2), "#6");
    Ask(garbled, ":INFO:CH?");
    EXPECT_EQ(Block(garbled, ":MEAS:OUTP:ACK?").substr(0, 8), "#0000000");
    EXPECT_EQ(Block(garbled, ":MEAS:OUTP:ACK?").substr(0, 2), "#6");

    SimDevice cut(Config("short_reply_every = 2\nstart_points = 3\n"), kT0);
    EXPECT_EQ(Ask(cut, ":AMP:CH1?"), ":AMP:CH1:INP DC;RANG 10V");
    EXPECT_EQ(Ask(cut, ":AMP:CH1?"), ":AMP:CH1:INP");
    Ask(cut, ":INFO:CH?");
    const std::string block = Block(cut, ":MEAS:OUTP:ACK?");
    EXPECT_EQ(block.substr(0, 8), "#6000144");
    EXPECT_EQ(block.size(), 8u + 144 - 24);  // the last point is cut in half

    SimDevice unplugged(Config("disconnect_after_ms = 500\n"), kT0);
    EXPECT_FALSE(unplugged.Disconnected(kT0 + 499));
    EXPECT_TRUE(unplugged.Disconnected(kT0 + 500));
}

TEST(SimDevice, ReadsStayWithinTheCallersCount) {
    SimDevice device(DefaultConfig(), kT0);
    device.Write(":INFO:CH?", kT0);
    char text[16];
    std::memset(text, '~', sizeof text);
    uint32_t n = 99;
    ASSERT_TRUE(device.ReadText(text, 6, &n));
    EXPECT_EQ(n, 5u);
    EXPECT_STREQ(text, ":INFO");
    EXPECT_EQ(text[6], '~');
    ASSERT_TRUE(device.ReadText(text, 1, &n));  // room for the terminator only
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(text[0], '\0');
    ASSERT_TRUE(device.ReadText(text, sizeof text, &n));
    EXPECT_STREQ(text, ":CH 10");
    EXPECT_FALSE(device.ReadText(text, sizeof text, &n));

    device.Write(":MEAS:OUTP:ONE?", kT0);
    uint8_t bytes[8];
    std::memset(bytes, '~', sizeof bytes);
    ASSERT_TRUE(device.ReadBytes(bytes, 3, &n));
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "#60~");
    ASSERT_TRUE(device.ReadBytes(bytes, 0, &n));
    EXPECT_EQ(n, 0u);
}

}  // namespace
}  // namespace velatrace::sim
