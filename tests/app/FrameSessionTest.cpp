// The main window's behaviour run headless, as a user would drive it: start-up with the
// simulated logger and a fake camera, preview, captures, close, restart and replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
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

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::FakeHost;
using testing::FakeMediaEngine;
using testing::FakeTimers;
using testing::FakeVideoSurface;
using testing::TempFolder;

// A bench whose channel 1 is in alarm on output 1 for half of every 400 ms.
constexpr char kAlarmBench[] = R"(interval = 20ms
ch1 DC 10V square 0 5 20
ch1 alarm HI 4.0 0.1 1
)";

class FrameSession : public ::testing::Test {
  protected:
    FrameSession() {
        testing::FakeDevice camera;
        camera.info = {"Bench camera", "/dev/v4l/by-id/bench-camera"};
        engine.devices.push_back(camera);
    }
    ~FrameSession() override { unsetenv("VELATRACE_SIM_CONFIG"); }

    void ConfigureLogger(const std::string& text) {
        folder.Write("sim.cfg", text);
        setenv("VELATRACE_SIM_CONFIG", folder.File("sim.cfg").c_str(), 1);
    }
    void StoreCaptureSettings(int32_t autoNumber, int32_t alarm1, int32_t timeLimit = 0) {
        CaptureSettings cs;
        CopyText(cs.path, folder.Folder().c_str());
        CopyText(cs.filename, "run");
        cs.autoNumber = autoNumber;
        cs.alarmEnable[0] = alarm1;
        cs.useTimeLimit = timeLimit > 0;
        cs.timeLimitSec = timeLimit;
        SettingsStore(registry).SaveCapture(cs);
    }
    // A new program run on the same settings.
    MainFrame& Start() {
        host = FakeHost();
        timers = FakeTimers();
        frame = std::make_unique<MainFrame>(
            FramePorts{host, timers, clock, registry, *driver, engine, &pane, transfer});
        frame->Create();
        EXPECT_EQ(timers.Period(kTimerStartup), 500u);
        frame->OnTimer(kTimerStartup);
        return *frame;
    }
    // One poll tick and the answer it posted, as the window's event loop would run them.
    void PollOnce() {
        ASSERT_TRUE(timers.Running(kTimerPoll));
        host.posted.clear();
        frame->OnTimer(kTimerPoll);
        for (auto [result, bytes] : host.posted) {
            frame->OnLoggerData(result, bytes);
        }
    }
    // Polls in real time (the simulated logger measures in real time) until `done` holds.
    template <typename Done>
    bool PollUntil(Done done) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline || !timers.Running(kTimerPoll)) {
                return false;
            }
            std::this_thread::sleep_for(30ms);
            clock.Advance(130);
            PollOnce();
        }
        return true;
    }
    bool Capturing() { return frame->Video().IsCapturing() || frame->Wave().csvActive; }

    TempFolder folder;
    RegistryTree registry;
    FakeClock clock;
    FakeHost host;
    FakeTimers timers;
    FakeMediaEngine engine;
    FakeVideoSurface pane;
    NoStillTransfer transfer;
    std::unique_ptr<DriverLibraryDl> driver =
        std::make_unique<DriverLibraryDl>(VELATRACE_SIM_LIBRARY);
    std::unique_ptr<MainFrame> frame;
};

TEST_F(FrameSession, StartUpFindsTheDevicesAndEnablesWhatTheyAllow) {
    ConfigureLogger("");
    MainFrame& f = Start();
    EXPECT_EQ(host.placed.cx, 582);
    EXPECT_EQ(host.placed.cy, 747);
    EXPECT_EQ(host.placed.split, 432);
    EXPECT_EQ(f.Session().cameraFound, 1);
    EXPECT_EQ(f.Session().loggerConnected, 1);
    EXPECT_EQ(host.deviceItems, (std::vector<std::string>{"Bench camera"}));
    ASSERT_EQ(host.menus.size(), 3u);
    EXPECT_EQ(host.menus[1].first, MenuExtension::ChannelProperty);
    EXPECT_EQ(host.menus[2].first, MenuExtension::DdeTransfer);

    const UiUpdateTable& ui = f.Ui();
    EXPECT_TRUE(ui.Enabled(cmd::kPreview));
    EXPECT_FALSE(ui.Enabled(cmd::kCapture));
    EXPECT_TRUE(ui.Enabled(cmd::kFilter));
    EXPECT_TRUE(ui.Enabled(cmd::kNextChannel));
    EXPECT_FALSE(ui.Enabled(cmd::kClipStop));
    EXPECT_FALSE(ui.Enabled(cmd::kDdeTransfer));
    EXPECT_TRUE(ui.Checked(cmd::kDeviceFirst));
    EXPECT_TRUE(ui.Checked(cmd::kFileBar));
    EXPECT_EQ(host.waitDepth, 0);

    // Without devices the session commands stay off.
    engine.devices.clear();
    driver = std::make_unique<DriverLibraryDl>("/nonexistent/libgtcusbr.so");
    MainFrame& bare = Start();
    EXPECT_EQ(bare.Session().sourceAvailable, 0);
    EXPECT_FALSE(bare.Ui().Enabled(cmd::kPreview));
    EXPECT_FALSE(bare.Ui().Enabled(cmd::kFilter));
    EXPECT_FALSE(bare.Ui().Enabled(cmd::kNextChannel));
    ASSERT_EQ(host.menus.size(), 1u) << "only the transfer items";
    EXPECT_EQ(host.menus[0].first, MenuExtension::DdeTransfer);
}

