// The main window's behaviour run headless, as a user would drive it: start-up with a scripted
// logger and a fake camera, preview, captures, failures, close, restart and replay. Time is the
// hand-driven clock's; every poll is answered by the block the test scripts for it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "base/FixedText.h"
#include "base/SystemRecordingLocks.h"
#include "dde/DdeSettingsModel.h"
#include "dde/WorkbookBackend.h"
#include "logger/ChannelPropertyModel.h"
#include "logger/FakeDriverLibrary.h"
#include "logger/TransportDialogModel.h"
#include "session/CaptureSettingsModel.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryProbe.h"
#include "settings/RegistryTree.h"
#include "support/FakeClock.h"
#include "support/FakeHost.h"
#include "support/TempFolder.h"
#include "video/FakeMediaEngine.h"
#include "video/FakeVideoSurface.h"
#include "video/FormatChoices.h"
#include "wave/MarkerFile.h"
#include "wave/WavePlot.h"

namespace velatrace {
namespace {

using testing::Block;
using testing::FakeClock;
using testing::FakeDriverLibrary;
using testing::FakeHost;
using testing::FakeMediaEngine;
using testing::FakeTimers;
using testing::FakeVideoSurface;
using testing::TempFolder;

constexpr int kPointBytes = 48;

// An environment variable set for one test; the old value comes back after it.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        old_ = had_ ? old : "";
        Set(value);
    }
    ~ScopedVariable() {
        if (had_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    void Set(const std::string& value) { setenv(name_, value.c_str(), 1); }

  private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

// The camera dialogs as the user answers them: the Filter pages move control 1 to 7, the Format
// pages choose the mode labelled `pick` ("" chooses none).
struct ScriptedPages : PropertyPages {
    std::string pick, shown;
    MediaError ShowFilterPages(Camera& camera, int32_t, int32_t) override {
        shown += "filter ";
        return camera.SetControl(1, 7);
    }
    MediaError ShowFormatPages(Camera& camera, const std::vector<VideoMode>& modes, int32_t,
                               int32_t) override {
        shown += "format ";
        for (const VideoMode& m : modes) {
            if (ModeLabel(m) == pick)
                return camera.SetMode(m);
        }
        return MediaError::Nothing;
    }
};

// An instrument that delivers what the test puts in, and a catalog that makes it.
struct FakeInstrument final : InstrumentSource {
    bool Open(const InstrumentChoice&) override { return true; }
    void Channels(InstrumentChannel (&out)[kChannels]) const override {
        out[0] = InstrumentChannel{"A1", "Voltage", "V", 0, false, 7.5};
    }
    bool Start(int32_t) override { return true; }
    int32_t Take(double (*records)[kChannels], int32_t max) override {
        int32_t n = 0;
        for (; n < max && !waiting.empty(); ++n, waiting.erase(waiting.begin())) {
            std::fill(records[n], records[n] + kChannels, 0.0);
            records[n][0] = waiting.front();
        }
        return n;
    }
    int64_t Dropped() const override { return 0; }
    void Stop() override {}
    void Close() override {}
    const char* Error() const override { return error.c_str(); }
    std::vector<double> waiting;
    std::string error;
};
struct FakeCatalog final : InstrumentCatalog {
    int32_t Drivers(char (*)[32], int32_t) override { return 0; }
    int32_t Scan(const char*, const char*, InstrumentDevice*, int32_t) override { return 0; }
    std::unique_ptr<InstrumentSource> NewSource() override {
        auto made = std::make_unique<FakeInstrument>();
        source = made.get();
        return made;
    }
    FakeInstrument* source = nullptr;
};

class FrameSession : public ::testing::Test {
  protected:
    FrameSession() {
        testing::FakeDevice camera;
        camera.info = {"Bench camera", "/dev/v4l/by-id/bench-camera"};
        engine.devices.push_back(camera);
        ScriptLogger(":DATA:SAMP 20MS");
    }

    // A 10-channel logger with channel 1 (DC 10V) alarming on output 1 and channel 2 a
    // thermocouple whose count steps by one each record, so a CSV row lost or written twice
    // shows; the other channels are off.
    void ScriptLogger(const char* sampling) {
        logger.text[":MEAS:OUTP:CLR?"] = ":MEAS:OUTP:CLR 0";
        logger.text[":MEAS:OUTP:STAT?"] = ":MEAS:OUTP:STAT 0";
        logger.text[":INFO:CH?"] = ":INFO:CH 10";
        for (int c = 1; c <= 10; ++c) {
            const std::string n = std::to_string(c);
            logger.text[":AMP:CH" + n + "?"] = c == 1   ? ":AMP:CH1:INP DC;RANG 10V"
                                               : c == 2 ? ":AMP:CH2:INP TEMP;RANG TC-K"
                                                        : ":AMP:CH" + n + ":INP OFF";
            logger.text[":ALAR:CH" + n + "?"] =
                c == 1 ? ":ALAR:CH1:MODE HI;OUTP 1" : ":ALAR:CH" + n + ":MODE OFF";
        }
        logger.text[":DATA:SAMP?"] = sampling;
        logger.blocks[":MEAS:OUTP:ONE?"] = Block(std::vector<uint8_t>(kPointBytes, 0));
        logger.blocks.erase(":MEAS:OUTP:ACK?");
    }
    void StoreCaptureSettings(int32_t autoNumber, int32_t alarm1, int32_t timeLimit = 0,
                              const std::string& path = "") {
        CaptureSettings cs;
        CopyText(cs.path, (path.empty() ? folder.Folder() : path).c_str());
        CopyText(cs.filename, "run");
        cs.autoNumber = autoNumber;
        cs.alarmEnable[0] = alarm1;
        cs.useTimeLimit = timeLimit > 0;
        cs.timeLimitSec = timeLimit;
        SettingsStore(registry).SaveCapture(cs);
    }
    // A new program run on the same settings.
    InstrumentCatalog* instruments = nullptr;  // none unless a test gives one
    MainFrame& Start(RecordingLocks* locks = nullptr) {
        host = FakeHost();
        timers = FakeTimers();
        frame = std::make_unique<MainFrame>(FramePorts{host.Ports(), timers, clock, registry,
                                                       logger, engine, &pane, transfer, pages,
                                                       nullptr, locks, instruments});
        frame->Create();
        EXPECT_EQ(timers.Period(kTimerStartup), 500u);
        frame->OnTimer(kTimerStartup);
        return *frame;
    }
    // How a poll's answer is spoiled, as a faulty line would: the records it carried are lost,
    // except the whole records before the cut of a short reply.
    enum class Fault { None, Timeout, BadHeader, ShortReply };
    // One poll tick answered with `records` new records (channel 1 in alarm or not), and the
    // answer it posted, as the window's event loop would run them.
    void Poll(int records, bool alarm = false, Fault fault = Fault::None) {
        ASSERT_TRUE(timers.Running(kTimerPoll));
        std::vector<uint8_t> data(static_cast<size_t>(records) * kPointBytes, 0);
        for (int k = 0; k < records; ++k) {
            uint8_t* point = &data[static_cast<size_t>(k) * kPointBytes];
            const int count = ++count_;
            const int level = channel1 ? channel1(count) : alarm ? 9000 : 1000;  // 4.5 / 0.5 V
            point[0] = static_cast<uint8_t>(level >> 8);
            point[1] = static_cast<uint8_t>(level & 0xFF);
            point[2] = static_cast<uint8_t>(count >> 8);
            point[3] = static_cast<uint8_t>(count & 0xFF);
            point[39] = static_cast<uint8_t>((alarm ? 0x01 : 0x00) | otherAlarms);
        }
        std::vector<uint8_t> block = Block(data);
        if (fault == Fault::ShortReply) {
            block.resize(block.size() - kPointBytes / 2);
            count_ -= 1;
        } else if (fault != Fault::None) {
            // A garbled header, or no answer at all (the read times out).
            block =
                fault == Fault::BadHeader ? std::vector<uint8_t>{'#', '0'} : std::vector<uint8_t>{};
            count_ -= records;
        }
        logger.blocks[":MEAS:OUTP:ACK?"] = block;
        logger.pendingBytes.clear();  // the logger drops what was not read at the next command
        host.posted.clear();
        clock.Advance(100);
        frame->OnTimer(kTimerPoll);
        for (auto [result, bytes] : host.posted) {
            frame->OnLoggerData(result, bytes);
        }
    }
    bool Capturing() { return frame->Live().IsCapturing(); }
    // An engine thread reports that a stream stopped, and wakes the window.
    void StreamStops(const char* text, StreamErrorSource source) {
        engine.error = StreamError{};
        engine.error.error = MediaError::Failed;
        engine.error.source = source;
        CopyText(engine.error.text, text);
        engine.hasError = true;
        frame->OnEngineNews();
    }

    TempFolder folder;
    TempFolder videos;  // the user's video folder, where an empty capture folder leads
    ScopedVariable videosDir{"XDG_VIDEOS_DIR", videos.Path().string()};
    RegistryTree registry;
    FakeClock clock;
    FakeHost host;
    FakeTimers timers;
    FakeMediaEngine engine;
    FakeVideoSurface pane;
    WorkbookBackend transfer{[this] { return folder.Folder(); }, nullptr};
    ScriptedPages pages;
    FakeDriverLibrary logger;
    std::unique_ptr<MainFrame> frame;
    int count_ = 0;
    uint8_t otherAlarms = 0;           // alarm bits of channels 1..8 set in every polled record
    std::function<int(int)> channel1;  // channel 1's counts by record number, when set
};

// Rows of a CSV file after its three header lines.
std::vector<std::string> CsvRows(const std::string& text) {
    std::vector<std::string> rows;
    size_t at = 0;
    for (int line = 0;; ++line) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            break;
        }
        if (line >= 3) {
            rows.push_back(text.substr(at, end - at));
        }
        at = end + 2;
    }
    return rows;
}

// Channel 2 counts up by one tenth of a degree per record: every row once, in order.
void ExpectEveryRowOnce(const std::vector<std::string>& rows) {
    ASSERT_GT(rows.size(), 20u);
    for (size_t k = 1; k < rows.size(); ++k) {
        const double a = std::stod(rows[k - 1].substr(rows[k - 1].find(',') + 1));
        const double b = std::stod(rows[k].substr(rows[k].find(',') + 1));
        ASSERT_NEAR(b - a, 0.1, 1e-3) << "row " << k << ": " << rows[k - 1] << " / " << rows[k];
    }
}

TEST_F(FrameSession, StartUpFindsTheDevicesAndEnablesWhatTheyAllow) {
    MainFrame& f = Start();
    EXPECT_EQ(host.placed.cx, 582);
    EXPECT_EQ(host.placed.cy, 747);
    EXPECT_EQ(host.placed.split, 432);
    EXPECT_TRUE(f.Live().HasCamera());
    EXPECT_TRUE(f.Live().HasLogger());
    EXPECT_EQ(host.deviceItems, (std::vector<std::string>{"Bench camera"}));
    ASSERT_EQ(host.menus.size(), 3u);
    EXPECT_EQ(host.menus[1].first, MenuExtension::ChannelProperty);
    EXPECT_EQ(host.menus[2].first, MenuExtension::DdeTransfer);
    EXPECT_TRUE(host.boxes.empty());

    const UiUpdateTable& ui = f.Ui();
    // What the devices found allow; the rest of each state is the command table's.
    EXPECT_TRUE(ui.Enabled(cmd::kPreview));
    EXPECT_TRUE(ui.Enabled(cmd::kFilter));
    EXPECT_TRUE(ui.Enabled(cmd::kNextChannel));
    EXPECT_TRUE(ui.Checked(cmd::kDeviceFirst));
    EXPECT_EQ(host.waitDepth, 0);

    // A logger whose channel table cannot be read is still connected, and the user is told.
    logger.text.erase(":INFO:CH?");
    MainFrame& partly = Start();
    EXPECT_TRUE(partly.Live().HasLogger());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Cannot the GL channel propery - 258");
    EXPECT_EQ(host.menus[1].first, MenuExtension::ChannelProperty);

    // Without devices the session commands stay off; an engine that could not be loaded at all
    // is told.
    engine.devices.clear();
    engine.problem = "No camera and no replay: the media engine cannot be loaded: gone.so";
    logger.loadable = false;
    MainFrame& bare = Start();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, engine.problem);
    engine.problem.clear();
    EXPECT_FALSE(bare.Live().HasCamera() || bare.Live().HasLogger());
    EXPECT_FALSE(bare.Ui().Enabled(cmd::kPreview));
    EXPECT_FALSE(bare.Ui().Enabled(cmd::kFilter));
    EXPECT_FALSE(bare.Ui().Enabled(cmd::kNextChannel));
    ASSERT_EQ(host.menus.size(), 1u) << "only the transfer items";
    EXPECT_EQ(host.menus[0].first, MenuExtension::DdeTransfer);

