// The camera graph: building, the camera list and the saved camera, preview, capture and the move
// to the next file, the format and control pages, engine errors and release.
#include <string>
#include <utility>

#include "VideoGraphFixture.h"
#include "video/VideoFitting.h"

namespace velatrace::testing {
namespace {

using Camera = VideoGraphFixture;

TEST_F(Camera, StartUpBuildsTheGraphStoppedWithTheCaptureStreamHeld) {
    pane.client = {1000, 500};
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(TakeCalls(),
              "engine.EnumerateDevices engine.CreateCaptureGraph capture.BindDevice(cam:a) "
              "capture.FindInterface(Interleaved,Compression) "
              "capture.FindInterface(Video,Compression) "
              "capture.FindInterface(Interleaved,StreamConfig) "
              "capture.FindInterface(Video,StreamConfig) capture.GetFormat "
              "capture.SetFormat(640x480) capture.SetOutputFileName(/cap/run_07.avi) "
              "capture.RenderStream(Capture,Interleaved) capture.RenderStream(Capture,Video) "
              "capture.RenderStream(Preview,Interleaved) capture.RenderStream(Preview,Video) "
              "capture.GetVideoSize capture.GetAvgTimePerFrame capture.ControlStream(Hold)");
    EXPECT_EQ(State(), "stopped");
    EXPECT_EQ(Trace(), "");
    // The picture sits at the top-left, as large as the aspect allows.
    EXPECT_TRUE(pane.visible);
    EXPECT_EQ(std::pair(pane.rect.width, pane.rect.height), std::pair(666, 500));
    // No pane, or no picture size, divides by nothing.
    EXPECT_EQ(FitVideoRect(0, 0, 640, 480).width, 0);
    EXPECT_EQ(FitVideoRect(400, 300, 0, 0).height, 300);
    EXPECT_EQ(FitVideoRect(400, 300, 640, 0).width, 400);

    // A camera without a preview stream of its own (split off the capture), and one that only
    // offers an interleaved stream, still build.
    engine.devices[0].preview = false;
    EXPECT_TRUE(Selects(VideoGraph{engine}));
    engine.devices[0].interleaved = true;
    engine.calls.clear();
    EXPECT_TRUE(Selects(VideoGraph{engine}));
    EXPECT_TRUE(engine.Called("capture.RenderStream(Capture,Interleaved)"));
    EXPECT_FALSE(engine.Called("capture.RenderStream(Capture,Video)"));
}

TEST_F(Camera, BuildFailuresAreTracedAndLeaveNoGraph) {
    // The AVI writer cannot be set up: the capture render fails too, the streams are torn down.
    engine.SetResult("capture.SetOutputFileName", kHrAccessDenied);
    EXPECT_FALSE(StartCamera());
    EXPECT_TRUE(engine.Called("capture.TearDown"));
    EXPECT_EQ(Trace(), "FAILED(hr=0x80040209) in CaptureGraph::RenderStream(Capture, Video)\n");
    EXPECT_EQ(video.RunGraph(true), 1);  // nothing built, nothing to run
    // The camera cannot be opened: all is released again.
    engine.forced = {{"capture.BindDevice", kHrDeviceNotConnected}};
    EXPECT_FALSE(StartCamera());
    EXPECT_EQ(engine.calls.back(), "capture.Destroy");
    EXPECT_EQ(Trace(), "FAILED(hr=0x8007048f) in CaptureGraph::BindDevice\n");
}

TEST_F(Camera, StreamFormatIsAppliedAndReadWithoutTrustingBadValues) {
    // A top-down format gives a positive height; a format without frame time keeps the rate.
    engine.devices[0].format.height = -480;
    engine.devices[0].format.avgTimePerFrame = 0;
    video.LoadStream(StreamSettings{0, 20, 320, 240, 0, 0, 0});
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(engine.capture.format.imageSize, 320 * 3 * 240);
    EXPECT_EQ(std::tuple(video.Stream().lvh, video.Stream().lrate), std::tuple(240, 20));
    // A stored size of 0 is not asked of the camera: its own size is read instead.
    VideoGraph fresh{engine};
    ASSERT_TRUE(Selects(fresh));
    EXPECT_FALSE(engine.Called("capture.SetFormat(0x0)"));
    EXPECT_EQ(std::tuple(fresh.Stream().lvw, fresh.Stream().lvh), std::tuple(640, 480));
}

TEST_F(Camera, TheSavedCameraIsUsedElseTheFirst) {
    ASSERT_TRUE(StartCamera("cam:b"));
    EXPECT_EQ(selectedIndex, 1);
    EXPECT_EQ(engine.capture.device, "cam:b");
    // The saved camera is gone: the running graph is stopped and replaced by the first camera's,
    // whose name replaces the saved one.
    ASSERT_EQ(video.RunGraph(true), kHrOk);
    engine.calls.clear();
    video.LoadDisplayName("cam:unplugged", kDisplayNameSize);
    ASSERT_TRUE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_EQ(selectedIndex, 0);
    EXPECT_STREQ(video.DisplayName(), "cam:a");
    EXPECT_EQ(engine.calls[0], "capture.Stop");
    EXPECT_LT(engine.IndexOf("capture.Destroy"), engine.IndexOf("engine.CreateCaptureGraph"));
    EXPECT_FALSE(video.IsPreviewing());
    // Choosing the camera in use again (the first, with no saved name) changes nothing.
    ASSERT_EQ(video.RunGraph(true), kHrOk);
    video.LoadDisplayName("", kDisplayNameSize);
    engine.calls.clear();
    EXPECT_TRUE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_EQ(TakeCalls(), "");
    EXPECT_TRUE(video.IsPreviewing());
    // A rebuild that fails leaves the camera not ready, also when it is chosen once more.
    engine.SetResult("capture.BindDevice", kHrDeviceNotConnected);
    video.LoadDisplayName("cam:b", kDisplayNameSize);
    EXPECT_FALSE(video.SelectSavedDevice(&pane, &selectedIndex));
    video.LoadDisplayName("", kDisplayNameSize);
    EXPECT_FALSE(video.SelectSavedDevice(&pane, &selectedIndex));
    engine.forced.clear();
    engine.calls.clear();
    EXPECT_FALSE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_EQ(TakeCalls(), "");
}

TEST_F(Camera, AtMostFourCamerasWithNamesCutTo119Characters) {
    const std::string longName(200, 'n');
    engine.devices.clear();
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        engine.devices.push_back(FakeDevice{{i == 0 ? longName : "Cam " + n, "cam:" + n}});
    }
    engine.devices[2].info.nameResult = kHrFail;  // its names cannot be read
    ASSERT_TRUE(StartCamera("cam:3"));
    EXPECT_EQ(std::tuple(video.Stream().nDevices, selectedIndex), std::tuple(4, 3));
    // The unreadable camera keeps its slot, empty, so the names stop before it.
    const char* names[kMaxVideoDevices] = {};
    ASSERT_EQ(video.DeviceNames(names, kMaxVideoDevices), 2);
    EXPECT_EQ(std::string(names[0]), longName.substr(0, 119));
    EXPECT_STREQ(names[1], "Cam 1");
    // It cannot be chosen: the first camera stands in for it.
    video.LoadDisplayName("cam:2", kDisplayNameSize);
    ASSERT_TRUE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_EQ(selectedIndex, 0);
    // A new list replaces the old one: a camera no longer listed is not found.
    engine.devices.resize(1);
    ASSERT_TRUE(StartCamera("cam:3"));
    EXPECT_EQ(std::tuple(video.DeviceNames(names, kMaxVideoDevices), selectedIndex),
              std::tuple(1, 0));
    // No camera is no failure; a failed list is.
    engine.devices.clear();
    EXPECT_FALSE(video.InitCamera(&pane, &selectedIndex));
    EXPECT_EQ(Trace(), "");
    engine.calls.clear();
    engine.SetResult("engine.EnumerateDevices", kHrUnexpected);
    EXPECT_FALSE(video.InitCamera(&pane, &selectedIndex));
    EXPECT_EQ(Trace(), "FAILED(hr=0x8000ffff) in MediaEngine::EnumerateDevices\n");
    EXPECT_EQ(TakeCalls(), "engine.EnumerateDevices");
}

TEST_F(Camera, LongDisplayNamesGrowTheBuffer) {
    EXPECT_EQ(video.DisplayNameSize(), 1024u);
    const std::string longName = "cam:" + std::string(1996, 'd');  // 2000 characters
    engine.devices[0].info.displayName = longName;
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(video.DisplayNameSize(), 2001u);
    EXPECT_EQ(std::string(video.DisplayName()), longName);
    // A saved name is parsed up to 1023 characters, so that camera is no longer recognised and
    // the first one is used in its place.
    std::swap(engine.devices[0], engine.devices[1]);
    VideoGraph again{engine};
    again.LoadDisplayName(longName.c_str(), 2001);
    EXPECT_EQ(std::string(again.DisplayName()), longName);
    ASSERT_TRUE(Selects(again));
    EXPECT_EQ(selectedIndex, 0);
    // A stored size beyond reason does not allocate it.
    again.LoadDisplayName("cam:a", 0xFFFFFFFFu);
    EXPECT_LE(again.DisplayNameSize(), 64u * 1024u);
}

TEST_F(Camera, PreviewRunsAndStopsByTheRules) {
    EXPECT_EQ(video.RunGraph(false), 1);  // nothing to stop
    EXPECT_EQ(video.RunGraph(true), 1);   // nothing to run
    ASSERT_TRUE(StartCamera());
    engine.calls.clear();
    EXPECT_EQ(video.RunGraph(true), kHrOk);
    EXPECT_EQ(video.RunGraph(true), kHrOk);  // already running: nothing happens
    // The capture stream is switched off before the graph runs, so a preview never records.
    EXPECT_EQ(TakeCalls(), "capture.ControlStream(StopNow) capture.Run");
    EXPECT_EQ(State(), "previewing");
    EXPECT_EQ(video.RunGraph(false), kHrOk);
    EXPECT_EQ(State(), "stopped");
    EXPECT_FALSE(engine.capture.running);
    // The capture file is held by another program: the preview does not start.
    engine.SetResult("capture.Run", kHrSharingViolation);
    EXPECT_EQ(video.RunGraph(true), kHrSharingViolation);
    EXPECT_EQ(State(), "stopped");
    EXPECT_EQ(Trace(), "FAILED(hr=0x80070020) in MediaGraph::Run\n");
}

TEST_F(Camera, CaptureStartsStopsAndMovesToTheNextFile) {
    EXPECT_FALSE(video.StartCapture() || video.StopCapture());  // no camera graph
    EXPECT_EQ(video.NextCaptureFile(true), 0);
    StartPreview();
    ASSERT_TRUE(video.StartCapture());
    EXPECT_TRUE(video.StartCapture());  // already capturing: nothing more
    EXPECT_EQ(TakeCalls(), "capture.ControlStream(StartNow)");
    EXPECT_EQ(State(), "previewing capturing");
    // The running graph switches files and goes on previewing; the capture stream waits for the
    // next start.
    video.SetCaptureNumber(8);
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(TakeCalls(),
              "capture.ControlStream(StopNow) capture.SwitchOutputFile(/cap/run_08.avi)");
    EXPECT_EQ(State(), "previewing");
    // The next file cannot be created: traced, and the preview still goes on.
    engine.SetResult("capture.SwitchOutputFile", kHrSharingViolation);
    ASSERT_TRUE(video.StartCapture());
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(Trace(), "FAILED(hr=0x80070020) in CaptureGraph::SwitchOutputFile\n");
    EXPECT_EQ(State(), "previewing");
    // Without numbering the graph stops, finishing the file; a stopped graph is pointed at the
    // next name and stays stopped.
    EXPECT_EQ(video.NextCaptureFile(false), 1);
    video.SetCaptureNumber(9);
    engine.calls.clear();
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(TakeCalls(),
              "capture.Stop capture.ControlStream(StopNow) "
              "capture.SetOutputFileName(/cap/run_09.avi)");
    EXPECT_EQ(State(), "stopped");
}

TEST_F(Camera, FailedStreamControlIsTracedButTheStateFollowsTheCommand) {
    StartPreview();
    engine.SetResult("capture.ControlStream", kHrFail);
    EXPECT_TRUE(video.StartCapture());
    EXPECT_EQ(State(), "previewing capturing");  // so the next Capture command ends it
    EXPECT_EQ(Trace(), "FAILED(hr=0x80004005) in CaptureGraph::ControlStream(StartNow)\n");
    EXPECT_TRUE(video.StopCapture());
    EXPECT_EQ(State(), "previewing");
    // The trace is cut to 159 characters.
    FailureTrace trace;
    trace.Note(std::string(300, 'x').c_str(), kHrFail);
    EXPECT_EQ(std::string(trace.Text()), "FAILED(hr=0x80004005) in " + std::string(134, 'x'));
}

TEST_F(Camera, AnEngineErrorEndsWhatItStopped) {
    StartPreview();
    ASSERT_TRUE(video.StartCapture());
    StreamError error;
    error.source = StreamErrorSource::Playback;  // a clip's error does not concern the camera
    video.EndAfterStreamError(error);
    EXPECT_EQ(State(), "previewing capturing");
    // The AVI could not be written: the capture is over and held, the preview goes on.
    error.source = StreamErrorSource::Recorder;
    video.EndAfterStreamError(error);
    EXPECT_EQ(State(), "previewing");
    EXPECT_EQ(engine.capture.control, CaptureControl::Hold);
    EXPECT_TRUE(engine.capture.running);
    // The camera stopped delivering: the graph is stopped, which finishes the AVI.
    ASSERT_TRUE(video.StartCapture());
    error.source = StreamErrorSource::Camera;
    video.EndAfterStreamError(error);
    EXPECT_EQ(State(), "stopped");
    EXPECT_EQ(engine.calls.back(), "capture.Stop");
    EXPECT_EQ(video.RunGraph(true), kHrOk);  // the preview can be started again
}

// Setting dialogs stand-in: notes whether the camera ran; the format pages pick the last size.
struct PickLastFormat : PropertyPages {
    explicit PickLastFormat(const bool& running) : running(running) {}
    HResult ShowFilterPages(CaptureGraph& graph, int32_t, int32_t) override {
        shown += running ? "filter(running) " : "filter ";
        return graph.SetControl(1, 60);
    }
    HResult ShowFormatPages(CaptureGraph& graph, const std::vector<VideoFormat>& formats, int32_t,
                            int32_t) override {
        shown += running ? "format(running) " : "format ";
        StreamFormat f;
        graph.GetFormat(&f);
        f.width = formats.back().width, f.height = formats.back().height;
        f.avgTimePerFrame = formats.back().avgTimePerFrame;
        return graph.SetFormat(f);
    }
    const bool& running;
    std::string shown;
};

TEST_F(Camera, FormatChangeRebuildsTheGraphAndRestartsThePreview) {
    StartPreview();
    PickLastFormat pages{engine.capture.running};
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    // Stopped and torn down while the pages are open, then rebuilt (the capture file named
    // afresh) and running again, with the capture stream off.
    EXPECT_LT(engine.IndexOf("capture.TearDown"), engine.IndexOf("capture.SetFormat(320x240)"));
    EXPECT_LT(engine.IndexOf("capture.SetFormat(320x240)"),
              engine.IndexOf("capture.SetOutputFileName(/cap/run_07.avi)"));
    EXPECT_EQ(std::tuple(video.Stream().lvw, video.Stream().lvh, video.Stream().lrate),
              std::tuple(320, 240, 30));
    EXPECT_TRUE(video.IsPreviewing());
    EXPECT_EQ(engine.capture.control, CaptureControl::StopNow);
    // Without preview the rebuilt graph stays stopped, but is built.
    ASSERT_EQ(video.RunGraph(false), kHrOk);
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    EXPECT_FALSE(engine.capture.running);
    // The camera's controls act on the running graph.
    EXPECT_EQ(video.RunGraph(true), kHrOk);
    video.ShowFilterProperties(pages);
    EXPECT_EQ(pages.shown, "format format filter(running) ");
    EXPECT_TRUE(engine.Called("capture.SetControl(1,60)"));

    // Without a stream configuration there are no format pages, only the rebuild; without
    // controls no filter pages.
    engine.devices[0].streamConfig = engine.devices[0].controls = false;
    VideoGraph plain{engine};
    ASSERT_TRUE(Selects(plain));
    ASSERT_EQ(plain.RunGraph(true), kHrOk);
    engine.calls.clear();
    EXPECT_TRUE(plain.ShowFormatProperties(&pane, pages));
    plain.ShowFilterProperties(pages);
    EXPECT_EQ(pages.shown, "format format filter(running) ");
    EXPECT_FALSE(engine.Called("capture.EnumFormats"));
    EXPECT_TRUE(engine.Called("capture.RenderStream(Preview,Video)"));
    EXPECT_TRUE(plain.IsPreviewing());
}

TEST_F(Camera, ReleaseStopsTearsDownAndForgetsTheDevices) {
    StartPreview();
    video.ReleaseVideo();
    EXPECT_EQ(TakeCalls(), "capture.Stop capture.TearDown capture.Destroy");
    EXPECT_EQ(State(), "stopped");
    EXPECT_STREQ(video.DisplayName(), "");
    EXPECT_FALSE(pane.visible);
    const int fits = pane.rectCalls;
    video.FitVideoWindow(&pane);  // no picture, nothing to fit
    EXPECT_EQ(pane.rectCalls, fits);
    EXPECT_FALSE(video.SelectSavedDevice(&pane, &selectedIndex));
}

}  // namespace
}  // namespace velatrace::testing
