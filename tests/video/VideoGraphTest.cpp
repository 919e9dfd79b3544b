// The video object over the fake engine: the camera graph (building, the cameras, preview, capture,
// the next file, setting pages, errors, release) and the replay of clips (transport, seek, grabs);
// the engine made on first use or by its loading thread.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "FakeMediaEngine.h"
#include "FakeVideoSurface.h"
#include "video/LazyMediaEngine.h"
#include "video/VideoFitting.h"
#include "video/VideoGraph.h"

namespace velatrace::testing {
namespace {

constexpr const char* kClip = "/rec/run_07.avi";

// Two cameras, the stored stream settings of a first start (640 x 480 at 20 frames per second,
// muted), the capture naming "/cap/run_07.avi" and a recorded clip.
struct Video : ::testing::Test {
    FakeMediaEngine engine;
    FakeVideoSurface pane;
    VideoGraph video{engine};
    int32_t selectedIndex = -1;

    Video() {
        engine.devices = {FakeDevice{{"Cam A", "cam:a"}}, FakeDevice{{"Cam B", "cam:b"}}};
        engine.clips[kClip] = FakeClip{};
        video.LoadStream(StreamSettings{0, 20, 640, 480, kVolumeSilent, 0, 0});
        video.SetNaming("/cap/", "run", 1);
        video.SetCaptureNumber(7);
    }

    // Start-up with the saved camera (none: first start); whether it holds a capture stream.
    bool StartCamera(const char* savedName = "") {
        bool selected = false;
        video.LoadDisplayName(savedName, kDisplayNameSize);
        video.InitCamera(&pane, &selectedIndex, &selected);
        return selected;
    }
    bool Choose(const char* savedName) {
        video.LoadDisplayName(savedName, kDisplayNameSize);
        return video.SelectSavedDevice(&pane, &selectedIndex);
    }
    // Start-up and Preview, or a clip opened and playing.
    void StartPreview() {
        ASSERT_TRUE(StartCamera());
        ASSERT_EQ(video.RunGraph(true), MediaError::None);
        engine.calls.clear();
    }
    void OpenPlaying() {
        ASSERT_TRUE(video.OpenClip(&pane, kClip));
        engine.calls.clear();
    }

    // The engine calls since the last look, separated by spaces.
    std::string TakeCalls() {
        std::string s;
        for (const std::string& c : std::exchange(engine.calls, {}))
            s += (s.empty() ? "" : " ") + c;
        return s;
    }
    std::string Trace() const { return video.LastFailure(); }
    // What the frame reads of the video object: "previewing", "capturing", "clip <play state>".
    std::string State() const {
        const char* play[] = {"Stopped", "Paused", "Running"};
        std::string s = video.IsPreviewing() ? "previewing" : "stopped";
        s += video.IsCapturing() ? " capturing" : "";
        return video.IsClipOpen() ? s + " clip " + play[static_cast<int>(video.ClipPlayState())]
                                  : s;
    }
    // The clip position as (percent, 100-ns units).
    std::pair<int32_t, int64_t> Position() {
        int64_t at = -1;
        const int32_t percent = video.GetClipPosition(&at);
        return {percent, at};
    }
};

TEST_F(Video, StartUpBuildsTheGraphHeldOrTracesWhyNot) {
    pane.client = {1000, 500};
    ASSERT_TRUE(StartCamera());
    // The stored size is set before the writer is named and the streams are rendered; the
    // capture stream is held last.
    const std::string calls = TakeCalls();
    EXPECT_NE(calls.find("capture.SetFormat(640x480) capture.SetOutputFileName(/cap/run_07.avi) "
                         "capture.RenderStream(Capture,Interleaved)"),
              std::string::npos)
        << calls;
    EXPECT_TRUE(calls.ends_with("capture.ControlStream(Hold)")) << calls;
    EXPECT_EQ(State() + Trace(), "stopped");
    // The picture sits at the top-left, as large as the aspect allows; no pane, or no picture
    // size, divides by nothing.
    EXPECT_EQ(std::tuple(pane.visible, pane.rect.width, pane.rect.height),
              std::tuple(true, 666, 500));
    EXPECT_EQ(std::tuple(FitVideoRect(0, 0, 640, 480).width, FitVideoRect(400, 300, 0, 0).height,
                         FitVideoRect(400, 300, 640, 0).width),
              std::tuple(0, 300, 400));

    // The AVI writer cannot be set up: the capture render fails too, the streams are torn down.
    engine.SetResult("capture.SetOutputFileName", MediaError::AccessDenied);
    EXPECT_FALSE(StartCamera());
    EXPECT_TRUE(engine.Called("capture.TearDown"));
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x80040209) in CaptureGraph::RenderStream(Capture, Video): "
              "Stream not connected\n");
    EXPECT_EQ(video.RunGraph(true), 1);  // nothing built, nothing to run
    // The camera cannot be opened: all is released again.
    engine.forced = {{"capture.BindDevice", MediaError::DeviceGone}};
    EXPECT_FALSE(StartCamera());
    EXPECT_EQ(
        engine.calls.back() + ": " + Trace(),
        "capture.Destroy: FAILED(hr=0x8007048f) in CaptureGraph::BindDevice: No such device\n");
    engine.forced.clear();