    // A settings file that cannot be read (here a folder) is told once, after the deferred
    // start-up, never during the window's first show, where the panes' first resize arrives.
    RegistryFile unreadable(folder.Path());
    host = FakeHost();
    MainFrame early(FramePorts{host.Ports(), timers, clock, unreadable, logger, engine, &pane,
                               transfer, pages});
    early.Create();
    early.OnCommand(cmd::kPaneResized);
    EXPECT_TRUE(host.boxes.empty());
    early.OnTimer(kTimerStartup);
    early.OnCommand(cmd::kPaneResized);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("is not a readable file"), std::string::npos);
}

TEST_F(FrameSession, AWholeSessionFromAlarmCapturesToReplay) {
    StoreCaptureSettings(/*autoNumber=*/1, /*alarm1=*/1);
    MainFrame& f = Start();

    f.OnCommand(cmd::kPreview);
    EXPECT_TRUE(timers.Running(kTimerPoll));
    EXPECT_TRUE(f.Ui().Checked(cmd::kPreview));
    EXPECT_TRUE(f.Ui().Enabled(cmd::kCapture));
    EXPECT_FALSE(f.Ui().Enabled(cmd::kFileOpen));
    EXPECT_EQ(host.status[2], "run_01.avi");
    EXPECT_TRUE(engine.camera.running);
    EXPECT_EQ(engine.camera.file, folder.File("run_01.avi"));

    // The alarm starts a capture; the first alarm-free block ends it, and the next file is
    // prepared while the preview goes on.
    Poll(5);
    EXPECT_FALSE(Capturing());
    Poll(5, /*alarm=*/true);
    ASSERT_TRUE(Capturing());
    EXPECT_EQ(f.Live().State(), CaptureState::CapturingByAlarm);
    EXPECT_TRUE(f.Ui().Checked(cmd::kCapture));
    EXPECT_TRUE(engine.camera.recording && !engine.camera.withPretrigger);
    Poll(5, true);
    EXPECT_TRUE(Capturing()) << "a held alarm starts nothing new";
    Poll(5);
    ASSERT_FALSE(Capturing());
    EXPECT_EQ(engine.camera.file, folder.File("run_02.avi"));
    EXPECT_TRUE(engine.camera.running) << "the preview goes on with automatic numbering";
    EXPECT_TRUE(timers.Running(kTimerPoll));

    // A second alarm capture gets its own numbered CSV; the first one keeps its own.
    Poll(5, true);
    ASSERT_TRUE(Capturing());
    Poll(5);
    ASSERT_FALSE(Capturing());
    EXPECT_EQ(f.Capture().number, 3);
    const std::string firstCsv = folder.Read("run_01.csv");
    EXPECT_NE(firstCsv.find("\r\n20MS\r\n10V,TC-K,,,,,,,,\r\n4.500,"), std::string::npos)
        << firstCsv;
    EXPECT_EQ(CsvRows(firstCsv).size(), 10u) << "the records from the alarm to its end";
    EXPECT_EQ(CsvRows(folder.Read("run_02.csv")).size(), 5u);

    // Close saves the placement and the scales; the logger is told to leave remote mode.
    host.current = FramePlacement{0, 300, 900, 700, 40, 50};
    f.OnClose();
    EXPECT_TRUE(host.destroyed);
    EXPECT_EQ(logger.writes.back(), ":STAT:REM OFF\r\n");
    FramePlacement saved;
    SettingsStore(registry).LoadFrame(saved);
    EXPECT_EQ(saved.cx, 900);
    EXPECT_EQ(saved.split, 300);

    // Restart on the same settings: the placement and the numbering come back.
    folder.Write("run_01.avi", "x");  // the engine under test writes no files of its own
    folder.Write("run_02.avi", "x");
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
    EXPECT_EQ(again.Replay().Records(), 10);
    EXPECT_EQ(host.seekTicks, 10) << "a 10 s clip gets ten ticks on the seek bar";
    EXPECT_STREQ(again.Recent().MostRecent(0), folder.File("run_01.avi").c_str());

    // At every tick the wave cursor is the record at the clip's position, through a pause and
    // a seek, to the clip's end, which the engine reports.
    const auto expectCursorOnClip = [&] {
        const int64_t position = again.Video().ClipPosition().count();
        const int64_t row = position / (again.Replay().Loaded().setup.intervalMs * 1000LL) + 1;
        EXPECT_EQ(again.View().DisplayRow(), std::min<int64_t>(row, again.Replay().Records()));
    };
    for (int tick = 0; tick < 200 && timers.Running(kTimerReplay); ++tick) {
        clock.Advance(100);
        engine.AdvancePlayback(MediaTime{tick == 0 ? 50000 : 100000});
        again.OnEngineNews();  // the engine wakes the window as the clip plays
        again.OnTimer(kTimerReplay);
        expectCursorOnClip();
        if (tick == 0) {
            again.OnCommand(cmd::kClipPause);
            EXPECT_EQ(again.Replay().State(), ReplayState::Paused);
            again.OnSeekBar(SeekEvent::ThumbPosition, 0);
            expectCursorOnClip();
            again.OnCommand(cmd::kClipStart);
        }
    }
    EXPECT_FALSE(timers.Running(kTimerReplay));
    EXPECT_EQ(host.status[1], "10/10sec");
    EXPECT_EQ(host.seek, 100);
    EXPECT_TRUE(again.Ui().Checked(cmd::kClipPause)) << "the clip halts on its last frame";

    again.OnCommand(cmd::kClipInformation);
    EXPECT_EQ(host.boxes.back().text,
              "Size = 320 x 240\r\nRate = 25/sec\r\nTime = 00:00:10\r\nFrame = 250")
        << host.boxes.back().text;

    // The span to export: points on record boundaries (kept where set past the last record),
    // an out point before the in point drops it, no point set means the start or the end.
    ReplaySession& replay = again.ReplayControl();
    replay.SetSpanPointAt(SpanPoint::In, 50);
    EXPECT_EQ(std::tuple(replay.Span().in.count(), replay.Span().inRecord),
              std::tuple(5000000, 10));
    replay.SetSpanPointAt(SpanPoint::Out, 1);
    EXPECT_EQ(std::tuple(replay.Span().hasIn, replay.Span().out.count(), replay.Span().outRecord),
              std::tuple(false, 100000, 5));
    const ReplaySpan whole = replay.SpanToExport();
    EXPECT_EQ(std::tuple(whole.in.count(), whole.inRecord, whole.outRecord), std::tuple(0, 0, 5));
    EXPECT_EQ(replay.MediaPath(), folder.File("run_01.avi"));

    again.OnCommand(cmd::kFileClose);
    EXPECT_FALSE(again.Replay().Span().hasOut || again.Replay().Span().hasIn);
    EXPECT_FALSE(again.Ui().Enabled(cmd::kClipStop));
    EXPECT_EQ(again.Replay().Records(), 0);
    EXPECT_EQ(again.View().Source().Setup().channel[0].type, kTypeVoltage)
        << "the live channels are back";
}

