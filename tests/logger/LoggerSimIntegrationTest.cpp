// The logger link against the real simulated driver library, loaded at run time like the
// program loads a logger's driver: the entry points, the completion event and the error codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "FakeDriverLibrary.h"
#include "logger/DriverLibraryDl.h"
#include "session/LevelTrigger.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

TEST(SimulatedLogger, ConnectsPollsAWholeLargeBlockAndReportsFaults) {
    testing::TempFolder folder;
    DriverLibraryDl driver{VELATRACE_SIM_LIBRARY};
    testing::FakeClock clock;
    LoggerLink link{driver};
    LoggerProtocol protocol{link, clock};
    const auto configure = [&](const std::string& text) {
        link.CloseLogger(0);
        folder.Write("sim.cfg", text);
        setenv("VELATRACE_SIM_CONFIG", folder.File("sim.cfg").c_str(), 1);
    };

    // More points than the receive buffer holds, on channels of every kind of range.
    configure(
        "interval = 10s\nstart_points = 1000\nch1 DC 20MV const 0.015\nch2 DC 1-5V const 3\n"
        "ch3 DC 0.5V const 0.25\nch4 TEMP PT100 const -23.4\nch5 RH 1V const 50\n"
        "ch6 DC 5V const 1.25\nch6 alarm HI 1.0 0.1 2\nch7 DC 3V const 1\n"
        "ch10 DC 10V ramp 0 10 1000\n");
    const LoggerProtocol::Connection connection = protocol.ConnectLogger(0);
    ASSERT_EQ(connection.queryResult, 0u);
    const LoggerSetup& setup = connection.setup;
    EXPECT_EQ(setup.intervalMs, 10000);
    testing::RecordingSink sink(link, setup);
    EXPECT_EQ(protocol.PollAck(0, 0, setup.bytesPerPoint, sink), 0u);
    ASSERT_GE(sink.appended, 1000);
    // The logger's counts read back as the set values on the program's scale of each range
    // (50 %RH reads 0.5), and the points arrive in order.
    const double values[7] = {0.015, 3, 0.25, -23.4, 0.5, 1.25, 1};
    for (int k = 0; k < 1000; ++k) {
        const int32_t* row = sink.rows[k].counts;
        for (int ch = 0; ch < 7; ++ch) {
            const double scale = setup.channel[ch].scale;
            ASSERT_NEAR(row[ch] / scale, values[ch], 1.0 / scale) << "channel " << ch + 1;
        }
        ASSERT_EQ(row[9], 20 * k) << "point " << k;
    }
    EXPECT_EQ(std::make_tuple(sink.alarms[0], setup.channel[5].alarmOut),
              std::make_tuple(1u << 5, 2))
        << "channel 6 above its level drives output 2";

    // Injected faults arrive as the driver's codes, through the event wait and the plain read.
    configure("disconnect_after_ms = 0\n");
    EXPECT_EQ(protocol.ConnectLogger(0).queryResult, 31u);
    // A logger plugged in again is found by a new open, and stays; its old handle does not.
    configure("disconnect_after_ms = 0\nreconnect_after_ms = 0\n");
    EXPECT_EQ(protocol.ConnectLogger(0).queryResult, 31u);
    link.CloseLogger(0);
    EXPECT_EQ(protocol.ConnectLogger(0).queryResult, 0u);
    EXPECT_EQ(protocol.PollAck(0, 0, setup.bytesPerPoint, sink), 0u);
    configure("timeout_every = 1\nstart_points = 5\n");
    ASSERT_TRUE(link.OpenLogger());
    EXPECT_EQ(protocol.SendControl(LoggerControl::Status, 0, 50), err::kWaitTimeout);
    EXPECT_EQ(protocol.PollAck(0, 50, setup.bytesPerPoint, sink), err::kWaitTimeout);
    link.CloseLogger(0);
    unsetenv("VELATRACE_SIM_CONFIG");
}

// A level trigger on the simulated logger's square wave, on the values as the program scales
// them: a start at each rising edge, an end at each fall.
TEST(SimulatedLogger, ALevelTriggerSeesEachEdgeOfItsSquareWave) {
    testing::TempFolder folder;
    folder.Write("sim.cfg", "interval = 3600s\nstart_points = 300\nch1 DC 10V square 0 5 100\n");
    setenv("VELATRACE_SIM_CONFIG", folder.File("sim.cfg").c_str(), 1);
    DriverLibraryDl driver{VELATRACE_SIM_LIBRARY};
    testing::FakeClock clock;
    LoggerLink link{driver};
    LoggerProtocol protocol{link, clock};
    const LoggerSetup setup = protocol.ConnectLogger(0).setup;
    testing::RecordingSink sink(link, setup);
    ASSERT_EQ(protocol.PollAck(0, 0, setup.bytesPerPoint, sink), 0u);
    ASSERT_EQ(sink.appended, 300);
    LevelTriggers triggers;
    triggers.Configure({{1, 1, kTriggerAbove, 2.5, 1.0}});
    std::string edges;
    for (int k = 0; k < 300; ++k) {
        double values[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            values[c] = sink.rows[k].counts[c] / UsableScale(setup.channel[c].scale);
        }
        const LevelTriggers::Events e = triggers.Feed(values, kChannels);
        edges += e.started ? "s" + std::to_string(k) : e.cleared ? "e" + std::to_string(k) : "";
    }
    EXPECT_EQ(edges, "s50e100s150e200s250");
    link.CloseLogger(0);
    unsetenv("VELATRACE_SIM_CONFIG");
}

}  // namespace
}  // namespace velatrace
