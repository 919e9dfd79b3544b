// The camera graph: building, preview, capture start/stop, the move to the next file and what is
// left after an engine error.
#include <string>

#include "VideoGraphFixture.h"
#include "video/VideoFitting.h"

namespace velatrace::testing {
namespace {

using Capture = VideoGraphFixture;

TEST_F(Capture, StartUpBuildsTheCameraGraphStoppedWithTheCaptureStreamHeld) {
    pane.client = {1000, 500};
    ASSERT_TRUE(StartCamera());
    const Calls expected = {"engine.EnumerateDevices",
                            "engine.CreateCaptureGraph",
                            "capture.BindDevice(cam:a)",
                            "capture.FindInterface(Interleaved,Compression)",
                            "capture.FindInterface(Video,Compression)",
                            "capture.FindInterface(Interleaved,StreamConfig)",
                            "capture.FindInterface(Video,StreamConfig)",
                            "capture.GetFormat",
                            "capture.SetFormat(640x480)",
                            "capture.SetOutputFileName(/cap/run_07.avi)",
                            "capture.RenderStream(Capture,Interleaved)",
                            "capture.RenderStream(Capture,Video)",
                            "capture.RenderStream(Preview,Interleaved)",
                            "capture.RenderStream(Preview,Video)",
                            "capture.GetVideoSize",
                            "capture.GetAvgTimePerFrame",
                            "capture.ControlStream(Hold)"};
    EXPECT_EQ(engine.calls, expected);
    EXPECT_EQ(State(), "stopped");
    EXPECT_EQ(Trace(), "");
    // The picture sits at the top-left, as large as the aspect allows.
    EXPECT_TRUE(pane.visible);
    EXPECT_EQ(pane.rect.width, 666);
    EXPECT_EQ(pane.rect.height, 500);

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

TEST_F(Capture, BuildFailuresAreTracedAndLeaveNoGraph) {
    // The AVI writer cannot be set up: the capture render fails too, the streams are torn down.
    engine.SetResult("capture.SetOutputFileName", kHrAccessDenied);
    EXPECT_FALSE(StartCamera());
    EXPECT_TRUE(engine.Called("capture.TearDown"));
    EXPECT_EQ(Trace(), "FAILED(hr=0x80040209) in CaptureGraph::RenderStream(Capture, Video)\n");
    EXPECT_EQ(video.RunGraph(true), 1);  // nothing built, nothing to run

    // The graph cannot be created, or the camera cannot be opened (all is released again).
    engine.forced = {{"engine.CreateCaptureGraph", kHrOutOfMemory}};
    VideoGraph second{engine};
    EXPECT_FALSE(Selects(second));
    EXPECT_STREQ(second.LastFailure(),
                 "FAILED(hr=0x8007000e) in MediaEngine::CreateCaptureGraph\n");
    engine.forced = {{"capture.BindDevice", kHrDeviceNotConnected}};
    VideoGraph third{engine};
    EXPECT_FALSE(Selects(third));
    EXPECT_EQ(engine.calls.back(), "capture.Destroy");
    EXPECT_STREQ(third.LastFailure(), "FAILED(hr=0x8007048f) in CaptureGraph::BindDevice\n");
}

TEST_F(Capture, StreamFormatIsAppliedAndReadWithoutTrustingBadValues) {
    // A top-down format gives a positive height; a format without frame time keeps the rate.
    engine.devices[0].format.height = -480;
    engine.devices[0].format.avgTimePerFrame = 0;
    video.LoadStream(StreamSettings{0, 20, 320, 240, 0, 0, 0});
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(engine.capture.format.imageSize, 320 * 3 * 240);
    EXPECT_EQ(video.Stream().lvh, 240);
    EXPECT_EQ(video.Stream().lrate, 20);
    // A stored size of 0 is not asked of the camera: its own size is read instead.
    VideoGraph fresh{engine};
    ASSERT_TRUE(Selects(fresh));
    EXPECT_FALSE(engine.Called("capture.SetFormat(0x0)"));
    EXPECT_EQ(fresh.Stream().lvw, 640);
    EXPECT_EQ(fresh.Stream().lvh, 480);
}

TEST_F(Capture, PreviewRunsAndStopsByTheRules) {
    EXPECT_EQ(video.RunGraph(false), 1);  // nothing to stop
    EXPECT_EQ(video.RunGraph(true), 1);   // nothing to run
    ASSERT_TRUE(StartCamera());
    engine.calls.clear();
    EXPECT_EQ(video.RunGraph(true), kHrOk);
    // The capture stream is switched off before the graph runs, so a preview never records.
    EXPECT_EQ(engine.calls, (Calls{"capture.ControlStream(StopNow)", "capture.Run"}));
    EXPECT_EQ(State(), "previewing");
    EXPECT_EQ(video.RunGraph(true), kHrOk);  // already running: nothing happens
    EXPECT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(video.RunGraph(false), kHrOk);
    EXPECT_EQ(State(), "stopped");
    EXPECT_FALSE(engine.capture.running);

    // The capture file is held by another program: the preview does not start.
    engine.SetResult("capture.Run", kHrSharingViolation);
    EXPECT_EQ(video.RunGraph(true), kHrSharingViolation);
    EXPECT_EQ(State(), "stopped");
    EXPECT_EQ(Trace(), "FAILED(hr=0x80070020) in MediaGraph::Run\n");
}

TEST_F(Capture, CaptureStartsStopsAndMovesToTheNextFileWithoutStoppingTheCamera) {
    EXPECT_FALSE(video.StartCapture() || video.StopCapture());  // no camera graph
    EXPECT_EQ(video.NextCaptureFile(true), 0);
    StartPreview();
    ASSERT_TRUE(video.StartCapture());
    EXPECT_TRUE(video.StartCapture());  // already capturing: nothing more
    EXPECT_EQ(engine.calls, Calls{"capture.ControlStream(StartNow)"});
    EXPECT_EQ(State(), "previewing capturing");

    // The next number: the running graph switches files and goes on previewing; the capture
    // stream waits for the next start.
    video.SetCaptureNumber(8);
    engine.calls.clear();
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(engine.calls, (Calls{"capture.ControlStream(StopNow)",
                                   "capture.SwitchOutputFile(/cap/run_08.avi)"}));
    EXPECT_EQ(State(), "previewing");
    EXPECT_TRUE(engine.capture.running);
    // The next file cannot be created: traced, and the preview still goes on.
    engine.SetResult("capture.SwitchOutputFile", kHrSharingViolation);
    ASSERT_TRUE(video.StartCapture());
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(Trace(), "FAILED(hr=0x80070020) in CaptureGraph::SwitchOutputFile\n");
    EXPECT_EQ(State(), "previewing");

    // Without numbering the graph stops (finishing the file) and stays stopped.
    ASSERT_TRUE(video.StartCapture());
    engine.calls.clear();
    EXPECT_EQ(video.NextCaptureFile(false), 1);
    EXPECT_EQ(engine.calls, (Calls{"capture.Stop", "capture.ControlStream(StopNow)"}));
    EXPECT_EQ(State(), "stopped");
    // A stopped graph is pointed at the next name and stays stopped.
    video.SetCaptureNumber(9);
    engine.calls.clear();
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(engine.calls, (Calls{"capture.Stop", "capture.ControlStream(StopNow)",
                                   "capture.SetOutputFileName(/cap/run_09.avi)"}));
    EXPECT_FALSE(engine.capture.running);
}

TEST_F(Capture, FailedStreamControlIsTracedButTheStateFollowsTheCommand) {
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
    EXPECT_EQ(std::string(trace.Text()).size(), 159u);
    EXPECT_EQ(std::string(trace.Text()).rfind("FAILED(hr=0x80004005) in xxx", 0), 0u);
}

TEST_F(Capture, AnEngineErrorEndsWhatItStopped) {
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
    ASSERT_TRUE(video.StartCapture());
    EXPECT_EQ(engine.capture.control, CaptureControl::StartNow);
    // The camera stopped delivering: the graph is stopped, which finishes the AVI.
    error.source = StreamErrorSource::Camera;
    video.EndAfterStreamError(error);
    EXPECT_EQ(State(), "stopped");
    EXPECT_EQ(engine.calls.back(), "capture.Stop");
    EXPECT_EQ(video.RunGraph(true), kHrOk);  // the preview can be started again
}

TEST_F(Capture, ReleaseStopsTearsDownAndForgetsTheDevices) {
    // No pane, or no picture size, divides by nothing.
    EXPECT_EQ(FitVideoRect(0, 0, 640, 480).width, 0);
    EXPECT_EQ(FitVideoRect(400, 300, 0, 0).height, 300);
    EXPECT_EQ(FitVideoRect(400, 300, 640, 0).width, 400);

    StartPreview();
    video.ReleaseVideo();
    EXPECT_EQ(engine.calls, (Calls{"capture.Stop", "capture.TearDown", "capture.Destroy"}));
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