TEST_F(FrameSession, ATwoHourWaveFileReplaysWholeToItsEnd) {
    // 72,000 records at 100 ms; channel 1 (a thermocouple) reads each record's number modulo
    // 1000 in degrees, so the records drawn show where they come from.
    std::string text = "2026/12/07 01:00:00\r\n100MS\r\nTC-K,,,,,,,,,\r\n";
    for (int i = 0; i < 72000; ++i) {
        text += std::to_string(i % 1000) + ",,,,,,,,,\r\n";
    }
    folder.Write("long.csv", text);
    MainFrame& f = Start();
    host.openAnswer = folder.File("long.csv");
    host.openKind = 2;
    f.OnCommand(cmd::kFileOpen);
    ASSERT_EQ(f.Replay().Records(), 72000);
    EXPECT_TRUE(host.boxes.empty()) << "no overflow: the whole file is there";
    // The pane draws the recording in its own setup; the live logger's setup stays as it was.
    const LoggerSetup& drawn = f.View().Source().Setup();
    EXPECT_EQ(std::make_tuple(drawn.channel[0].type, drawn.intervalMs, f.Setup().channel[0].type,
                              f.Setup().intervalMs),
              std::make_tuple(kTypeTemperature, 100, kTypeVoltage, 20));

    // The seek bar at 90 % is 1 h 48 min; the pane draws the records up to that one.
    f.OnSeekBar(SeekEvent::Track, 90);
    EXPECT_EQ(f.View().DisplayRow(), 64800);
    EXPECT_EQ(host.status[1], "6480/7200sec");
    int32_t available = 0;
    WithCurveRecords(f.View(), 0, [&](int32_t records, auto&& countBack) {
        available = records;
        for (int32_t k = 0; k < 3000; ++k) {
            ASSERT_EQ(countBack(k), 10 * ((64799 - k) % 1000)) << k;
        }
    });
    EXPECT_EQ(available, 64800);

    // Played on, the curves run to the last record.
    clock.Advance(800000);
    f.OnTimer(kTimerReplay);
    EXPECT_EQ(f.View().DisplayRow(), 72000);
    EXPECT_EQ(host.status[1], "7200/7200sec");
    EXPECT_EQ(host.seek, 100);
    EXPECT_TRUE(f.Ui().Checked(cmd::kClipPause) && !f.Ui().Checked(cmd::kClipStart))
        << "the replay's own tick paused it, and the commands say so";

    // A damaged file: the lines that are no records are told once and stay in sight; the longest
    // interval shows its whole length; one record more than can be shown is refused.
    std::string records;
    for (int i = 0; i < 21475; ++i) {
        records += i == 9 ? std::string(300, 'x') + "\n1\n" : "1\n";
    }
    folder.Write("long.csv", "d\n99999S\n10V\n" + records);
    f.OnCommand(cmd::kFileOpen);
    EXPECT_EQ(f.Replay().Records(), 21475);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "1 line of the wave file long.csv could not be read and was left out");
    EXPECT_EQ(host.status[2], "long.csv (wave file lines unread: 1)");
    f.OnSeekBar(SeekEvent::Track, 100);
    EXPECT_EQ(host.status[1], "2147478525/2147478525sec");
    folder.Write("long.csv", "d\n99999S\n10V\n1\n" + records);
    f.OnCommand(cmd::kFileOpen);
    EXPECT_EQ(f.Replay().Records(), 0);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find("its records span more time than can be shown"),
              std::string::npos);
    EXPECT_FALSE(f.Replay().HasWaveFile());
    // Nothing of it stays open: the next preview draws the live curves again.
    f.OnCommand(cmd::kPreview);
    Poll(3);
    EXPECT_TRUE(f.View().HasCurves() && f.View().Source().replay == nullptr);
    EXPECT_EQ(f.View().ShownCount(), 2);
    f.OnCommand(cmd::kPreview);

    // A clip that claims to last for ages shows the longest time the panes can count.
    engine.clips[folder.File("ages.avi")] = testing::FakeClip{.duration = MediaTime{INT64_MAX / 2}};
    host.openAnswer = folder.File("ages.avi");
    host.openKind = 1;
    f.OnCommand(cmd::kFileOpen);
    f.OnCommand(cmd::kClipInformation);
    EXPECT_EQ(host.boxes.back().text,
              "Size = 320 x 240\r\nRate = 25/sec\r\nTime = 596523:14:07\r\nFrame = 2147483647");
}

TEST_F(FrameSession, AClipThatFailsToOpenIsNotOpenAndOpeningIsRefusedWhileLive) {
    StoreCaptureSettings(/*autoNumber=*/1, 0);
    MainFrame& f = Start();
    folder.Write("broken.avi", "not a clip");
    host.openAnswer = folder.File("broken.avi");
    host.openKind = 1;
    f.OnCommand(cmd::kFileOpen);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "It is an illegal media file");
    EXPECT_FALSE(f.Replay().IsOpen() || engine.clip.open || f.Ui().Enabled(cmd::kClipStop));

    // The camera is as it was: its format can be chosen, and a capture ended by stopping the
    // preview is followed by one that records its AVI again.
    pages.pick = "1280 x 720, 30 frames/s (MJPG)";
    f.OnCommand(cmd::kFormat);
    EXPECT_EQ(engine.camera.mode.width, 1280);
    for (const char* avi : {"run_01.avi", "run_02.avi"}) {
        f.OnCommand(cmd::kPreview);
        f.OnCommand(cmd::kCapture);
        ASSERT_TRUE(Capturing());
        EXPECT_EQ(engine.camera.file, folder.File(avi));
        EXPECT_TRUE(engine.camera.recording && !engine.camera.withPretrigger);
        f.OnCommand(cmd::kPreview);
        EXPECT_FALSE(Capturing());
    }
    EXPECT_EQ(host.boxes.size(), 1u);

    // A clip without its wave file says so; opening anything while live is refused with why,
    // and File Open stays off while the logger alone goes on polling.
    engine.clips[folder.File("video-only.avi")] = testing::FakeClip{.width = 320, .height = 320};
    host.openAnswer = folder.File("video-only.avi");
    f.OnCommand(cmd::kFileOpen);
    EXPECT_EQ(host.boxes.back().text,
              "No wave file video-only.csv was found beside video-only.avi.\r\n"
              "Only the picture is replayed.");
    f.OnCommand(cmd::kFileClose);
    f.OnCommand(cmd::kPreview);
    EXPECT_TRUE(engine.camera.running) << "the camera previews again after the replay";
    // In its own mode, not the clip's, and fitted to the pane again.
    EXPECT_EQ(std::tuple(engine.camera.mode.width, pane.rect.width, pane.rect.height),
              std::tuple(1280, 800, 450));
    f.OnCommand(cmd::kPreview);
    engine.devices.clear();
    MainFrame& loggerOnly = Start();
    loggerOnly.OnCommand(cmd::kPreview);
    loggerOnly.OnCommand(cmd::kCapture);
    loggerOnly.OnCommand(cmd::kCapture);
    EXPECT_TRUE(loggerOnly.Live().IsLive());
    EXPECT_FALSE(loggerOnly.Ui().Enabled(cmd::kFileOpen));
    EXPECT_FALSE(loggerOnly.OpenRecording(folder.File("video-only.avi").c_str(), 1));
    EXPECT_EQ(host.boxes.back().text, "Stop the preview before opening a recording.");
}

TEST_F(FrameSession, CameraFormatIsChosenKeptForTheNextRunAndARefusedOneChangesNothing) {
    StoreCaptureSettings(0, 0);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kFilter);
    EXPECT_TRUE(engine.camera.controls[1] == 7 && engine.camera.running);

    // 1280 x 720 at 30: set on the camera, the preview runs again in it, and it is stored.
    pages.pick = "1280 x 720, 30 frames/s (MJPG)";
    f.OnCommand(cmd::kFormat);
    const auto mode = [&] {
        const VideoMode& m = engine.camera.mode;
        return std::tuple(m.width, m.height, m.frameTime.count(), engine.camera.running);
    };
    EXPECT_EQ(mode(), std::tuple(1280, 720, 33333, true));
    const auto stored = [&] {
        StreamSettings strm;
        SettingsStore(registry).LoadStrm(strm);
        return std::tuple(strm.lvw, strm.lvh, strm.lrate);
    };
    EXPECT_EQ(stored(), std::tuple(1280, 720, 30));
    EXPECT_TRUE(host.boxes.empty());
    // The next run asks the camera for the stored size and rate.
    f.OnClose();
    MainFrame& again = Start();
    EXPECT_EQ(mode(), std::tuple(1280, 720, 33333, false));
    EXPECT_EQ(again.Video().Stream().lrate, 30);

    // A mode the camera refuses on the pin, or cannot run in: told, the mode before stays and
    // runs, nothing new is stored.
    again.OnCommand(cmd::kPreview);
    pages.pick = "640 x 480, 20 frames/s (MJPG)";
    engine.failing = {{"Camera::SetMode", MediaError::InvalidArgument}};
    again.OnCommand(cmd::kFormat);
    engine.failing.clear();
    engine.unstreamableWidth = 320;
    pages.pick = "320 x 240, 30 frames/s (MJPG)";
    again.OnCommand(cmd::kFormat);
    EXPECT_EQ(mode(), std::tuple(1280, 720, 33333, true));
    EXPECT_EQ(stored(), std::tuple(1280, 720, 30));
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text,
              "The camera cannot deliver the chosen format (No such device).\nIt stays at "
              "1280 x 720, 30 frames/s.");
    EXPECT_TRUE(host.boxes[0].text.starts_with("The camera cannot deliver the chosen format ("));

    // While a capture runs the format stays as it is: no dialog, a word why.
    pages.shown.clear();
    again.OnCommand(cmd::kCapture);
    again.OnCommand(cmd::kFormat);
    EXPECT_EQ(pages.shown + host.boxes.back().text,
              "Stop the capture before changing the camera format.");
}

TEST_F(FrameSession, AnotherCameraIsChosenFromTheMenuAndKeptForTheNextRun) {
    testing::FakeDevice spare;
    spare.info = {"Spare camera", "/dev/v4l/by-id/spare-camera"};
    engine.devices.push_back(spare);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kDeviceFirst + 1);
    EXPECT_EQ(engine.camera.device, "/dev/v4l/by-id/spare-camera");
    EXPECT_TRUE(engine.camera.running) << "the preview goes on with the new camera";
    EXPECT_TRUE(f.Ui().Checked(cmd::kDeviceFirst + 1) && !f.Ui().Checked(cmd::kDeviceFirst));
    // The next run starts with it, and its item is the checked one.
    f.OnClose();
    MainFrame& again = Start();
    EXPECT_EQ(engine.camera.device, "/dev/v4l/by-id/spare-camera");
    EXPECT_TRUE(again.Ui().Checked(cmd::kDeviceFirst + 1));
    // Not while a capture runs.
    again.OnCommand(cmd::kPreview);
    again.OnCommand(cmd::kCapture);
    again.OnCommand(cmd::kDeviceFirst);
    EXPECT_EQ(engine.camera.device, "/dev/v4l/by-id/spare-camera");
    EXPECT_EQ(host.boxes.back().text, "Stop the capture before choosing another camera.");
}