    // A top-down format gives a positive height; a format without frame time keeps the rate.
    engine.devices[0].format.height = -480, engine.devices[0].format.avgTimePerFrame = 0;
    video.LoadStream(StreamSettings{0, 20, 320, 240, 0, 0, 0});
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(std::tuple(engine.capture.format.imageSize, video.Stream().lvh, video.Stream().lrate),
              std::tuple(320 * 3 * 240, 240, 20));
    // A stored size of 0 is not asked of the camera: its own size is read instead.
    video.LoadStream(StreamSettings{0, 20, 0, 0, 0, 0, 0});
    ASSERT_TRUE(StartCamera());
    EXPECT_FALSE(engine.Called("capture.SetFormat(0x0)"));
    EXPECT_EQ(std::tuple(video.Stream().lvw, video.Stream().lvh), std::tuple(640, 480));
}

TEST_F(Video, TheSavedCameraIsUsedElseTheFirst) {
    ASSERT_TRUE(StartCamera("cam:b"));
    EXPECT_EQ(std::tuple(selectedIndex, engine.capture.device), std::tuple(1, "cam:b"));
    // The saved camera is gone: the running graph is stopped and replaced by the first camera's,
    // whose name replaces the saved one.
    ASSERT_EQ(video.RunGraph(true), MediaError::None);
    engine.calls.clear();
    ASSERT_TRUE(Choose("cam:unplugged"));
    EXPECT_EQ(std::tuple(selectedIndex, std::string(video.DisplayName()), engine.calls[0], State()),
              std::tuple(0, "cam:a", "capture.Stop", "stopped"));
    EXPECT_LT(engine.IndexOf("capture.Destroy"), engine.IndexOf("engine.CreateCaptureGraph"));
    // A rebuild that fails leaves the camera not ready.
    engine.SetResult("capture.BindDevice", MediaError::DeviceGone);
    EXPECT_FALSE(Choose("cam:b") || Choose(""));
}

TEST_F(Video, AtMostFourCamerasWithBoundedNamesAndAFailedListIsTraced) {
    const std::string longName(200, 'n');
    engine.devices.clear();
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        engine.devices.push_back(FakeDevice{{i == 0 ? longName : "Cam " + n, "cam:" + n}});
    }
    engine.devices[2].info.nameResult = MediaError::Failed;                 // its names cannot be read
    const std::string longId = "cam:" + std::string(1996, 'd');  // 2000 characters
    engine.devices[0].info.displayName = longId;
    ASSERT_TRUE(StartCamera("cam:3"));
    EXPECT_EQ(std::tuple(video.Stream().nDevices, selectedIndex), std::tuple(4, 3));
    // Friendly names are cut to 119 characters. The unreadable camera keeps its slot, empty, so
    // the names stop before it; it cannot be chosen, the first camera stands in for it, and
    // its long display name grows the buffer.
    const char* names[kMaxVideoDevices] = {};
    ASSERT_EQ(video.DeviceNames(names, kMaxVideoDevices), 2);
    EXPECT_EQ(std::tuple(std::string(names[0]), std::string(names[1])),
              std::tuple(longName.substr(0, 119), "Cam 1"));
    ASSERT_TRUE(Choose("cam:2"));
    EXPECT_EQ(std::tuple(selectedIndex, video.DisplayNameSize(), std::string(video.DisplayName())),
              std::tuple(0, 2001u, longId));
    // A stored display name size beyond reason does not allocate it.
    video.LoadDisplayName("cam:a", 0xFFFFFFFFu);
    EXPECT_LE(video.DisplayNameSize(), 64u * 1024u);

    engine.calls.clear();
    engine.SetResult("engine.EnumerateDevices", MediaError::Unexpected);
    EXPECT_FALSE(video.InitCamera(&pane, &selectedIndex));
    EXPECT_EQ(TakeCalls() + ": " + Trace(),
              "engine.EnumerateDevices: FAILED(hr=0x8000ffff) in MediaEngine::EnumerateDevices: "
              "Unexpected failure\n");
}

