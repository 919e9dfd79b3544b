// The logger link against the real simulated driver library, loaded at run time like the
// program loads a logger's driver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "logger/DriverLibraryDl.h"
#include "logger/LoggerProtocol.h"
#include "support/FakeClock.h"

namespace velatrace {
namespace {

using testing::FakeClock;

struct DecodingSink : AckSink {
    explicit DecodingSink(LoggerLink& link) : link(link) {}
    void Piece(uint32_t bytes) override {
        link.Wave().AppendPiece(link.ReceiveBuffer(), static_cast<int32_t>(bytes));
    }
    void Complete(uint32_t result, uint32_t bytes) override {
        ++completions;
        lastResult = result;
        if (result == 0) {
            appended = link.Wave().AppendPoints(link.ReceiveBuffer(), static_cast<int32_t>(bytes));
        }
    }
    LoggerLink& link;
    int completions = 0;
    uint32_t lastResult = 0;
    int32_t appended = 0;
};

class SimulatedLogger : public ::testing::Test {
  protected:
    // Writes the simulator's configuration and points the library at it.
    void Configure(const std::string& text) {
        configPath_ =
            std::filesystem::temp_directory_path() /
            ("velatrace-sim-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".cfg");
        std::ofstream(configPath_) << text;
        setenv("VELATRACE_SIM_CONFIG", configPath_.c_str(), 1);
    }
    void TearDown() override {
        link.CloseLogger(0);
        unsetenv("VELATRACE_SIM_CONFIG");
        std::error_code ignored;
        std::filesystem::remove(configPath_, ignored);
    }

    DriverLibraryDl driver{VELATRACE_SIM_LIBRARY};
    FakeClock clock;
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    LoggerLink link{driver, *wave};
    LoggerProtocol protocol{link, clock};
    std::filesystem::path configPath_;
};

TEST_F(SimulatedLogger, ConnectsReadsTheChannelsAndPollsValuesAndAlarms) {
    Configure(R"(# a bench with known signals
interval = 100ms
start_points = 40
ch1 DC 10V const 2.5
ch1 alarm OFF
ch2 DC 1V ramp 0 1 50
ch3 TEMP TC-K const 25
ch4 RH 1V const 50
ch5 DC 5V const 3
ch5 alarm HI 2.0 0.1 2
)");
    const LoggerProtocol::Connection c = protocol.ConnectLogger(0);
    ASSERT_TRUE(c.opened);
    EXPECT_EQ(c.queryResult, 0u);

    EXPECT_EQ(wave->channelCount, 10);
    EXPECT_EQ(wave->bytesPerPoint, 48);
    EXPECT_EQ(wave->intervalMs, 100);
    EXPECT_EQ(protocol.CountActiveChannels(), 5);
    EXPECT_EQ(wave->channel[0].scale, 2000.0);
    EXPECT_EQ(wave->channel[1].scale, 20000.0);
    EXPECT_EQ(wave->channel[2].type, kTypeTemperature);
    EXPECT_EQ(wave->channel[3].type, kTypeHumidity);
    EXPECT_EQ(wave->channel[4].scale, 4000.0);
    EXPECT_EQ(wave->channel[4].alarmOut, 2);
    EXPECT_EQ(wave->alarmOutUsed[1], 1);
    EXPECT_EQ(wave->alarmOutUsed[0], 0);

    DecodingSink sink(link);
    EXPECT_EQ(protocol.PollAck(0, 0, sink), 0u);
    ASSERT_EQ(sink.completions, 1);
    ASSERT_GE(sink.appended, 40);
    for (int k = 0; k < sink.appended; ++k) {
        const int32_t* row = wave->samples[k];
        EXPECT_EQ(row[0], 5000);   // 2.5 V at 2000 counts per volt
        EXPECT_EQ(row[2], 250);    // 25.0 C in tenths
        EXPECT_EQ(row[3], 10000);  // 50 %RH
        EXPECT_EQ(row[4], 12000);  // 3 V at 4000 counts per volt
        EXPECT_EQ(row[5], 0);      // off
        if (k > 0) {
            const int32_t step = row[1] - wave->samples[k - 1][1];
            EXPECT_TRUE(step == 400 || step == -49 * 400) << "ramp step " << step << " at " << k;
        }
    }
    EXPECT_EQ(wave->ScanAlarms(sink.appended), 2) << "channel 5 above its level drives output 2";
    EXPECT_EQ(wave->alarmChannel, 5);
}

TEST_F(SimulatedLogger, ABlockLargerThanTheReceiveBufferArrivesWhole) {
    Configure("start_points = 1000\ninterval = 10s\nch1 DC 10V ramp 0 10 1000\n");
    ASSERT_TRUE(protocol.ConnectLogger(0).opened);
    DecodingSink sink(link);
    EXPECT_EQ(protocol.PollAck(0, 0, sink), 0u);
    ASSERT_GE(sink.appended, 1000);
    for (int k = 1; k < 1000; ++k) {
        ASSERT_EQ(wave->samples[k][0] - wave->samples[k - 1][0], 20) << "point " << k;
    }
}

TEST_F(SimulatedLogger, InjectedFaultsGiveTheirCodesAndNoCrash) {
    Configure("open_fails = 1\n");
    EXPECT_FALSE(protocol.ConnectLogger(0).opened);

    Configure("disconnect_after_ms = 0\n");
    const LoggerProtocol::Connection lost = protocol.ConnectLogger(0);
    ASSERT_TRUE(lost.opened);
    EXPECT_EQ(lost.queryResult, 31u);
    DecodingSink sink(link);
    EXPECT_EQ(protocol.PollAck(0, 0, sink), 31u);
    EXPECT_EQ(sink.completions, 0);
    link.CloseLogger(0);

    Configure("bad_header_every = 1\nstart_points = 5\n");
    ASSERT_TRUE(link.OpenLogger());
    wave->bytesPerPoint = 48;
    EXPECT_EQ(protocol.PollAck(0, 0, sink), 0u);
    EXPECT_EQ(sink.completions, 0) << "a bad header posts nothing";
    link.CloseLogger(0);

    Configure("timeout_every = 1\nstart_points = 5\n");
    ASSERT_TRUE(link.OpenLogger());
    wave->bytesPerPoint = 48;
    EXPECT_EQ(protocol.PollAck(0, 50, sink), err::kWaitTimeout);
    EXPECT_EQ(protocol.SendControl(LoggerControl::Status, 0, 50), err::kWaitTimeout);
    EXPECT_EQ(sink.completions, 0);
}

}  // namespace
}  // namespace velatrace