TEST_F(FrameSession, CapturesByHandAndByTimeEndOnlyTheirOwnWay) {
    StoreCaptureSettings(0, 1);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    ASSERT_EQ(f.Live().State(), CaptureState::CapturingByUser);
    Poll(5, true);
    Poll(5);
    EXPECT_TRUE(Capturing()) << "an alarm's end does not end a capture started by hand";
    f.OnCommand(cmd::kCapture);
    EXPECT_FALSE(Capturing());
    EXPECT_EQ(CsvRows(folder.Read("run.csv")).size(), 10u);
    EXPECT_FALSE(engine.camera.running) << "without numbering the camera graph stops";
    EXPECT_FALSE(f.Ui().Checked(cmd::kPreview)) << "and the logger poll ends";

    // A timed capture shows its remaining seconds and ends by its timer only.
    StoreCaptureSettings(0, 1, /*timeLimit=*/60);
    MainFrame& timed = Start();
    timed.OnCommand(cmd::kPreview);
    timed.OnCommand(cmd::kCapture);
    EXPECT_EQ(timed.Live().State(), CaptureState::CapturingTimed);
    EXPECT_EQ(host.status[1], "60 sec");
    EXPECT_EQ(timers.Period(kTimerCaptureLimit), 60000u);
    clock.Advance(14900);
    Poll(5, true);
    Poll(5);
    EXPECT_TRUE(Capturing());
    EXPECT_EQ(host.status[1], "45/60sec");
    timed.OnTimer(kTimerCaptureLimit);
    EXPECT_FALSE(Capturing());
    EXPECT_FALSE(timed.Ui().Checked(cmd::kCapture));
    EXPECT_FALSE(timed.Ui().Enabled(cmd::kCapture));
    EXPECT_FALSE(timed.Live().Polling());
    timed.OnTimer(kTimerCaptureLimit);  // a late timer after the end changes nothing
    EXPECT_FALSE(Capturing());

    // A limit edited by hand is shown as the timer runs it: 0 s would end the capture at once.
    for (const auto& [stored, shown, period] :
         {std::tuple{0, "1 sec", 1000u}, {999999, "1000 sec", 1000000u}}) {
        StoreCaptureSettings(0, 1, 1);
        testing::PutDword(registry, "Software\\Korvex\\Velatrace\\Capture", "timeval", stored);
        MainFrame& edited = Start();
        edited.OnCommand(cmd::kPreview);
        edited.OnCommand(cmd::kCapture);
        EXPECT_EQ(host.status[1], shown);
        EXPECT_EQ(timers.Period(kTimerCaptureLimit), period);
    }
}

TEST_F(FrameSession, AnAlarmCaptureBeginsThePretriggerBeforeTheAlarmInBothFiles) {
    StoreCaptureSettings(/*autoNumber=*/1, /*alarm1=*/1);
    CaptureSettings stored;
    SettingsStore(registry).LoadCapture(stored);
    stored.pretriggerSec = 5;  // 250 records of 20 ms
    SettingsStore(registry).SaveCapture(stored);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    EXPECT_EQ(engine.camera.pretriggerSec, 5) << "the camera keeps its last seconds";
    for (int i = 0; i < 6; ++i) {
        Poll(50);
    }
    Poll(5, /*alarm=*/true);  // records 301..305
    ASSERT_TRUE(Capturing());
    EXPECT_TRUE(engine.camera.recording && engine.camera.withPretrigger);
    Poll(5);
    std::vector<std::string> rows = CsvRows(folder.Read("run_01.csv"));
    ASSERT_EQ(rows.size(), 255u);
    EXPECT_EQ(rows[0], "0.500,5.600,,,,,,,,") << "record 56, 250 before the first after the alarm";
    ExpectEveryRowOnce(rows);

    // A new live session goes back only as far as it has run.
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kPreview);
    Poll(20);  // records 311..330
    Poll(5, true);
    Poll(5);
    rows = CsvRows(folder.Read("run_02.csv"));
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows[0], "0.500,31.100,,,,,,,,");

    // A capture by hand starts where it is started.
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kPreview);
    Poll(50);
    f.OnCommand(cmd::kCapture);
    EXPECT_TRUE(engine.camera.recording && !engine.camera.withPretrigger);
    Poll(5);
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(CsvRows(folder.Read("run_03.csv")).size(), 5u);
}

// A level trigger acts on the values recorded, whatever the logger's alarm bits say: each
// crossing starts a numbered alarm capture from the crossing record, with the pre-trigger's
// records before it, that ends once the value is back past the hysteresis.
TEST_F(FrameSession, LevelTriggersStartNumberedCapturesFromTheCrossingAndEndWhenCleared) {
    StoreCaptureSettings(/*autoNumber=*/1, /*alarm1=*/0);
    CaptureSettings cs;
    SettingsStore(registry).LoadCapture(cs);
    cs.pretriggerSec = 1;  // 50 records of 20 ms
    SettingsStore(registry).SaveCapture(cs);
    cs.triggers[0] = {1, 1, kTriggerAbove, 2.0, 0.5};
    SettingsStore(registry).SaveTriggers(cs.triggers);
    // A square wave: 4.5 V for records 70..99 of each hundred, 0.5 V otherwise.
    channel1 = [](int n) { return n % 100 >= 70 ? 9000 : 1000; };
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    Poll(60);
    EXPECT_FALSE(Capturing());
    Poll(20);  // records 61..80, crossing at 70
    ASSERT_EQ(f.Live().State(), CaptureState::CapturingByAlarm);
    EXPECT_TRUE(engine.camera.recording && engine.camera.withPretrigger);
    Poll(20);  // held above the level, back to 0.5 V at record 100
    ASSERT_FALSE(Capturing());
    std::vector<std::string> rows = CsvRows(folder.Read("run_01.csv"));
    ASSERT_EQ(rows.size(), 81u);
    EXPECT_EQ(rows[0], "0.500,2.000,,,,,,,,") << "record 20, 50 before the crossing";
    EXPECT_EQ(rows[50], "4.500,7.000,,,,,,,,");
    EXPECT_NE(folder.Read("run_01.markers.csv").find(",trigger,\"Level trigger 1\""),
              std::string::npos);
    // The next crossing, here the last record of its block, makes the next numbered capture.
    Poll(70);
    Poll(40);
    ASSERT_FALSE(Capturing());
    EXPECT_EQ(CsvRows(folder.Read("run_02.csv")).at(50), "4.500,17.000,,,,,,,,");

    // A crossing during a running capture starts no second one; a timed capture ends by time.
    CopyText(cs.filename, "timed");
    cs.useTimeLimit = 1;
    SettingsStore(registry).SaveCapture(cs);
    MainFrame& timed = Start();
    timed.OnCommand(cmd::kPreview);
    Poll(40);   // records 211..250
    Poll(100);  // crossing at 270, cleared at 300
    Poll(100);  // crossing at 370 during the capture
    ASSERT_EQ(timed.Live().State(), CaptureState::CapturingTimed);
    timed.OnTimer(kTimerCaptureLimit);
    EXPECT_EQ(timed.Capture().number, 2) << "one capture for two crossings";
    EXPECT_EQ(CsvRows(folder.Read("timed_01.csv")).size(), 231u) << "records 220 to 450";
}

TEST_F(FrameSession, EveryWayOfLeavingACaptureKeepsItsRows) {
    StoreCaptureSettings(0, 0);
    MainFrame& f = Start();
    auto capture = [&] {
        f.OnCommand(cmd::kPreview);
        f.OnCommand(cmd::kCapture);
        ASSERT_TRUE(Capturing());
        Poll(25);
    };
    const auto rows = [&] { return CsvRows(folder.Read("run.csv")).size(); };

    // Stopping the preview ends the capture with its last rows, and nothing stays half open.
    // A logger left unpolled for long answers with more points than the ring holds.
    capture();
    Poll(kRingRows + 1000);
    f.OnCommand(cmd::kPreview);
    EXPECT_FALSE(Capturing());
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_EQ(rows(), 25u + kRingRows + 1000);
    ExpectEveryRowOnce(CsvRows(folder.Read("run.csv")));

    // While the live session runs, a recording cannot be opened over it, not even from the
    // recent files.
    capture();
    host.openAnswer = folder.File("run.csv");
    host.openKind = 2;
    f.OnCommand(cmd::kFileOpen);
    EXPECT_FALSE(f.Replay().HasWaveFile());
    EXPECT_TRUE(Capturing());

    // File Close with nothing loaded leaves the live channels and the pending rows alone.
    f.OnCommand(cmd::kFileClose);
    EXPECT_EQ(f.View().Source().Setup().channel[0].type, kTypeVoltage);
    EXPECT_EQ(f.View().Source().Setup().CountActiveChannels(), 2);

    // Closing the window during a capture writes the rows still pending.
    Poll(3);
    f.OnClose();
    EXPECT_EQ(rows(), 28u);
    EXPECT_FALSE(f.Live().IsLive());
}

TEST_F(FrameSession, ACameraThatCannotBeBoundStillNumbersEachCsv) {
    StoreCaptureSettings(1, 0);
    engine.failing = {{"MediaEngine::OpenCamera", MediaError::Failed}};
    MainFrame& f = Start();
    ASSERT_TRUE(f.Live().HasCamera());
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    Poll(15);
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(f.Capture().number, 2) << "the next capture must not reuse run_01.csv";
    EXPECT_EQ(CsvRows(folder.Read("run_01.csv")).size(), 15u);

    // A camera whose graph is built but will not run says so once; the logger goes on alone.
    engine.failing.clear();
    engine.failing = {{"Camera::Start", MediaError::DeviceGone}};
    MainFrame& again = Start();
    again.OnCommand(cmd::kPreview);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text.rfind("The camera cannot start.\r\nFAILED(hr=0x", 0), 0u)
        << host.boxes[0].text;
    EXPECT_EQ(host.recording.rfind("Recording stopped: Camera did not start: ", 0), 0u);
    EXPECT_TRUE(again.Live().IsLive() && timers.Running(kTimerPoll));
    // Without a logger nothing came live: the commands stay as they were before the start.
    logger.loadable = false;
    MainFrame& alone = Start();
    alone.OnCommand(cmd::kPreview);
    EXPECT_FALSE(alone.Live().IsLive() || alone.Ui().Checked(cmd::kPreview) ||
                 alone.Ui().Enabled(cmd::kCapture));
    EXPECT_TRUE(alone.Ui().Enabled(cmd::kFileOpen));
}