TEST_F(Video, PreviewAndCaptureFollowTheCommandsAndMoveToTheNextFile) {
    EXPECT_EQ(std::tuple(video.RunGraph(false), video.RunGraph(true), video.NextCaptureFile(true)),
              std::tuple(1, 1, 0));  // no graph: nothing to stop, run or name
    EXPECT_FALSE(video.StartCapture() || video.StopCapture());
    ASSERT_TRUE(StartCamera());
    engine.calls.clear();
    // The capture stream is switched off before the graph runs, so a preview never records.
    EXPECT_EQ(video.RunGraph(true), MediaError::None);
    EXPECT_EQ(video.RunGraph(true), MediaError::None);  // already running: nothing happens
    EXPECT_TRUE(video.StartCapture() && video.StartCapture());
    EXPECT_EQ(TakeCalls() + ", " + State(),
              "capture.ControlStream(StopNow) capture.Run capture.ControlStream(StartNow), "
              "previewing capturing");
    // The AVI could not be written: the capture is over and held, the preview goes on.
    StreamError error{};
    error.source = StreamErrorSource::Recorder;
    video.EndAfterStreamError(error);
    EXPECT_EQ(std::tuple(State(), engine.capture.control, engine.capture.running),
              std::tuple("previewing", CaptureControl::Hold, true));
    ASSERT_TRUE(video.StartCapture());
    engine.calls.clear();
    // The running graph switches files and goes on previewing; the capture stream waits.
    video.SetCaptureNumber(8);
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(TakeCalls() + ", " + State(),
              "capture.ControlStream(StopNow) capture.SwitchOutputFile(/cap/run_08.avi), "
              "previewing");
    // The next file cannot be created: traced, and the preview still goes on.
    engine.SetResult("capture.SwitchOutputFile", MediaError::FileInUse);
    ASSERT_TRUE(video.StartCapture());
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(State() + ": " + Trace(),
              "previewing: FAILED(hr=0x80070020) in CaptureGraph::SwitchOutputFile: "
              "File in use or cannot be created\n");
    // A failed stream control is traced, but the state follows the command, so that the next
    // Capture command ends it.
    engine.SetResult("capture.ControlStream", MediaError::Failed);
    EXPECT_TRUE(video.StartCapture());
    EXPECT_EQ(State() + ": " + Trace(),
              "previewing capturing: FAILED(hr=0x80004005) in "
              "CaptureGraph::ControlStream(StartNow): Operation failed\n");
    EXPECT_TRUE(video.StopCapture());
    EXPECT_EQ(State(), "previewing");
    // The capture file is held by another program: the preview does not start.
    EXPECT_EQ(video.RunGraph(false), MediaError::None);
    engine.SetResult("capture.Run", MediaError::FileInUse);
    EXPECT_EQ(video.RunGraph(true), MediaError::FileInUse);
    EXPECT_EQ(State() + ": " + Trace(),
              "stopped: FAILED(hr=0x80070020) in MediaGraph::Run: "
              "File in use or cannot be created\n");
}

// The format pages pick the last size.
struct PickLastFormat : PropertyPages {
    MediaError ShowFilterPages(CaptureGraph&, int32_t, int32_t) override { return MediaError::None; }
    MediaError ShowFormatPages(CaptureGraph& graph, const std::vector<VideoFormat>& formats, int32_t,
                            int32_t) override {
        StreamFormat f;
        graph.GetFormat(&f);
        f.width = formats.back().width, f.height = formats.back().height;
        f.avgTimePerFrame = formats.back().avgTimePerFrame;
        return graph.SetFormat(f);
    }
};