TEST_F(FrameSession, AWholeSessionFromAlarmCapturesToReplay) {
    ConfigureLogger(kAlarmBench);
    StoreCaptureSettings(/*autoNumber=*/1, /*alarm1=*/1);
    MainFrame& f = Start();

    f.OnCommand(cmd::kPreview);
    EXPECT_TRUE(timers.Running(kTimerPoll));
    EXPECT_TRUE(f.Ui().Checked(cmd::kPreview));
    EXPECT_TRUE(f.Ui().Enabled(cmd::kCapture));
    EXPECT_FALSE(f.Ui().Enabled(cmd::kFileOpen));
    EXPECT_EQ(host.status[2], "run_01.avi");
    EXPECT_TRUE(engine.capture.running);
    EXPECT_EQ(engine.capture.outputFile, folder.File("run_01.avi"));

    // The alarm starts a capture; the first alarm-free block ends it, and the next file is
    // prepared while the preview goes on.
    ASSERT_TRUE(PollUntil([&] { return Capturing(); }));
    EXPECT_TRUE(f.Ui().Checked(cmd::kCapture));
    EXPECT_EQ(engine.capture.control, CaptureControl::StartNow);
    ASSERT_TRUE(PollUntil([&] { return !Capturing(); }));
    EXPECT_EQ(f.Capture().number, 2);
    EXPECT_EQ(engine.capture.outputFile, folder.File("run_02.avi"));
    EXPECT_TRUE(engine.capture.running) << "the preview goes on with automatic numbering";
    EXPECT_TRUE(timers.Running(kTimerPoll));

    // A second alarm capture gets its own numbered CSV; the first one keeps its own.
    ASSERT_TRUE(PollUntil([&] { return Capturing(); }));
    ASSERT_TRUE(PollUntil([&] { return !Capturing(); }));
    EXPECT_EQ(f.Capture().number, 3);
    const std::string firstCsv = folder.Read("run_01.csv");
    ASSERT_FALSE(firstCsv.empty());
    EXPECT_FALSE(folder.Read("run_02.csv").empty());
    EXPECT_NE(firstCsv.find("\r\n20MS\r\n10V,1V,TC-K,RH,,,,,,\r\n5.000,"), std::string::npos)
        << firstCsv;

    // Close saves the placement and the scales; the logger is told to leave remote mode.
    host.current = FramePlacement{0, 300, 900, 700, 40, 50};
    f.OnClose();
    EXPECT_TRUE(host.destroyed);
    FramePlacement saved;
    SettingsStore(registry).LoadFrame(saved);
    EXPECT_EQ(saved.cx, 900);
    EXPECT_EQ(saved.split, 300);

    // Restart on the same settings: the placement and the numbering come back.
    folder.Write("run_01.avi", "x");  // the engine under test writes no files of its own
    folder.Write("run_02.avi", "x");
    ConfigureLogger(kAlarmBench);
    MainFrame& again = Start();
    EXPECT_EQ(host.placed.x, 40);
    EXPECT_EQ(again.Capture().number, 3);
    EXPECT_EQ(again.Capture().autoNumber, 1);

    // Open the first recorded pair and replay it to its end.
    engine.clips[folder.File("run_01.avi")] = testing::FakeClip{};
    host.openAnswer = folder.File("run_01.avi");
    host.openKind = 1;
    again.OnCommand(cmd::kFileOpen);
    EXPECT_EQ(host.status[2], "run_01.avi");
    EXPECT_TRUE(timers.Running(kTimerReplay));
    EXPECT_TRUE(again.Ui().Enabled(cmd::kClipStop));
    EXPECT_TRUE(again.Ui().Checked(cmd::kClipStart));
    EXPECT_GT(again.Session().pointTotal, 0);
    EXPECT_EQ(host.seekTicks, 10) << "a 10 s clip gets ten ticks on the seek bar";
    EXPECT_STREQ(again.Recent().MostRecent(0), folder.File("run_01.avi").c_str());

    for (int tick = 0; tick < 200 && timers.Running(kTimerReplay); ++tick) {
        clock.Advance(100);
        engine.AdvancePlayback(1000000);
        again.OnTimer(kTimerReplay);
    }
    EXPECT_FALSE(timers.Running(kTimerReplay));
    EXPECT_EQ(host.status[1], "10/10sec");
    EXPECT_EQ(host.seek, 100);
    EXPECT_TRUE(again.Ui().Checked(cmd::kClipPause)) << "the clip halts on its last frame";

    again.OnCommand(cmd::kClipInformation);
    EXPECT_EQ(host.boxes.back().text,
              "Size = 320 x 240\r\nRate = 25/sec\r\nTime = 00:00:10\r\nFrame = 250")
        << host.boxes.back().text;

    again.OnCommand(cmd::kFileClose);
    EXPECT_FALSE(again.Ui().Enabled(cmd::kClipStop));
    EXPECT_EQ(again.Session().pointTotal, 0);
    EXPECT_EQ(again.Wave().channel[0].type, kTypeVoltage) << "the live channels are back";
}