TEST_F(FrameSession, OverwriteQuestionAnsweredNoStartsAndDeletesNothing) {
    StoreCaptureSettings(0, 0);
    folder.Write("run.avi", "old");
    folder.Write("run.csv", "old");
    MainFrame& f = Start();
    host.answers.push_back(Answer::No);
    f.OnCommand(cmd::kPreview);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "run.avi already exists\r\nDo you overwrite");
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_FALSE(engine.camera.running);
    EXPECT_EQ(folder.Read("run.csv"), "old");

    // Yes removes nothing until a capture really starts: a preview ended without one keeps the
    // old pair whole.
    f.OnCommand(cmd::kPreview);  // answered Yes this time
    EXPECT_TRUE(timers.Running(kTimerPoll));
    f.OnCommand(cmd::kPreview);
    EXPECT_EQ(folder.Read("run.avi") + folder.Read("run.csv"), "oldold");
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    Poll(5);
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(CsvRows(folder.Read("run.csv")).size(), 5u) << "replaced by the capture";
}

// Another recording (a second instance of the program) writing the files of the same name: the
// question says so, Yes deletes nothing, and no capture writes into them.
TEST_F(FrameSession, AFileAnotherRecordingWritesIsNeverTouched) {
    StoreCaptureSettings(0, 0);
    folder.Write("run.avi", "other");
    folder.Write("run.csv", "other");
    SystemRecordingLocks locks;
    int avi = RecordingLocks::kNoHandle;
    int csv = RecordingLocks::kNoHandle;
    ASSERT_EQ(locks.Lock(folder.File("run.avi").c_str(), avi), 0);
    ASSERT_EQ(locks.Lock(folder.File("run.csv").c_str(), csv), 0);
    MainFrame& f = Start(&locks);
    f.OnCommand(cmd::kPreview);  // answered Yes
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("being recorded right now"), std::string::npos);
    f.OnCommand(cmd::kCapture);
    EXPECT_FALSE(Capturing());
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text.rfind(folder.File("run.avi") + " is being recorded right now", 0),
              0u)
        << host.boxes[1].text;
    EXPECT_FALSE(engine.camera.recording);
    // Without a camera the CSV alone is at stake.
    locks.Unlock(avi);
    engine.devices.clear();
    Start(&locks).OnCommand(cmd::kPreview);
    frame->OnCommand(cmd::kCapture);
    EXPECT_FALSE(Capturing());
    EXPECT_NE(host.boxes.back().text.find(folder.File("run.csv")), std::string::npos);
    EXPECT_EQ(folder.Read("run.avi") + folder.Read("run.csv"), "otherother");
    locks.Unlock(csv);
    frame.reset();  // before the locks it uses
}

TEST_F(FrameSession, AnEmptyCaptureFolderRecordsIntoTheUsersVideoFolder) {
    CaptureSettings cs;
    CopyText(cs.filename, "run");
    cs.autoNumber = 1;
    SettingsStore(registry).SaveCapture(cs);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    EXPECT_TRUE(host.boxes.empty());
    const std::filesystem::path target = videos.Path() / "Velatrace";
    EXPECT_EQ(engine.camera.file, (target / "run_01.avi").string());
    f.OnCommand(cmd::kCapture);
    Poll(15);
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(CsvRows(videos.Read("Velatrace/run_01.csv")).size(), 15u);
    EXPECT_STREQ(f.Capture().path, "") << "the stored folder stays as chosen";
    f.OnClose();

    // A video folder where no folder can be made: told once, nothing starts.
    videos.Write("plain", "");
    videosDir.Set(videos.File("plain"));
    Start().OnCommand(cmd::kPreview);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text.rfind(
                  "Cannot record into the folder " + videos.File("plain") + "/Velatrace/\r\n", 0),
              0u)
        << host.boxes[0].text;
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_FALSE(engine.camera.running);
}

// A Japanese folder and base name: the pair is written and numbered under those names, the
// numbering finds them after a restart, and the pair replays.
TEST_F(FrameSession, AJapaneseFolderAndNameCaptureNumberAndReplay) {
    const std::string japanese = folder.Folder() + "計測データ/";
    CaptureSettings cs;
    CopyText(cs.path, japanese.c_str());
    CopyText(cs.filename, "試験記録");
    cs.autoNumber = 1;
    SettingsStore(registry).SaveCapture(cs);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    EXPECT_EQ(host.status[2], "試験記録_01.avi");
    for (int capture = 1; capture <= 2; ++capture) {
        f.OnCommand(cmd::kCapture);
        Poll(5 * capture);
        f.OnCommand(cmd::kCapture);
    }
    EXPECT_EQ(engine.camera.file, japanese + "試験記録_03.avi");
    EXPECT_EQ(CsvRows(folder.Read("計測データ/試験記録_01.csv")).size(), 5u);
    EXPECT_EQ(CsvRows(folder.Read("計測データ/試験記録_02.csv")).size(), 10u);
    f.OnClose();

    folder.Write("計測データ/試験記録_02.avi", "x");  // the engine under test writes no files
    MainFrame& again = Start();
    EXPECT_EQ(again.Capture().number, 3);
    const std::string clip = japanese + "試験記録_02.avi";
    engine.clips[clip] = testing::FakeClip{};
    host.openAnswer = clip;
    host.openKind = 1;
    again.OnCommand(cmd::kFileOpen);
    EXPECT_EQ(host.status[2], "試験記録_02.avi");
    EXPECT_EQ(again.Replay().Records(), 10) << "the CSV of the same name";
    EXPECT_STREQ(again.Recent().MostRecent(0), clip.c_str());
}

TEST_F(FrameSession, CaptureSettingsNameTheNextCaptureAtOnceAndRefuseABadName) {
    StoreCaptureSettings(1, 0);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCaptureSetting);  // Cancel: nothing changes
    EXPECT_EQ(host.captureDialogs, 1);
    EXPECT_STREQ(f.Capture().filename, "run");

    const std::string bench = folder.Folder() + "bench";
    host.captureDialog = [&](CaptureSettingsModel& m) {
        EXPECT_EQ(m.Preview(), "_01.avi");
        m.folder = bench;
        m.baseName = host.captureDialogs == 1 ? "a/b" : "bench";
        return true;
    };
    host.captureDialogs = 0;
    f.OnCommand(cmd::kCaptureSetting);
    EXPECT_EQ(host.captureDialogs, 2) << "the refused name brings the dialog back";
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("a/b"), std::string::npos);
    EXPECT_STREQ(f.Capture().path, (bench + "/").c_str());
    EXPECT_EQ(engine.camera.file, bench + "/bench_01.avi") << "the running preview";
    EXPECT_EQ(host.status[2], "bench_01.avi");

    f.OnCommand(cmd::kCapture);
    Poll(5);
    f.OnCommand(cmd::kCaptureSetting);  // not while recording
    EXPECT_EQ(host.captureDialogs, 2);
    EXPECT_EQ(host.boxes.size(), 2u);
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(CsvRows(folder.Read("bench/bench_01.csv")).size(), 5u);
    f.OnClose();
    EXPECT_STREQ(Start().Capture().filename, "bench") << "saved";
}

// Stored naming is checked like typed naming: told once at start-up, and a path that does not
// fit is refused at preview start, never cut into one name for the AVI and the CSV.
TEST_F(FrameSession, StoredNamingThatCannotBeUsedIsToldAndNeverCut) {
    constexpr const char* kCaptureKey = "Software\\Korvex\\Velatrace\\Capture";
    StoreCaptureSettings(0, 0);
    testing::PutText(registry, kCaptureKey, "filename", "../x");
    Start();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("../x"), std::string::npos) << host.boxes[0].text;
    frame->OnCommand(cmd::kPreview);
    EXPECT_EQ(engine.camera.file, folder.File("pravis.avi")) << "not outside the folder";
    frame->OnClose();

    testing::PutText(registry, kCaptureKey, "filename", "run");
    testing::PutText(registry, kCaptureKey, "path", folder.Folder() + std::string(300, 'f'));
    Start();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("capture folder in the settings is longer"),
              std::string::npos);
    frame->OnClose();

    // 110 Japanese characters of folder and name, each short enough alone.
    std::string sub, base;
    for (int k = 0; k < 55; ++k) {
        sub += "\xe8\xa8\x98";
        base += "\xe9\x8c\xb2";
    }
    std::filesystem::create_directory(folder.File(sub));
    testing::PutText(registry, kCaptureKey, "path", folder.Folder() + sub + "/");
    testing::PutText(registry, kCaptureKey, "filename", base);
    Start();
    ASSERT_EQ(host.boxes.size(), 1u);
    frame->OnCommand(cmd::kPreview);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find("a path holds at most 259"), std::string::npos);
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_FALSE(engine.camera.running);
    EXPECT_TRUE(std::filesystem::is_empty(folder.File(sub)));
}

TEST_F(FrameSession, NumbersGoPast99AndNeverReplaceAFileAlreadyThere) {
    StoreCaptureSettings(1, 0);
    folder.Write("run_98.avi", "");
    MainFrame& f = Start();
    folder.Write("run_100.avi", "old");  // appears while the program runs
    f.OnCommand(cmd::kPreview);
    EXPECT_EQ(host.status[2], "run_99.avi");
    f.OnCommand(cmd::kCapture);
    Poll(15);
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(engine.camera.file, folder.File("run_101.avi"));
    EXPECT_EQ(folder.Read("run_100.avi"), "old");
    EXPECT_EQ(CsvRows(folder.Read("run_99.csv")).size(), 15u);

    f.OnCommand(cmd::kPreview);
    folder.Write("run_101.avi", "other");
    host.answers.push_back(Answer::No);
    f.OnCommand(cmd::kPreview);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "run_101.avi already exists\r\nDo you overwrite");
}