TEST_F(Video, FormatChangeRebuildsTheGraphAndRestartsThePreview) {
    StartPreview();
    PickLastFormat pages;
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    // Stopped and torn down while the pages are open, then rebuilt (the capture file named
    // afresh) and running again, with the capture stream off.
    EXPECT_LT(engine.IndexOf("capture.TearDown"), engine.IndexOf("capture.SetFormat(320x240)"));
    EXPECT_LT(engine.IndexOf("capture.SetFormat(320x240)"),
              engine.IndexOf("capture.SetOutputFileName(/cap/run_07.avi)"));
    EXPECT_EQ(std::tuple(video.Stream().lvw, video.Stream().lvh, video.Stream().lrate, State(),
                         engine.capture.control),
              std::tuple(320, 240, 30, "previewing", CaptureControl::StopNow));
}

TEST_F(Video, ReleaseStopsTearsDownAndForgetsTheDevices) {
    StartPreview();
    video.ReleaseVideo();
    EXPECT_EQ(TakeCalls() + ", " + State() + video.DisplayName(),
              "capture.Stop capture.TearDown capture.Destroy, stopped");
    EXPECT_FALSE(pane.visible || video.SelectSavedDevice(&pane, &selectedIndex));
}

TEST_F(Video, OpeningAClipReplacesThePreviewAndPlays) {
    StartPreview();
    pane.client = {400, 600};
    ASSERT_TRUE(video.OpenClip(&pane, kClip));
    // The camera graph is stopped and gone before the playback graph is made.
    EXPECT_EQ(engine.IndexOf("capture.Stop"), 0);
    EXPECT_LT(engine.IndexOf("capture.Destroy"), engine.IndexOf("engine.CreatePlaybackGraph"));
    EXPECT_EQ(std::tuple(State(), engine.play.volume, pane.rect.width, pane.rect.height),
              std::tuple("stopped clip Running", kVolumeSilent, 400, 300));
    // The grab: 24-bit rows of 960 bytes, filled from the frame on screen.
    EXPECT_EQ(video.GrabFrame(), 960 * 240);
    EXPECT_EQ(video.GrabbedPixels()[960 * 240 - 1], 0x5A);
    // After closing, the preview stays off until the camera is selected again.
    ASSERT_TRUE(video.CloseClip());
    EXPECT_EQ(std::tuple(State(), engine.play.alive, video.GrabbedPixels(), video.RunGraph(true)),
              std::tuple("stopped", false, nullptr, 1));
    // A clip without pictures hides the picture.
    engine.clips[kClip].hasVideo = false;
    OpenPlaying();
    EXPECT_EQ(std::tuple(video.Stream().fAudioOnly, pane.visible, video.GrabFrame()),
              std::tuple(1, false, 0));
}

TEST_F(Video, AClipThatCannotBeRenderedIsNotOpen) {
    ASSERT_FALSE(video.OpenClip(&pane, "/rec/broken.avi"));
    EXPECT_EQ(State() + ": " + Trace(),
              "stopped: FAILED(hr=0x80040265) in PlaybackGraph::RenderFile: "
              "Unsupported media format\n");
    // Nothing of it is left: no graph, and the transport and closing find nothing.
    EXPECT_FALSE(engine.play.alive);
    engine.calls.clear();
    EXPECT_FALSE(video.PlayClip() || video.PauseClip() || video.StopClip());
    EXPECT_FALSE(video.ClipReachedEnd() || video.CloseClip());
    EXPECT_EQ(TakeCalls() + State(), "stopped");
}

TEST_F(Video, ClipTransportAndMute) {
    OpenPlaying();
    ASSERT_TRUE(video.PauseClip());
    EXPECT_EQ(State(), "stopped clip Paused");
    // Stop rewinds, then stops, without holding up the GUI thread; once only.
    ASSERT_TRUE(video.PlayClip());
    engine.AdvancePlayback(30000000);
    engine.calls.clear();
    ASSERT_TRUE(video.StopClip() && video.StopClip());
    EXPECT_EQ(TakeCalls() + ", " + State(), "play.SetPosition(0) play.Stop, stopped clip Stopped");
    // Mute toggles between silent and full; a stored volume between counts as not muted.
    std::vector<int32_t> volumes;
    for (int32_t stored : {kVolumeSilent, kVolumeFull, -3000}) {
        video.LoadStream(StreamSettings{0, 20, 640, 480, stored, 0, 0});
        ASSERT_TRUE(video.ToggleMute());
        volumes.push_back(engine.play.volume);
    }
    EXPECT_EQ(volumes, (std::vector<int32_t>{kVolumeFull, kVolumeSilent, kVolumeSilent}));
    video.CloseClip();
    EXPECT_FALSE(video.ToggleMute());  // no clip
}