TEST_F(FrameSession, AHandStartedCaptureRunsUntilTheUserEndsIt) {
    ConfigureLogger("interval = 20ms\nch1 alarm OFF\n");
    StoreCaptureSettings(0, 1);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    ASSERT_TRUE(Capturing());
    int blocks = 0;
    ASSERT_TRUE(PollUntil([&] { return f.Session().batchPoints > 0 && ++blocks == 3; }));
    EXPECT_TRUE(Capturing()) << "alarm-free blocks do not end a capture started by hand";
    f.OnCommand(cmd::kCapture);
    EXPECT_FALSE(Capturing());
    EXPECT_NE(folder.Read("run.csv").find("\r\n20MS\r\n"), std::string::npos);
}

TEST_F(FrameSession, EveryWayOfLeavingACaptureKeepsItsRows) {
    ConfigureLogger("interval = 20ms\nch1 alarm OFF\n");
    StoreCaptureSettings(0, 0);
    MainFrame& f = Start();
    int32_t start = 0;
    auto capture = [&] {
        f.OnCommand(cmd::kPreview);
        f.OnCommand(cmd::kCapture);
        ASSERT_TRUE(Capturing());
        start = f.Wave().csvIndex;
        ASSERT_TRUE(PollUntil([&] { return f.Wave().writeIndex != f.Wave().csvIndex; }));
    };
    auto csvRows = [&] {
        const std::string text = folder.Read("run.csv");
        return static_cast<int32_t>(std::count(text.begin(), text.end(), '\n')) - 3;
    };

    // Stopping the preview ends the capture with its last rows, and nothing stays half open.
    capture();
    f.OnCommand(cmd::kPreview);
    EXPECT_FALSE(Capturing());
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_EQ(csvRows(), f.Wave().writeIndex - start);

    // While the live session runs, a recording cannot be opened over it, not even from the
    // recent files.
    capture();
    host.openAnswer = folder.File("run.csv");
    host.openKind = 2;
    f.OnCommand(cmd::kFileOpen);
    EXPECT_EQ(f.Wave().fileLoaded, 0);
    EXPECT_TRUE(Capturing());

    // File Close with nothing loaded leaves the capture's pending rows alone.
    const int32_t pending = f.Wave().writeIndex - f.Wave().csvIndex;
    f.OnCommand(cmd::kFileClose);
    EXPECT_EQ(f.Wave().writeIndex - f.Wave().csvIndex, pending);

    // Closing the window during a capture writes the rows still pending.
    f.OnClose();
    EXPECT_EQ(csvRows(), f.Wave().writeIndex - start);
    EXPECT_EQ(f.Wave().csvActive, 0);
}

TEST_F(FrameSession, ACameraThatCannotBeBoundStillNumbersEachCsv) {
    ConfigureLogger("interval = 20ms\nch1 alarm OFF\n");
    StoreCaptureSettings(1, 0);
    engine.SetResult("capture.BindDevice", kHrFail);
    MainFrame& f = Start();
    ASSERT_EQ(f.Session().cameraFound, 1);
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    ASSERT_TRUE(PollUntil([&] { return f.Wave().writeIndex != f.Wave().csvIndex; }));
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(f.Capture().number, 2) << "the next capture must not reuse run_01.csv";
    EXPECT_FALSE(folder.Read("run_01.csv").empty());
}