// A struggling logger: a failed poll keeps the chain alive (retried after a second), and the
// recording indicator counts the polls that failed or came a period late since the capture began.
TEST_F(FrameSession, FailedAndLatePollsKeepTheChainAndShowInTheIndicator) {
    engine.devices.clear();
    StoreCaptureSettings(1, 0);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    logger.failRead = err::kWaitTimeout;  // the logger did not answer in time
    Poll(1);
    EXPECT_EQ(host.status[1], "ack?-258");
    EXPECT_EQ(timers.Period(kTimerPoll), 1000u);
    logger.failRead = 0;
    f.OnCommand(cmd::kCapture);
    Poll(5);             // the retry is not late, and the failure was before this capture
    clock.Advance(100);  // just in time still
    Poll(5);
    EXPECT_EQ(host.recording, "REC 0:00:00  run_01.csv");
    clock.Advance(150);
    Poll(5);
    Poll(5, false, Fault::BadHeader);
    Poll(5, false, Fault::Timeout);
    clock.Advance(2000);  // the retry comes more than its second late
    Poll(5);
    EXPECT_EQ(host.recording, "REC 0:00:02  run_01.csv  late polls: 2  failed polls: 2");
    f.OnCommand(cmd::kPreview);
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_TRUE(f.Ui().Enabled(cmd::kFileOpen));
}

// A logger unplugged during a capture: said once with the time, the CSV keeps every row received
// and is closed while the video goes on; the next Preview opens the logger again.
TEST_F(FrameSession, ALostLoggerIsToldOnceEndsTheCsvAndIsOpenedAgainByTheNextPreview) {
    StoreCaptureSettings(0, 0);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    Poll(10);
    Poll(10);
    Poll(10);
    clock.now = LocalTime{2024, 5, 1, 14, 3, 7, 0};
    logger.failRead = err::kGenFailure;
    Poll(5);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("The logger was lost at 14:03:07"), std::string::npos)
        << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find("The video goes on"), std::string::npos);
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_TRUE(Capturing()) << "the video runs on";
    EXPECT_NE(host.recording.find("Logger lost at 14:03:07"), std::string::npos) << host.recording;
    const std::vector<std::string> rows = CsvRows(folder.Read("run.csv"));
    EXPECT_EQ(rows.size(), 30u);
    ExpectEveryRowOnce(rows);
    f.OnEngineNews();
    EXPECT_EQ(host.boxes.size(), 1u) << "said once";
    f.OnCommand(cmd::kCapture);  // without numbering, the end of the capture ends the preview
    ASSERT_FALSE(f.Live().IsLive());
    // Preview stays there to open it again, and the curves it left can still be browsed.
    EXPECT_TRUE(f.Ui().Enabled(cmd::kPreview) && f.Ui().Enabled(cmd::kNextChannel));

    // Still unplugged: the preview runs with the camera alone and says why.
    logger.handle = 0;
    f.OnCommand(cmd::kPreview);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find("cannot be opened again"), std::string::npos);
    EXPECT_TRUE(engine.camera.running);
    EXPECT_FALSE(timers.Running(kTimerPoll));
    EXPECT_EQ(f.View().ShownCount(), 29) << "the lost logger's curves stay in sight";
    f.OnCommand(cmd::kPreview);

    // Back: closed, opened and its channel setup read again; it polls as before.
    logger.handle = 7;
    logger.failRead = 0;
    logger.pendingBytes.clear();  // a logger plugged in again holds no old output
    const auto queries = [&] {
        return std::count(logger.writes.begin(), logger.writes.end(), std::string(":INFO:CH?\r\n"));
    };
    const auto before = queries();
    host.boxes.clear();
    f.OnCommand(cmd::kPreview);
    EXPECT_EQ(queries(), before + 1);
    for (const auto& box : host.boxes) {
        EXPECT_EQ(box.text.find("Cannot"), std::string::npos) << box.text;
    }
    Poll(5);
    Poll(5);
    EXPECT_EQ(host.status[1], "5 pt");

    // Polls failing one after the other also mean the logger is gone.
    logger.failRead = err::kWaitTimeout;
    for (int i = 0; i < 5; ++i) {
        Poll(1);
    }
    EXPECT_NE(host.boxes.back().text.find("The logger was lost"), std::string::npos);
    EXPECT_FALSE(timers.Running(kTimerPoll));
}

// A channel in alarm whose alarm drives no enabled output neither starts nor ends a capture.
TEST_F(FrameSession, AlarmCapturesFollowOnlyChannelsThatDriveAnEnabledOutput) {
    StoreCaptureSettings(1, 1);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    otherAlarms = 0x02;  // channel 2 in alarm all along, without an output
    Poll(3);
    EXPECT_FALSE(Capturing());
    for (int i = 0; i < 4; ++i) {
        Poll(3, /*alarm=*/true);
        ASSERT_TRUE(Capturing()) << "block " << i;
    }
    Poll(3);
    EXPECT_FALSE(Capturing());
    EXPECT_EQ(engine.camera.file, folder.File("run_02.avi")) << "one capture only";
}

TEST_F(FrameSession, PanesAndBarsToggleWithTheirSinglePaneRule) {
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

TEST_F(FrameSession, AFailedVideoSideIsToldOnceAndTheCsvGoesOn) {
    StoreCaptureSettings(0, 0);
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    ASSERT_TRUE(Capturing());
    EXPECT_EQ(host.recordingLook, RecordingLook::Recording);
    EXPECT_NE(host.recording.find("REC 0:00:00  run.avi"), std::string::npos) << host.recording;
    clock.Advance(3723000);
    engine.camera.dropped = 4;
    engine.camera.written = 100;
    Poll(10);
    EXPECT_NE(host.recording.find("REC 1:02:03  run.avi  dropped frames: 4"), std::string::npos)
        << host.recording;

    const std::string reason =
        "Cannot write " + folder.File("run.avi") + ": No space left on device";
    StreamStops(reason.c_str(), StreamErrorSource::Recorder);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find(reason), std::string::npos) << host.boxes[0].text;
    EXPECT_TRUE(engine.camera.running && !engine.camera.recording) << "the preview goes on";
    EXPECT_TRUE(f.Ui().Checked(cmd::kCapture)) << "the logger values are still recorded";
    EXPECT_EQ(host.recordingLook, RecordingLook::Alert);
    EXPECT_NE(host.recording.find("run.csv  dropped frames: 4  late polls: 1  - Video stopped: "
                                  "Cannot write run.avi: No space"),
              std::string::npos)
        << host.recording;

    Poll(10);
    Poll(10);
    f.OnEngineNews();
    EXPECT_EQ(host.boxes.size(), 1u) << "said once";
    f.OnCommand(cmd::kCapture);
    EXPECT_FALSE(f.Ui().Checked(cmd::kCapture));
    EXPECT_EQ(host.recordingLook, RecordingLook::Alert) << "the failure stays in view";
    EXPECT_NE(host.recording.find("Recording stopped"), std::string::npos);
    EXPECT_EQ(CsvRows(folder.Read("run.csv")).size(), 30u);
    ExpectEveryRowOnce(CsvRows(folder.Read("run.csv")));

    // Without a logger, a lost camera leaves nothing recording: the capture ends at once.
    f.OnClose();
    logger.loadable = false;
    MainFrame& camOnly = Start();
    camOnly.OnCommand(cmd::kPreview);
    camOnly.OnCommand(cmd::kCapture);
    ASSERT_TRUE(Capturing());
    StreamStops("The camera Bench camera stopped delivering frames", StreamErrorSource::Camera);
    EXPECT_FALSE(Capturing());
    EXPECT_FALSE(camOnly.Ui().Checked(cmd::kCapture));
    EXPECT_FALSE(camOnly.Ui().Checked(cmd::kPreview));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("Bench camera"), std::string::npos);
    EXPECT_FALSE(engine.camera.running);
}

// Both sides failing are told as they are: a CSV that cannot be written, then the video; and a
// capture folder deleted during a capture, with its reason, not as a disk that has no room.
TEST_F(FrameSession, BothSidesFailingAndAFolderGoneAreToldAsTheyAre) {
    StoreCaptureSettings(0, 0, 0, folder.File("cap") + "/");
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    Poll(10);
    Poll(10);
    std::filesystem::remove(folder.File("cap/run.csv"));
    std::filesystem::create_directory(folder.File("cap/run.csv"));  // cannot be written now
    Poll(10);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("written when there is room"), std::string::npos);
    StreamStops("Cannot write run.avi: Input/output error", StreamErrorSource::Recorder);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text.find("go on being recorded"), std::string::npos);
    EXPECT_NE(host.boxes[1].text.find("not being recorded either"), std::string::npos)
        << host.boxes[1].text;
    EXPECT_NE(host.recording.find("Video stopped"), std::string::npos) << host.recording;
    EXPECT_NE(host.recording.find("Cannot write run.csv"), std::string::npos) << host.recording;
    f.OnCommand(cmd::kCapture);

    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    ASSERT_TRUE(Capturing());
    Poll(10);
    Poll(10);
    std::filesystem::remove_all(folder.File("cap"));
    host.boxes.clear();
    Poll(10);
    Poll(10);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("is gone (deleted or unmounted)"), std::string::npos)
        << host.boxes[0].text;
    EXPECT_EQ(host.boxes[0].text.find("when there is room"), std::string::npos);
    EXPECT_TRUE(Capturing()) << "the video is still recorded";
    StreamStops("Cannot keep run.avi: its folder was deleted or unmounted while it was recorded",
                StreamErrorSource::Recorder);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text.find("go on being recorded"), std::string::npos);
    EXPECT_FALSE(Capturing());
}