TEST_F(Video, SeekAndPositionWorkInWholePercentAndTheEndIsReportedOnce) {
    OpenPlaying();
    // A seek pauses the graph but leaves the play state to the caller.
    video.SeekClip(50);
    EXPECT_EQ(TakeCalls() + ", " + State(),
              "play.Pause play.SetPosition(50000000), stopped clip Running");
    engine.play.position = 25000000;
    EXPECT_EQ(Position(), std::pair(25, int64_t{25000000}));
    // Played to the end the position is the duration, and the end is told once.
    ASSERT_TRUE(video.PlayClip());
    EXPECT_FALSE(video.ClipReachedEnd());
    engine.AdvancePlayback(200000000);
    EXPECT_EQ(Position(), std::pair(100, video.ClipDuration()));
    EXPECT_TRUE(video.ClipReachedEnd());
    EXPECT_FALSE(video.ClipReachedEnd());
    // The duration is divided before multiplying, so its last two digits are lost; percentages
    // outside 0..100 stay within the clip.
    engine.clips[kClip].duration = 1000000099;
    OpenPlaying();
    video.SeekClip(150);
    video.SeekClip(-5);
    EXPECT_EQ(TakeCalls(),
              "play.Pause play.SetPosition(1000000000) play.Pause play.SetPosition(0)");
    // Without a duration the percentage is 0.
    engine.clips[kClip].seekable = false;
    OpenPlaying();
    engine.play.position = 12345;
    EXPECT_EQ(Position(), std::pair(0, int64_t{12345}));
}

// The program's engine is made after the window is shown: by its loading thread, or by the first
// call that needs it (the deferred start-up's camera scan); without one there are no cameras and
// no clips, and nothing breaks.
TEST(LazyEngine, MadeOnceByTheLoaderOrTheFirstCallAndWithoutOneNothingOpens) {
    struct WakeEngine : FakeMediaEngine {
        WakeCallback wake;
        void SetWakeCallback(WakeCallback w) override { wake = std::move(w); }
    };
    for (const bool loader : {true, false}) {
        int made = 0;
        WakeEngine* real = nullptr;
        LazyMediaEngine lazy([&](std::string*) {
            ++made;
            auto engine = std::make_unique<WakeEngine>();
            engine->devices = {FakeDevice{{"Cam A", "cam:a"}}};
            real = engine.get();
            return engine;
        });
        bool woken = false;
        lazy.SetWakeCallback([&woken] { woken = true; });
        if (loader) {
            lazy.StartLoading();
        }
        VideoGraph video{lazy};
        FakeVideoSurface pane;
        int32_t index = -1;
        EXPECT_TRUE(video.InitCamera(&pane, &index)) << loader;
        lazy.StartLoading();  // too late: the engine is there
        ASSERT_EQ(made, 1) << loader;
        EXPECT_EQ(real->capture.device, "cam:a");
        // The wake set before the engine existed reaches it.
        ASSERT_TRUE(real->wake);
        real->wake();
        EXPECT_TRUE(woken);
    }

    LazyMediaEngine none([](std::string* problem) {
        *problem = "no module";
        return std::unique_ptr<MediaEngine>();
    });
    none.StartLoading();
    none.SetWakeCallback([] {});
    VideoGraph video{none};
    FakeVideoSurface pane;
    int32_t index = -1;
    std::vector<DeviceInfo> devices{DeviceInfo{}};
    EXPECT_TRUE(Failed(none.EnumerateDevices(&devices)));
    EXPECT_TRUE(devices.empty());
    EXPECT_FALSE(video.InitCamera(&pane, &index));
    EXPECT_FALSE(video.OpenClip(&pane, kClip));
    EXPECT_FALSE(video.IsClipOpen());
    EXPECT_STREQ(none.Problem(), "no module");
}

}  // namespace
}  // namespace velatrace::testing
