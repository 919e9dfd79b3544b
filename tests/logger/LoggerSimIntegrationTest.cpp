// The logger link against the real simulated driver library, loaded at run time like the
// program loads a logger's driver: the entry points, the completion event and the error codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "FakeDriverLibrary.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/StillTransfer.h"
#include "base/FixedText.h"
#include "logger/DriverLibraryDl.h"
#include "settings/RegistryTree.h"
#include "support/FakeClock.h"
#include "support/FakeHost.h"
#include "support/TempFolder.h"
#include "video/FakeMediaEngine.h"
#include "video/FakeVideoSurface.h"

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

// The simulated logger's square wave through the whole window: a level trigger makes one
// numbered capture per rising edge, each ending when the wave falls back.
TEST(SimulatedLogger, ALevelTriggerOnItsSquareWaveCapturesEachRisingEdge) {
    struct NoPages final : PropertyPages {
        MediaError ShowFilterPages(Camera&, int32_t, int32_t) override { return {}; }
        MediaError ShowFormatPages(Camera&, const std::vector<VideoMode>&, int32_t,
                                   int32_t) override {
            return {};
        }
    } pages;
    testing::TempFolder folder;
    // 0 V for samples 0..49 of each hundred, 5 V for 50..99; 30 points a poll; no new samples.
    folder.Write("sim.cfg",
                 "interval = 1d\nstart_points = 300\nmax_block_points = 30\n"
                 "ch1 DC 10V square 0 5 100\n");
    setenv("VELATRACE_SIM_CONFIG", folder.File("sim.cfg").c_str(), 1);
    DriverLibraryDl driver{VELATRACE_SIM_LIBRARY};
    RegistryTree registry;
    CaptureSettings cs;
    CopyText(cs.path, folder.Folder().c_str());
    CopyText(cs.filename, "sq");
    cs.autoNumber = 1;
    SettingsStore(registry).SaveCapture(cs);
    const LevelTriggerSetting triggers[kLevelTriggers] = {{1, 1, kTriggerAbove, 2.5, 1.0}};
    SettingsStore(registry).SaveTriggers(triggers);
    testing::FakeClock clock;
    testing::FakeHost host;
    testing::FakeTimers timers;
    testing::FakeMediaEngine engine;  // no camera: the captures are CSV files
    testing::FakeVideoSurface pane;
    NoStillTransfer transfer;
    MainFrame f(
        FramePorts{host.Ports(), timers, clock, registry, driver, engine, &pane, transfer, pages});
    f.Create();
    f.OnTimer(kTimerStartup);
    ASSERT_TRUE(f.Live().HasLogger());
    f.OnCommand(cmd::kPreview);
    std::string starts;
    for (int poll = 0; poll < 10; ++poll) {  // points 30 * poll .. 30 * poll + 29
        ASSERT_TRUE(timers.Running(kTimerPoll));
        host.posted.clear();
        clock.Advance(100);
        const bool before = f.Live().IsCapturing();
        f.OnTimer(kTimerPoll);
        for (auto [result, bytes] : host.posted) {
            f.OnLoggerData(result, bytes);
        }
        starts += !before && f.Live().IsCapturing()   ? "s"
                  : before && !f.Live().IsCapturing() ? "e"
                                                      : ".";
    }
    // Rising edges at 50, 150 and 250; falls at 100 and 200.
    EXPECT_EQ(starts, ".s.e.se.s.");
    for (const auto& [name, rows] : {std::pair{"sq_01.csv", 70}, {"sq_02.csv", 60}}) {
        const std::string csv = folder.Read(name);
        int lines = 0;
        size_t firstRow = 0;
        for (size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2)) {
            firstRow = ++lines == 3 ? at + 2 : firstRow;
        }
        EXPECT_EQ(lines - 3, rows) << name << ": from the rising edge to the poll of the fall";
        EXPECT_EQ(csv.compare(firstRow, 6, "5.000,"), 0) << csv.substr(firstRow, 40);
    }
    f.OnCommand(cmd::kPreview);
    unsetenv("VELATRACE_SIM_CONFIG");
}

}  // namespace
}  // namespace velatrace