// A capture's CSV on a file system that fills up: the rows wait, the user is told once, and once
// there is room again every row is written, in order, none twice.
TEST_F(FrameSession, CsvRowsWaitForRoomAndAreWrittenOnceInOrder) {
    const std::string mountPoint = folder.File("small");
    std::filesystem::create_directories(mountPoint);
    if (geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=64k tmpfs " + mountPoint + " 2>/dev/null").c_str()) !=
            0) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    struct Unmount {
        std::string at;
        ~Unmount() { std::system(("umount " + at).c_str()); }
    } unmount{mountPoint};
    engine.devices.clear();  // the logger alone
    StoreCaptureSettings(0, 0, 0, mountPoint + "/");
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    ASSERT_TRUE(Capturing());
    Poll(10);
    Poll(10);  // a poll writes the rows the one before it brought
    ASSERT_TRUE(std::filesystem::exists(mountPoint + "/run.csv"));

    // Fill the disk to the last byte.
    {
        std::ofstream filler(mountPoint + "/filler", std::ios::binary);
        const std::string block(512, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }
    for (int i = 0; i < 400 && host.boxes.empty(); ++i) {
        Poll(5);
    }
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("No space left on device"), std::string::npos)
        << host.boxes[0].text;
    // The logger's line is faulty meanwhile: what reaches the program is kept all the same.
    for (Fault fault :
         {Fault::None, Fault::Timeout, Fault::None, Fault::BadHeader, Fault::ShortReply,
          Fault::None, Fault::ShortReply, Fault::Timeout, Fault::None, Fault::None}) {
        Poll(5, false, fault);
    }
    EXPECT_EQ(host.boxes.size(), 1u) << "said once";
    EXPECT_NE(host.recording.find("rows waiting"), std::string::npos) << host.recording;

    std::filesystem::remove(mountPoint + "/filler");
    Poll(5);
    Poll(5);
    EXPECT_EQ(host.recording.find("rows waiting"), std::string::npos) << host.recording;
    f.OnCommand(cmd::kCapture);
    EXPECT_EQ(host.boxes.size(), 1u);
    const std::vector<std::string> rows = CsvRows(folder.Read("small/run.csv"));
    EXPECT_EQ(static_cast<int>(rows.size()), count_);
    ExpectEveryRowOnce(rows);
}

TEST_F(FrameSession, TransportSettingIsSavedOnOkAndUsedByTheNextCommand) {
    TransportSettings stored;
    stored.terminator = kTerminatorCr;
    stored.timeout = 300;
    SettingsStore(registry).SavePort(stored);
    MainFrame& f = Start();
    host.transportEdit = nullptr;  // Cancel: nothing changes, nothing is written
    f.OnCommand(cmd::kTransportSetting);
    host.transportEdit = [](TransportDialogModel& m) {
        EXPECT_EQ(m.Terminator(), kTerminatorCr);
        EXPECT_EQ(m.Timeout(), 300);
        m.SelectTerminator(kTerminatorLf);
        m.SetTimeoutText("12345");
    };
    TransportSettings saved;
    SettingsStore(registry).LoadPort(saved);
    EXPECT_EQ(saved.terminator, kTerminatorCr);

    f.OnCommand(cmd::kTransportSetting);
    EXPECT_EQ(host.transportDialogs, 2);
    SettingsStore(registry).LoadPort(saved);
    EXPECT_EQ(saved.terminator, kTerminatorLf);
    EXPECT_EQ(saved.timeout, 1234);
    f.OnCommand(cmd::kPreview);
    logger.writes.clear();
    logger.timeouts.clear();
    Poll(1);
    ASSERT_FALSE(logger.writes.empty());
    EXPECT_EQ(logger.writes[0], ":MEAS:OUTP:ACK?\n");
    EXPECT_NE(std::find(logger.timeouts.begin(), logger.timeouts.end(), 1234u),
              logger.timeouts.end());
}

TEST_F(FrameSession, ChannelPropertyQueriesAgainAndReportsAFailedQuery) {
    MainFrame& f = Start();
    f.OnCommand(cmd::kChannelProperty);  // Close at once
    ASSERT_EQ(host.channelDialogs.size(), 1u);
    EXPECT_TRUE(host.channelDialogs[0].QueryEnabled());
    EXPECT_STREQ(host.channelDialogs[0].Range(1), "TC-K");
    EXPECT_STREQ(host.channelDialogs[0].SamplingText(), "20MS");

    // A query that finds every channel off reopens the dialog all grey and disables stepping.
    for (int c = 1; c <= 2; ++c) {
        const std::string n = std::to_string(c);
        logger.text[":AMP:CH" + n + "?"] = ":AMP:CH" + n + ":INP OFF";
    }
    host.channelEndings = {ChannelPropertyModel::kQuery, ChannelPropertyModel::kClose};
    f.OnCommand(cmd::kChannelProperty);
    ASSERT_EQ(host.channelDialogs.size(), 3u);
    for (int row = 0; row < kChannels; ++row) {
        EXPECT_TRUE(host.channelDialogs[2].IsOff(row)) << row;
    }
    EXPECT_FALSE(f.Ui().Enabled(cmd::kNextChannel));
    EXPECT_EQ(host.waitDepth, 0);

    // Switched back on, channel 2 alone: stepping comes back and the pane shows channel 2.
    logger.text[":AMP:CH2?"] = ":AMP:CH2:INP TEMP;RANG TC-K";
    host.channelEndings = {ChannelPropertyModel::kQuery};
    f.OnCommand(cmd::kChannelProperty);
    EXPECT_TRUE(f.Ui().Enabled(cmd::kNextChannel));
    EXPECT_EQ(f.View().CurrentChannel(), 1);
    EXPECT_TRUE(host.boxes.empty());

    logger.failRead = 31;
    host.channelEndings = {ChannelPropertyModel::kQuery};
    const size_t shown = host.channelDialogs.size();
    f.OnCommand(cmd::kChannelProperty);
    EXPECT_EQ(host.channelDialogs.size(), shown + 1);  // the loop ends with the message
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Cannot the GL channel propery - 31");
    EXPECT_EQ(std::pair(host.boxes[0].kind, host.boxes[0].buttons),
              std::pair(MessageKind::Information, Buttons::Ok));
    EXPECT_EQ(host.beeps, std::vector{MessageKind::Warning});

    // A query that fails part way leaves the channel table in use as it was.
    logger.failRead = 0;
    logger.text[":AMP:CH2?"] = ":AMP:CH2:INP OFF";
    logger.text.erase(":AMP:CH5?");
    host.channelEndings = {ChannelPropertyModel::kQuery};
    f.OnCommand(cmd::kChannelProperty);
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_TRUE(f.Ui().Enabled(cmd::kNextChannel)) << "channel 2 is still on";

    // While the preview polls the logger, the dialog cannot query.
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kChannelProperty);
    EXPECT_FALSE(host.channelDialogs.back().QueryEnabled());
}

TEST_F(FrameSession, StillsReachTheWorkbookFromThePreviewAndTheSettingsDialogReconnects) {
    StoreCaptureSettings(0, /*alarm1=*/1);
    CaptureSettings cs;
    SettingsStore(registry).LoadCapture(cs);
    cs.alarmType[0] = kAlarmTransfer;
    SettingsStore(registry).SaveCapture(cs);
    DdeSettings dde;
    dde.app = kDdeAppSpreadsheet;
    CopyText(dde.topic[kDdeAppSpreadsheet], "[Stills]Sheet1");
    CopyText(dde.initialCell, "A1");
    dde.colStep = 6;
    dde.colCount = 2;
    SettingsStore(registry).SaveDde(dde);
    MainFrame& f = Start();
    EXPECT_TRUE(f.Ui().Enabled(cmd::kDdeTransfer)) << "an alarm transfers: connected at start-up";

    // The alarm during a live preview sends the preview's newest picture.
    f.OnCommand(cmd::kPreview);
    engine.picture.width = engine.picture.height = 4;
    engine.picture.stride = 16;
    engine.picture.pixels.assign(64, 0x40);
    engine.hasPicture = true;
    f.OnEngineNews();
    Poll(5, /*alarm=*/true);
    EXPECT_FALSE(Capturing()) << "the alarm's action is the transfer";
    ASSERT_TRUE(timers.Running(kTimerDdePaste));
    f.OnTimer(kTimerDdePaste);
    EXPECT_TRUE(std::filesystem::exists(folder.File("Stills.xlsx")));
    f.OnCommand(cmd::kDdeTransfer);
    f.OnTimer(kTimerDdePaste);
    EXPECT_EQ(transfer.PictureCount(), 2u);
    EXPECT_TRUE(host.boxes.empty() && host.transferStatus.empty()) << host.transferStatus;

    // Tw cannot be reached here: told, the command goes off, and nothing is saved.
    host.ddeDialog = [](DdeSettingsModel& m) {
        m.SelectApp(kDdeAppTw);
        m.Accept("", "", "", "", "", "");
        return true;
    };
    f.OnCommand(cmd::kDdeTransferSetting);
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().text, "Cannot connect to DDE sever");
    EXPECT_FALSE(f.Ui().Enabled(cmd::kDdeTransfer));
    DdeSettings stored;
    SettingsStore(registry).LoadDde(stored);
    EXPECT_EQ(stored.app, kDdeAppSpreadsheet);
    // Back to the spreadsheet on another workbook: connected, saved, the command on again.
    host.ddeDialog = [](DdeSettingsModel& m) {
        m.SelectApp(kDdeAppSpreadsheet);
        m.Accept("[Other]Sheet1", "C3", "", "1", "", "1");
        return true;
    };
    f.OnCommand(cmd::kDdeTransferSetting);
    EXPECT_TRUE(f.Ui().Enabled(cmd::kDdeTransfer));
    SettingsStore(registry).LoadDde(stored);
    EXPECT_STREQ(stored.topic[kDdeAppSpreadsheet], "[Other]Sheet1");
    EXPECT_STREQ(stored.initialCell, "C3");
    EXPECT_EQ(stored.colStep, 0) << "an empty number edit gives 0";

    // With nothing on screen the command tells so rather than doing nothing.
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kDdeTransfer);
    EXPECT_EQ(host.transferStatus, "No picture to transfer");

    // A replayed still notes the record on screen, from the recording (past the live ring's
    // rows too), never the live ring's values.
    std::string text = "2026/12/07 01:00:00\r\n100MS\r\n10V,,,,,,,,,\r\n";
    for (int i = 0; i < 4000; ++i) {
        text +=
            std::to_string(i % 1000 / 100) + "." + std::to_string(i % 100 / 10) + ",,,,,,,,,\r\n";
    }
    folder.Write("bench.csv", text);
    engine.clips[folder.File("bench.avi")] =
        testing::FakeClip{.duration = MediaTime{400000000}};  // 400 s
    host.openAnswer = folder.File("bench.avi");
    host.openKind = 1;
    f.OnCommand(cmd::kFileOpen);
    ASSERT_EQ(f.Replay().Records(), 4000);
    f.OnCommand(cmd::kClipPause);
    f.OnSeekBar(SeekEvent::ThumbPosition, 90);  // 360 s: record 3600 is on screen
    const size_t before = transfer.PictureCount();
    f.OnCommand(cmd::kDdeTransfer);
    f.OnTimer(kTimerDdePaste);
    ASSERT_EQ(transfer.PictureCount(), before + 1) << host.transferStatus;
    const StillNote& note = transfer.Pictures().back().note;
    EXPECT_STREQ(note.time, "00:06:00.000");
    EXPECT_TRUE(note.channel[0].on);
    EXPECT_NEAR(note.channel[0].value, 6.0, 1e-3);
    EXPECT_FALSE(note.channel[1].on);

    // The next live session draws only its own rows, none of the ring's before the replay.
    f.OnCommand(cmd::kFileClose);
    f.OnCommand(cmd::kPreview);
    Poll(3);
    EXPECT_EQ(f.View().ShownCount(), 2);
}