TEST_F(FrameSession, OverwriteQuestionAnsweredNoStartsAndDeletesNothing) {
    ConfigureLogger("");
    StoreCaptureSettings(0, 0);
    folder.Write("run.avi", "old");
    folder.Write("run.csv", "old");
    MainFrame& f = Start();
    host.answers.push_back(mb::kIdNo);
    f.OnCommand(cmd::kPreview);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "run.avi already exists\r\nDo you overwrite");
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_FALSE(engine.capture.running);
    EXPECT_EQ(folder.Read("run.csv"), "old");

    f.OnCommand(cmd::kPreview);  // answered Yes this time
    EXPECT_TRUE(timers.Running(kTimerPoll));
    EXPECT_FALSE(std::filesystem::exists(folder.File("run.csv")));
}

TEST_F(FrameSession, ATimedCaptureShowsItsRemainingSecondsAndEndsByTimer) {
    ConfigureLogger("interval = 50ms\nch1 alarm OFF\n");
    StoreCaptureSettings(0, 0, /*timeLimit=*/60);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    EXPECT_TRUE(f.Ui().Checked(cmd::kCapture));
    EXPECT_EQ(host.status[1], "60 sec");
    EXPECT_EQ(timers.Period(kTimerCaptureLimit), 60000u);

    clock.Advance(15000);
    host.posted.clear();
    f.OnTimer(kTimerPoll);
    EXPECT_NE(std::find(host.statusLog.begin(), host.statusLog.end(), "1:45/60sec"),
              host.statusLog.end());

    f.OnTimer(kTimerCaptureLimit);
    EXPECT_FALSE(Capturing());
    EXPECT_FALSE(f.Ui().Checked(cmd::kCapture));
    EXPECT_FALSE(f.Ui().Enabled(cmd::kCapture));
    EXPECT_FALSE(engine.capture.running) << "without numbering the camera graph stops";
    EXPECT_FALSE(f.Wave().noWait) << "and the logger poll ends";
    f.OnTimer(kTimerCaptureLimit);  // a late timer after the end changes nothing
    EXPECT_FALSE(Capturing());
}

TEST_F(FrameSession, AFailedPollKeepsThePollChainAlive) {
    ConfigureLogger("disconnect_after_ms = 300\n");
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    std::this_thread::sleep_for(400ms);
    PollOnce();
    EXPECT_EQ(host.status[1], "ack?-31");
    EXPECT_TRUE(timers.Running(kTimerPoll));
    EXPECT_EQ(timers.Period(kTimerPoll), 1000u);
    f.OnCommand(cmd::kPreview);
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_TRUE(f.Ui().Enabled(cmd::kFileOpen));
}

TEST_F(FrameSession, PanesAndBarsToggleWithTheirSinglePaneRule) {
    ConfigureLogger("");
    MainFrame& f = Start();
    f.OnCommand(cmd::kVideoPane);
    EXPECT_EQ(host.singlePane, 1);
    EXPECT_FALSE(f.Ui().Checked(cmd::kVideoPane));
    EXPECT_TRUE(f.Ui().Enabled(cmd::kVideoPane));
    EXPECT_FALSE(f.Ui().Enabled(cmd::kWavePane));
    EXPECT_TRUE(f.Ui().Checked(cmd::kWavePane));
    f.OnCommand(cmd::kVideoPane);
    EXPECT_EQ(host.singlePane, -1);
    EXPECT_TRUE(f.Ui().Enabled(cmd::kWavePane));

    f.OnCommand(cmd::kSeekBar);
    EXPECT_FALSE(host.bands[cmd::kBandSeekBar]);
    EXPECT_FALSE(f.Ui().Checked(cmd::kSeekBar));
    f.OnCommand(cmd::kIgnored);  // Ctrl+Alt+B does nothing

    // Close while maximised stores the fixed rectangle at the corner.
    host.current = FramePlacement{1, 300, 1920, 1080, 0, 0};
    f.OnCommand(cmd::kExit);
    FramePlacement saved;
    SettingsStore(registry).LoadFrame(saved);
    EXPECT_EQ(saved.max, 1);
    EXPECT_EQ(saved.cx, 645);
    EXPECT_EQ(saved.cy, 642);
}

TEST_F(FrameSession, FileCloseDuringALiveSessionKeepsTheLiveChannels) {
    ConfigureLogger("");
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kFileClose);
    EXPECT_EQ(f.Wave().channel[0].type, kTypeVoltage);
    EXPECT_EQ(f.Wave().CountActiveChannels(), 4);
}

}  // namespace
}  // namespace velatrace
