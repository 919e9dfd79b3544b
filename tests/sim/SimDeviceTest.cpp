// The simulated logger driven directly, with the time set by hand.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "sim/ConfigParser.h"
#include "sim/SimDevice.h"

namespace velatrace::sim {
namespace {

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
    for (uint32_t n = 0; device.ReadBytes(piece, sizeof piece, &n) && n > 0;)
        bytes.append(reinterpret_cast<const char*>(piece), n);
    return bytes;
}

// A block's points as the program decodes them: the counts big-endian from byte 0, the alarm
// bytes at 2N+19 and 2N+20 for N channels, 48 bytes a point.
struct Point {
    std::vector<int> counts;
    std::vector<bool> alarm;
};

std::vector<Point> Points(const std::string& block, int channelCount = 10) {
    EXPECT_EQ(block.substr(0, 2), "#6");
    EXPECT_EQ(std::stoul(block.substr(2, 6)), block.size() - 8);
    std::vector<Point> points;
    for (size_t at = 8; at + 48 <= block.size(); at += 48) {
        const auto* p = reinterpret_cast<const uint8_t*>(block.data()) + at;
        Point& point = points.emplace_back();
        for (int c = 0; c < 10; ++c) {
            point.counts.push_back(static_cast<int16_t>((p[2 * c] << 8) | p[2 * c + 1]));
            const int bit =
                c < 8 ? p[2 * channelCount + 19] >> c : p[2 * channelCount + 20] >> (c - 8);
            point.alarm.push_back((bit & 1) != 0);
        }
    }
    return points;
}

// The default channel 2 of each point: a ramp on the 1 V range, 400 counts a sample.
std::vector<int> Ramp(const std::string& block) {
    std::vector<int> ramp;
    for (const Point& point : Points(block))
        ramp.push_back(point.counts[1]);
    return ramp;
}

TEST(SimDevice, CommandsTakeEveryTerminatorAndRepliesStayWithinTheCallersCount) {
    SimDevice device(DefaultConfig(), kT0);
    for (const char* terminator : {"\r\n", "\r", "\n", ""})
        EXPECT_EQ(Ask(device, std::string(":amp:ch2?") + terminator), ":AMP:CH2:INP DC;RANG 1V");
    for (const std::string& command :
         std::vector<std::string>{":STAT:REM OFF\r\n", ":AMP:CH11?", ":AMP:CH0?", ":NONSENSE?", "",
                                  ":INFO:CH?" + std::string(100000, ' ') + "x"})
        EXPECT_EQ(Ask(device, command), "<no reply>") << command.substr(0, 20);
    // A reply left unread is dropped by the next command; a read takes no more than its room.
    device.Write(":MEAS:OUTP:ONE?", kT0);
    device.Write(":INFO:CH?", kT0);
    char text[16] = "~~~~~~~~~~~~~~~";
    uint32_t n = 99;
    ASSERT_TRUE(device.ReadText(text, 6, &n));
    EXPECT_EQ(std::string(text, 7) + std::to_string(n), std::string(":INFO\0~5", 8));
    ASSERT_TRUE(device.ReadText(text, sizeof text, &n));
    EXPECT_STREQ(text, ":CH 10");
    EXPECT_FALSE(device.ReadText(text, sizeof text, &n));
}

// Triangles read 0,1,..,10,9,..,1 volts over 20 samples; the alarms switch with hysteresis.
TEST(SimDevice, BlockCarriesEachWaveformAndAlarmAtEverySampleIndex) {
    SimDevice device(Config("start_points = 40\n"
                            "ch1 DC 10V triangle 0 10 20\nch1 alarm HI 5 2 3\n"
                            "ch2 DC 10V triangle 0 10 20\nch2 alarm LO 2 1 4\n"
                            "ch3 DC 10V sine 5 4 1\nch4 DC 10V ramp 0 10 5\n"
                            "ch5 OFF\nch5 alarm HI -1\nch6 TEMP TC-K const 25\n"
                            "ch9 DC 10V square -1 2 4\nch9 alarm HI 0.5\n"
                            "ch10 DC 10V square 0 1 2\nch10 alarm LO 0.5 0 2\n"),
                     kT0);
    EXPECT_EQ(Ask(device, ":ALAR:CH2?"), ":ALAR:CH2:MODE LO;LEV 2;HYST 1;OUTP 4");
    const std::vector<Point> points = Points(Block(device, ":MEAS:OUTP:ACK?\r\n"));
    ASSERT_EQ(points.size(), 40u);
    const int sine[4] = {1, 6, 1, -4};
    for (int n = 0; n < 40; ++n) {
        const int m = n % 20;
        const int triangle = 2000 * (m <= 10 ? m : 20 - m);
        EXPECT_EQ(points[n].counts,
                  (std::vector<int>{triangle, triangle, 2000 * sine[n % 4], 4000 * (n % 5), 0, 250,
                                    0, 0, n % 4 < 2 ? -2000 : 4000, 2000 * (n % 2)}))
            << n;
        // Channel 1 on at 5 V and off below 3 V, channel 2 on at 2 V and off above 3 V; an off
        // channel never alarms.
        EXPECT_EQ(points[n].alarm,
                  (std::vector<bool>{m >= 5 && m <= 17, m <= 3 || m >= 18, false, false, false,
                                     false, false, false, n % 4 >= 2, n % 2 == 0}))
            << n;
    }
}

TEST(SimDevice, SamplesFollowTheClockAndTheLimitsKeepTheNewestInOrder) {
    SimDevice device(DefaultConfig(), kT0);
    EXPECT_EQ(Block(device, ":MEAS:OUTP:ACK?", kT0 + 99), "#6000000");
    EXPECT_EQ(Ramp(Block(device, ":MEAS:OUTP:ACK?", kT0 + 100)), std::vector{0});
    EXPECT_EQ(Ask(device, ":MEAS:OUTP:STAT?", kT0 + 350), ":MEAS:OUTP:STAT 2");
    // The one-point reading is the newest sample and acknowledges nothing.
    EXPECT_EQ(Ramp(Block(device, ":MEAS:OUTP:ONE?", kT0 + 350)), std::vector{800});
    EXPECT_EQ(Ramp(Block(device, ":MEAS:OUTP:ACK?", kT0 + 350)), (std::vector{400, 800}));
    // A clear restarts the samples from index 0 at its own time.
    EXPECT_EQ(Ask(device, ":MEAS:OUTP:CLR?", kT0 + 1000), ":MEAS:OUTP:CLR 0");
    EXPECT_EQ(Block(device, ":MEAS:OUTP:ACK?", kT0 + 1099), "#6000000");
    EXPECT_EQ(Ramp(Block(device, ":MEAS:OUTP:ACK?", kT0 + 1100)), std::vector{0});

    SimDevice small(Config("start_points = 8\nmemory_points = 5\n"), kT0);
    EXPECT_EQ(Ramp(Block(small, ":MEAS:OUTP:ACK?")), (std::vector{1200, 1600, 2000, 2400, 2800}));
    // A block holds at most its points; a clear refills the start points and drops the rest.
    SimDevice capped(Config("start_points = 4\nmax_block_points = 3\n"), kT0);
    EXPECT_EQ(Ramp(Block(capped, ":MEAS:OUTP:ACK?")), (std::vector{0, 400, 800}));
    Ask(capped, ":MEAS:OUTP:CLR?");
    EXPECT_EQ(Ramp(Block(capped, ":MEAS:OUTP:ACK?")), (std::vector{0, 400, 800}));
    EXPECT_EQ(Ramp(Block(capped, ":MEAS:OUTP:ACK?")), std::vector{1200});

    // A scaled clock samples and disconnects that many times sooner.
    SimDevice fast(Config("time_scale = 100\ndisconnect_after_ms = 5000\n"), kT0);
    EXPECT_EQ(Ask(fast, ":MEAS:OUTP:STAT?", kT0 + 10), ":MEAS:OUTP:STAT 10");
    EXPECT_FALSE(fast.Disconnected(kT0 + 49));
    EXPECT_TRUE(fast.Disconnected(kT0 + 50));
}

TEST(SimDevice, FewerChannelsMoveTheAlarmBytesAndSwitchTheRestOff) {
    SimDevice device(Config("channel_count = 3\nstart_points = 1\nch1 DC 10V const 6\n"), kT0);
    EXPECT_EQ(Ask(device, ":INFO:CH?"), ":INFO:CH 3");
    EXPECT_EQ(Ask(device, ":AMP:CH4?"), ":AMP:CH4:INP OFF;RANG 1V");  // RH by default, beyond 3
    const std::vector<Point> points = Points(Block(device, ":MEAS:OUTP:ACK?"), 3);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(std::tuple(points[0].counts[3], bool(points[0].alarm[0])), std::tuple(0, true));
}

TEST(SimDevice, FaultsSpoilTheRepliesTheyAreSetFor) {
    // Only data blocks count for bad headers.
    SimDevice garbled(Config("bad_header_every = 2\n"), kT0);
    EXPECT_EQ(Block(garbled, ":MEAS:OUTP:ONE?").substr(0, 2), "#6");
    Ask(garbled, ":INFO:CH?");
    EXPECT_EQ(Block(garbled, ":MEAS:OUTP:ACK?").substr(0, 8), "#0000000");
    // Every second reply is cut: a text in half, a block by half a point.
    SimDevice cut(Config("short_reply_every = 2\nstart_points = 3\n"), kT0);
    EXPECT_EQ(Ask(cut, ":AMP:CH1?"), ":AMP:CH1:INP DC;RANG 10V");
    EXPECT_EQ(Ask(cut, ":AMP:CH1?"), ":AMP:CH1:INP");
    Ask(cut, ":INFO:CH?");
    const std::string block = Block(cut, ":MEAS:OUTP:ACK?");
    EXPECT_EQ(block.substr(0, 8), "#6000144");
    EXPECT_EQ(block.size(), 8u + 144 - 24);
}

}  // namespace
}  // namespace velatrace::sim