// Markers dropped by key and by the alarm land in the file beside the pair at their records and
// come back in replay, where next/previous put the clip at the marker's time and the cursor on
// its record; the list dialog edits them, and a save that fails changes nothing.
TEST_F(FrameSession, MarkersOfACaptureComeBackInReplayAndJumpsLandOnThem) {
    StoreCaptureSettings(/*autoNumber=*/1, /*alarm1=*/1);
    folder.Write("run_01.markers.csv", "5,100,user,\"of an earlier pair\"\r\n");
    MainFrame& f = Start();
    f.OnCommand(cmd::kPreview);
    EXPECT_FALSE(f.Ui().Enabled(cmd::kMarker));
    Poll(5);
    Poll(5, /*alarm=*/true);
    Poll(5, true);
    ASSERT_TRUE(f.Ui().Enabled(cmd::kMarker));
    f.OnCommand(cmd::kMarker);
    EXPECT_NE(host.recording.find("markers: 1"), std::string::npos) << host.recording;
    Poll(5);
    ASSERT_FALSE(Capturing());
    std::vector<Marker> m;
    ReadMarkerFile(folder.File("run_01.markers.csv").c_str(), m);
    ASSERT_EQ(m.size(), 4u);
    const auto at = [&](size_t i) { return std::tuple(m[i].record, m[i].clipMs, m[i].kind); };
    EXPECT_EQ(at(0), std::tuple(0, 0, MarkerKind::AlarmStart));
    EXPECT_EQ(at(1), std::tuple(4, 80, MarkerKind::User));
    EXPECT_EQ(at(2), std::tuple(9, 180, MarkerKind::AlarmEnd));
    EXPECT_EQ(at(3), std::tuple(9, 180, MarkerKind::FileSwitch));
    EXPECT_STREQ(m[0].text, "Alarm 1");
    EXPECT_STREQ(m[3].text, "next file: run_02.avi");
    EXPECT_TRUE(host.boxes.empty());

    f.OnCommand(cmd::kPreview);
    folder.Write("run_01.avi", "x");
    engine.clips[folder.File("run_01.avi")] = testing::FakeClip{};
    ASSERT_TRUE(f.OpenRecording(folder.File("run_01.avi").c_str(), 1));
    EXPECT_EQ(host.seekMarks, (std::vector<double>{0, 0.008, 0.018, 0.018}));
    f.OnCommand(cmd::kClipPause);
    const auto standsAt = [&](int32_t row, int64_t us) {
        EXPECT_EQ(std::pair(f.View().DisplayRow(), f.Video().ClipPosition().count()),
                  std::pair(row, us));
    };
    for (const auto& [command, row, us] : {std::tuple{cmd::kNextMarker, 5, 80000},
                                           {cmd::kNextMarker, 10, 180000},
                                           {cmd::kNextMarker, 10, 180000},
                                           {cmd::kNextMarker, 10, 180000},
                                           {cmd::kPreviousMarker, 10, 180000},
                                           {cmd::kPreviousMarker, 5, 80000}}) {
        f.OnCommand(command);
        standsAt(row, us);
    }
    const WavePlot plot = MakeWavePlot(600, 300, 8, 14, f.View().Scales().tscale, 20);
    std::vector<int32_t> lines;
    ForEachMarkerLine(f.View(), plot, [&](int32_t x) { lines.push_back(x); });
    ASSERT_EQ(lines.size(), 2u) << "the markers of the records drawn";
    EXPECT_EQ(lines[1], plot.axisX) << "the marked record at the right edge";
    EXPECT_LT(lines[0], plot.axisX);
    f.OnCommand(cmd::kPreviousMarker);
    standsAt(1, 0);

    // The list: rename, delete and add at the cursor, each saved at once; a save that fails is
    // told and leaves the markers as they were.
    host.markerDialog = [&](MarkerEditor& list) {
        EXPECT_TRUE(list.RenameMarker(1, "valve, \"open\""));
        EXPECT_TRUE(list.DeleteMarker(3));
        std::filesystem::create_directory(folder.File("run_01.markers.csv.tmp"));
        EXPECT_FALSE(list.DeleteMarker(0));
        std::filesystem::remove(folder.File("run_01.markers.csv.tmp"));
        list.GoToMarker(2);
        EXPECT_EQ(list.AddMarker("added"), 3);
    };
    f.OnCommand(cmd::kMarkerList);
    ASSERT_EQ(host.markerDialogs, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("could not be saved to run_01.markers.csv"),
              std::string::npos);
    ReadMarkerFile(folder.File("run_01.markers.csv").c_str(), m);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_STREQ(m[1].text, "valve, \"open\"");
    EXPECT_EQ(at(3), std::tuple(9, 180, MarkerKind::User));
    EXPECT_STREQ(m[3].text, "added");
    EXPECT_EQ(f.Replay().Markers().size(), 4u);

    // A marker file spoilt by hand: its bad lines are left out and told once.
    folder.Write("run_01.markers.csv", "record,clip_ms,kind,text\r\n3,60,user,\"a\"\r\nbad\r\n");
    ASSERT_TRUE(f.OpenRecording(folder.File("run_01.avi").c_str(), 1));
    EXPECT_EQ(f.Replay().Markers().size(), 1u);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find("1 line(s) of the marker file"), std::string::npos);
    EXPECT_NE(host.status[2].find("marker lines unread: 1"), std::string::npos);
}

// A marker file that cannot be written is told once while the capture goes on; the markers wait
// and are written once the file takes them. A stream error drops its own marker.
TEST_F(FrameSession, AMarkerFileThatCannotBeWrittenIsToldOnceAndTheMarkersWait) {
    StoreCaptureSettings(0, 0);
    MainFrame& f = Start();
    std::filesystem::create_directories(folder.Path() / "run.markers.csv" / "in the way");
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    Poll(5);
    f.OnCommand(cmd::kMarker);
    Poll(5);
    f.OnCommand(cmd::kMarker);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("markers cannot be written to run.markers.csv"),
              std::string::npos);
    EXPECT_NE(host.recording.find("Markers not written"), std::string::npos) << host.recording;
    EXPECT_TRUE(Capturing());
    std::filesystem::remove_all(folder.Path() / "run.markers.csv");
    Poll(5);
    StreamStops("camera unplugged", StreamErrorSource::Camera);
    f.OnCommand(cmd::kCapture);
    std::vector<Marker> m;
    ReadMarkerFile(folder.File("run.markers.csv").c_str(), m);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(std::tuple(m[0].record, m[1].record, m[2].record), std::tuple(4, 9, 14));
    EXPECT_EQ(m[2].kind, MarkerKind::StreamError);
    EXPECT_EQ(CsvRows(folder.Read("run.csv")).size(), 15u);
}

// A saved instrument takes the logger's place: its records reach the CSV with their unit and
// six digits, and a device that goes away is told once and ends the CSV with its rows kept.
TEST_F(FrameSession, AnInstrumentRecordsInItsUnitAndALostOneIsToldOnce) {
    StoreCaptureSettings(0, 0);
    Start();
    RegKey none = kNoKey;
    EXPECT_NE(registry.OpenKey(kCurrentUser, "Software\\Korvex\\Velatrace\\Instrument", &none),
              reg::kSuccess)
        << "who never chose an instrument keeps the settings as they were";
    logger.writes.clear();
    InstrumentChoice choice;
    CopyText(choice.driver, "fake");
    CopyText(choice.channel[0], "A1");
    SettingsStore(registry).SaveInstrument(choice);
    FakeCatalog catalog;
    instruments = &catalog;
    MainFrame& f = Start();
    ASSERT_NE(catalog.source, nullptr);
    EXPECT_TRUE(logger.writes.empty()) << "the logger is not asked";
    InstrumentChoice kept;
    SettingsStore(registry).LoadInstrument(kept);
    EXPECT_EQ(kept.range[0], 10.0) << "the range the readings chose is kept";
    f.OnCommand(cmd::kPreview);
    f.OnCommand(cmd::kCapture);
    for (int tick = 0; tick < 3; ++tick) {
        catalog.source->waiting = {1.234567, -9.87654321, 0.000123456};
        f.OnTimer(kTimerPoll);
    }
    EXPECT_TRUE(host.boxes.empty());
    catalog.source->error = "the device stopped sending readings";
    f.OnTimer(kTimerPoll);
    f.OnTimer(kTimerPoll);
    ASSERT_EQ(host.boxes.size(), 1u) << "told once: " << host.boxes.back().text;
    EXPECT_NE(host.boxes[0].text.find("The instrument was lost"), std::string::npos);
    const std::string csv = folder.Read("run.csv");
    EXPECT_NE(csv.find("V[10],,,,,,,,,\r\n1.23457,,,,,,,,,\r\n-9.87654,"), std::string::npos)
        << csv;
    EXPECT_EQ(CsvRows(csv).size(), 9u);

    // Chosen from the Transfer menu: refused while live; no instrument brings the logger back.
    host.instrumentDialog = [](InstrumentChoice& c) { return !(c = InstrumentChoice{}).Chosen(); };
    f.OnCommand(cmd::kInstrument);
    EXPECT_EQ(host.boxes.size(), 2u) << "the preview runs on with the camera";
    f.OnCommand(cmd::kCapture);
    ASSERT_FALSE(f.Live().IsLive());
    f.OnCommand(cmd::kInstrument);
    SettingsStore(registry).LoadInstrument(kept);
    EXPECT_FALSE(kept.Chosen());
    EXPECT_EQ(f.Setup().channel[1].type, kTypeTemperature) << "the logger's channels again";
    f.OnCommand(cmd::kPreview);
    Poll(5);
    Poll(5);
    EXPECT_EQ(host.status[1], "5 pt");
}

}  // namespace
}  // namespace velatrace
