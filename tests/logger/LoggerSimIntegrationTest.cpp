// The logger link against the real simulated driver library, loaded at run time like the
// program loads a logger's driver: the entry points, the completion event and the error codes.
// The same tests run on Linux (libgtcusbr.so through dlopen) and on Windows (gtcusbr.dll through
// the driver host), with the same results.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

#include "FakeDriverLibrary.h"
#include "session/LevelTrigger.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"
#ifdef _WIN32
#include "logger/DriverLibraryWin32.h"
#else
#include "logger/DriverLibraryDl.h"
#endif

namespace velatrace {
namespace {

#ifdef _WIN32
using SimDriver = DriverLibraryWin32;
#else
using SimDriver = DriverLibraryDl;
#endif

// One run of the program against the simulated logger, set up by a configuration text (read by
// the library at each open). A new driver each time, so the library sees the new setting also
// where it runs in a process of its own.
class SimulatedRun {
  public:
    void Configure(const std::string& text) {
        session_.reset();
        folder_.Write("sim.cfg", text);
        SetVariable(folder_.File("sim.cfg"));
        session_ = std::make_unique<Session>(clock_);
    }
    ~SimulatedRun() {
        session_.reset();
        SetVariable("");
    }
    LoggerLink& Link() { return session_->link; }
    LoggerProtocol& Protocol() { return session_->protocol; }
    SimDriver& Driver() { return session_->driver; }

  private:
    struct Session {
        explicit Session(testing::FakeClock& clock) : link(driver), protocol(link, clock) {}
        ~Session() { link.CloseLogger(0); }
        SimDriver driver{VELATRACE_SIM_LIBRARY};
        LoggerLink link;
        LoggerProtocol protocol;
    };
    static void SetVariable(const std::string& value) {
#ifdef _WIN32
        _putenv_s("VELATRACE_SIM_CONFIG", value.c_str());  // "" removes it
#else
        value.empty() ? unsetenv("VELATRACE_SIM_CONFIG")
                      : setenv("VELATRACE_SIM_CONFIG", value.c_str(), 1);
#endif
    }

    testing::TempFolder folder_;
    testing::FakeClock clock_;
    std::unique_ptr<Session> session_;
};

TEST(SimulatedLogger, ConnectsPollsAWholeLargeBlockAndReportsFaults) {
    SimulatedRun run;
    // More points than the receive buffer holds, on channels of every kind of range.
    run.Configure(
        "interval = 10s\nstart_points = 1000\nch1 DC 20MV const 0.015\nch2 DC 1-5V const 3\n"
        "ch3 DC 0.5V const 0.25\nch4 TEMP PT100 const -23.4\nch5 RH 1V const 50\n"
        "ch6 DC 5V const 1.25\nch6 alarm HI 1.0 0.1 2\nch7 DC 3V const 1\n"
        "ch10 DC 10V ramp 0 10 1000\n");
    const LoggerProtocol::Connection connection = run.Protocol().ConnectLogger(0);
    ASSERT_EQ(connection.queryResult, 0u);
    const LoggerSetup setup = connection.setup;
    EXPECT_EQ(setup.intervalMs, 10000);
    testing::RecordingSink sink(run.Link(), setup);
    EXPECT_EQ(run.Protocol().PollAck(0, 0, setup.bytesPerPoint, sink), 0u);
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
    run.Configure("disconnect_after_ms = 0\n");
    EXPECT_EQ(run.Protocol().ConnectLogger(0).queryResult, 31u);
    // A logger plugged in again is found by a new open, and stays; its old handle does not.
    run.Configure("disconnect_after_ms = 0\nreconnect_after_ms = 0\n");
    EXPECT_EQ(run.Protocol().ConnectLogger(0).queryResult, 31u);
    run.Link().CloseLogger(0);
    EXPECT_EQ(run.Protocol().ConnectLogger(0).queryResult, 0u);
    testing::RecordingSink again(run.Link(), setup);
    EXPECT_EQ(run.Protocol().PollAck(0, 0, setup.bytesPerPoint, again), 0u);
    run.Configure("timeout_every = 1\nstart_points = 5\n");
    ASSERT_TRUE(run.Link().OpenLogger());
    EXPECT_EQ(run.Protocol().SendControl(LoggerControl::Status, 0, 50), err::kWaitTimeout);
    EXPECT_EQ(run.Protocol().PollAck(0, 50, setup.bytesPerPoint, again), err::kWaitTimeout);
}

TEST(SimulatedLogger, AHundredPollsThroughSwallowedGarbledAndShortBlocks) {
    // Blocks of 3 points; every 7th reply never comes, every 5th block says "#0", every 4th
    // reply loses half its last point. Counted from the open: the polls are replies 1 to 100.
    SimulatedRun run;
    run.Configure(
        "interval = 10s\nstart_points = 400\nmax_block_points = 3\nch10 DC 10V ramp 0 10 1000\n"
        "timeout_every = 7\nbad_header_every = 5\nshort_reply_every = 4\n");
    ASSERT_TRUE(run.Link().OpenLogger());
    LoggerSetup setup;
    setup.channelCount = 10;
    setup.bytesPerPoint = 48;
    testing::RecordingSink sink(run.Link(), setup);
    int timeouts = 0, others = 0, blocks = 0, points = 0;
    int32_t last = -1;
    bool ordered = true;
    for (int poll = 1; poll <= 100; ++poll) {
        const size_t before = sink.completions.size();
        const uint32_t r = run.Protocol().PollAck(0, 50, setup.bytesPerPoint, sink);
        timeouts += r == err::kWaitTimeout;
        others += r != err::kWaitTimeout && r != err::kSuccess;
        if (sink.completions.size() > before && sink.completions.back().first == 0) {
            ++blocks;
            points += sink.appended;
            for (const auto& row : sink.rows) {
                ordered = ordered && row.counts[9] > last && row.counts[9] % 20 == 0;
                last = row.counts[9];
            }
        }
    }
    // 14 swallowed, 18 garbled (announcing nothing), 17 short (2 whole points), 51 whole (3):
    // nothing but whole points, in the logger's order.
    EXPECT_EQ(std::make_tuple(timeouts, others, blocks, points, ordered),
              std::make_tuple(14, 0, 68, 17 * 2 + 51 * 3, true));
}

// A level trigger on the simulated logger's square wave, on the values as the program scales
// them: a start at each rising edge, an end at each fall.
TEST(SimulatedLogger, ALevelTriggerSeesEachEdgeOfItsSquareWave) {
    SimulatedRun run;
    run.Configure("interval = 3600s\nstart_points = 300\nch1 DC 10V square 0 5 100\n");
    const LoggerSetup setup = run.Protocol().ConnectLogger(0).setup;
    testing::RecordingSink sink(run.Link(), setup);
    ASSERT_EQ(run.Protocol().PollAck(0, 0, setup.bytesPerPoint, sink), 0u);
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
}

}  // namespace
}  // namespace velatrace
