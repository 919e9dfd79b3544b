// The camera graph: building, preview, capture start/stop and the move to the next file.
#include <string>

#include "VideoGraphFixture.h"
#include "video/VideoFitting.h"

namespace velatrace::testing {
namespace {

using Capture = VideoGraphFixture;

TEST_F(Capture, StartUpBuildsTheCameraGraphStoppedWithTheCaptureStreamHeld) {
    pane.client = {1000, 500};
    ASSERT_TRUE(StartCamera());

    const std::vector<std::string> expected = {
        "engine.EnumerateDevices",
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
        "capture.ControlStream(Hold)",
    };
    EXPECT_EQ(engine.calls, expected);
    EXPECT_EQ(video.gcap.fCapGraphBuilt, 1);
    EXPECT_EQ(video.gcap.fDeviceReady, 1);
    EXPECT_TRUE(video.gcap.pVSC);
    EXPECT_FALSE(video.gcap.pVC);
    EXPECT_EQ(video.fPreviewing, 0);
    EXPECT_FALSE(engine.capture.running);
    EXPECT_EQ(engine.capture.control, CaptureControl::Hold);
    EXPECT_EQ(video.m_strm.lrate, 20);
    // The picture sits at the top-left, as large as the aspect allows.
    EXPECT_TRUE(pane.visible);
    EXPECT_EQ(pane.rectX, 0);
    EXPECT_EQ(pane.rectY, 0);
    EXPECT_EQ(pane.rectWidth, 666);
    EXPECT_EQ(pane.rectHeight, 500);
    EXPECT_STREQ(video.DisplayName(), "cam:a");
    EXPECT_EQ(Trace(), "");
}

TEST_F(Capture, CamerasWithoutSeparatePreviewOrWithOnlyInterleavedStreamsStillBuild) {
    engine.devices[0].preview = false;  // preview split off the capture stream
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(video.gcap.fCapGraphBuilt, 1);
    EXPECT_TRUE(pane.visible);

    VideoGraph dv{engine, clock};
    engine.devices = {MakeFakeDevice("DV", "cam:dv")};
    engine.devices[0].interleaved = true;
    engine.calls.clear();
    int32_t index = -1;
    ASSERT_TRUE(dv.InitCamera(&pane, &index));
    EXPECT_TRUE(engine.Called("capture.RenderStream(Capture,Interleaved)"));
    EXPECT_FALSE(engine.Called("capture.RenderStream(Capture,Video)"));
    EXPECT_EQ(dv.gcap.fCapGraphBuilt, 1);
}

TEST_F(Capture, BuildFailuresAreTracedAndLeaveNoGraph) {
    // The AVI writer cannot be set up: the capture render fails too, the streams are torn down.
    engine.SetResult("capture.SetOutputFileName", kHrAccessDenied);
    EXPECT_TRUE(StartCamera());  // a camera exists
    EXPECT_EQ(video.gcap.fCapGraphBuilt, 0);
    EXPECT_EQ(video.gcap.fDeviceReady, 0);
    EXPECT_TRUE(engine.Called("capture.TearDown"));
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x80040209) in gcap.pCB2->RenderStream(&PIN_CATEGORY_CAPTURE, "
              "&MEDIATYPE_Video, gcap.pVCap, NULL, gcap.pMux)\n");
    // The camera and builder stay for a later attempt; building while previewing is refused.
    EXPECT_TRUE(video.gcap.pCB2 != nullptr);
    video.fPreviewing = 1;
    engine.calls.clear();
    EXPECT_EQ(video.BuildCaptureGraph(&pane), kHrFail);
    EXPECT_TRUE(engine.calls.empty());
    video.fPreviewing = 0;

    // The graph cannot be created: the creation's own result comes back.
    engine.ClearResults();
    engine.SetResult("engine.CreateCaptureGraph", kHrOutOfMemory);
    video.FreeCaptureFilters();
    EXPECT_EQ(video.InitCaptureFilters(), kHrOutOfMemory);
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x8007000e) in CoCreateInstance((REFCLSID)CLSID_CaptureGraphBuilder2, "
              "NULL, CLSCTX_INPROC, (REFIID)IID_ICaptureGraphBuilder2, (void **)&gcap.pCB2)\n");

    // The camera cannot be opened: everything created is released again.
    engine.ClearResults();
    engine.SetResult("capture.BindDevice", kHrDeviceNotConnected);
    EXPECT_EQ(video.InitCaptureFilters(), kHrFail);
    EXPECT_TRUE(video.gcap.pCB2 == nullptr);
    EXPECT_EQ(engine.calls.back(), "capture.Destroy");
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x8007048f) in gcap.pmVideo->BindToObject(0, 0, IID_IBaseFilter, "
              "(void**)&gcap.pVCap)\n");
    // A builder already there answers 1.
    engine.ClearResults();
    ASSERT_EQ(video.InitCaptureFilters(), kHrOk);
    EXPECT_EQ(video.InitCaptureFilters(), 1);
}

TEST_F(Capture, StreamFormatIsAppliedAndReadWithoutTrustingBadValues) {
    // A top-down format gives a positive height; a format without frame time keeps the rate.
    engine.devices[0].format.height = -480;
    engine.devices[0].format.avgTimePerFrame = 0;
    video.m_strm.lvw = 320;
    video.m_strm.lvh = 240;
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(engine.capture.format.width, 320);
    EXPECT_EQ(engine.capture.format.imageSize, 320 * 3 * 240);
    EXPECT_EQ(video.m_strm.lvh, 240);
    EXPECT_EQ(video.m_strm.lrate, 20);

    // A stored size of 0 is not asked of the camera: its own size is read instead.
    VideoGraph fresh{engine, clock};
    engine.devices[0].format.height = -480;
    fresh.m_strm.lvw = 0;
    fresh.m_strm.lvh = 0;
    engine.calls.clear();
    int32_t index = -1;
    ASSERT_TRUE(fresh.InitCamera(&pane, &index));
    EXPECT_TRUE(engine.CallsStartingWith("capture.SetFormat").empty());
    EXPECT_EQ(fresh.m_strm.lvw, 640);
    EXPECT_EQ(fresh.m_strm.lvh, 480);

    // A format the program cannot read changes nothing.
    fresh.m_strm.lvw = 111;
    engine.devices[0].format.formatType = FormatType::Other;
    fresh.FreeCaptureFilters();
    fresh.gcap.pmVideo.reset();
    ASSERT_TRUE(fresh.SelectSavedDevice(&pane, &index));
    EXPECT_EQ(engine.capture.format.formatType, FormatType::Other);
}

TEST_F(Capture, PreviewRunsAndStopsByTheRules) {
    // Nothing to stop, nothing to run.
    EXPECT_EQ(video.RunGraph(false), 1);
    EXPECT_EQ(video.RunGraph(true), 1);
    EXPECT_TRUE(engine.calls.empty());

    ASSERT_TRUE(StartCamera());
    engine.calls.clear();
    EXPECT_EQ(video.RunGraph(true), kHrOk);
    // The capture stream is switched off before the graph runs, so a preview never records.
    EXPECT_EQ(engine.calls,
              (std::vector<std::string>{"capture.ControlStream(StopNow)", "capture.Run"}));
    EXPECT_EQ(video.fPreviewing, 1);
    engine.calls.clear();
    EXPECT_EQ(video.RunGraph(true), kHrOk);  // already running: nothing happens
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(video.RunGraph(false), kHrOk);
    EXPECT_EQ(video.fPreviewing, 0);
    EXPECT_FALSE(engine.capture.running);

    // The capture file is held by another program: the preview does not start.
    engine.SetResult("capture.Run", kHrSharingViolation);
    EXPECT_EQ(video.RunGraph(true), kHrSharingViolation);
    EXPECT_EQ(video.fPreviewing, 0);
    EXPECT_EQ(Trace(), "FAILED(hr=0x80070020) in pmc->Run()\n");
}

TEST_F(Capture, CaptureStartsStopsAndMovesToTheNextNumberedFile) {
    EXPECT_FALSE(video.StartCapture());  // no camera graph
    EXPECT_FALSE(video.StopCapture());
    EXPECT_EQ(video.NextCaptureFile(true), 0);

    StartPreview();
    ASSERT_TRUE(video.StartCapture());
    EXPECT_EQ(video.fCapturing, 1);
    EXPECT_EQ(engine.capture.control, CaptureControl::StartNow);
    EXPECT_EQ(engine.capture.outputFile, "/cap/run_07.avi");
    engine.calls.clear();
    EXPECT_TRUE(video.StartCapture());  // already capturing: nothing more
    EXPECT_TRUE(engine.calls.empty());

    // The capture control advances the number, then asks for the next file.
    video.naming.number = 8;
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(engine.calls, (std::vector<std::string>{
                                "capture.Stop", "capture.ControlStream(StopNow)",
                                "capture.SetOutputFileName(/cap/run_08.avi)", "capture.Run"}));
    EXPECT_EQ(video.fCapturing, 0);
    EXPECT_EQ(video.fPreviewing, 1);
    EXPECT_TRUE(engine.capture.running);
    EXPECT_EQ(engine.capture.control, CaptureControl::StopNow);  // recording waits for a start

    // Without numbering the graph stays stopped after the file is finished.
    ASSERT_TRUE(video.StartCapture());
    engine.calls.clear();
    EXPECT_EQ(video.NextCaptureFile(false), 1);
    EXPECT_EQ(engine.calls,
              (std::vector<std::string>{"capture.Stop", "capture.ControlStream(StopNow)"}));
    EXPECT_EQ(video.fPreviewing, 0);
    EXPECT_FALSE(engine.capture.running);
}

TEST_F(Capture, FailedStreamControlIsTracedButTheFlagsFollowTheCommand) {
    StartPreview();
    engine.SetResult("capture.ControlStream(StartNow)", kHrFail);
    EXPECT_TRUE(video.StartCapture());
    EXPECT_EQ(video.fCapturing, 1);  // so the next Capture command ends it
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x80004005) in gcap.pCB2->ControlStream(&PIN_CATEGORY_CAPTURE, "
              "&MEDIATYPE_Video, gcap.pVCap, NULL, &stop, 0, 0)\n");
    engine.SetResult("capture.ControlStream(StopNow)", kHrFail);
    EXPECT_TRUE(video.StopCapture());
    EXPECT_EQ(video.fCapturing, 0);

    // The next file cannot be run: the preview no longer counts as running.
    engine.ClearResults();
    engine.SetResult("capture.Run", kHrSharingViolation);
    EXPECT_EQ(video.NextCaptureFile(true), 1);
    EXPECT_EQ(video.fPreviewing, 0);
    EXPECT_EQ(Trace(), "FAILED(hr=0x80070020) in pmc->Run()\n");
}

TEST_F(Capture, TraceIsCutTo159Characters) {
    FailureTrace trace;
    const std::string call(300, 'x');
    trace.TraceFailure(("FAILED(hr=0x%x) in " + call + "\n").c_str(), kHrFail);
    EXPECT_EQ(std::string(trace.Text()).size(), 159u);
    EXPECT_EQ(std::string(trace.Text()).rfind("FAILED(hr=0x80004005) in xxx", 0), 0u);
    trace.Clear();
    EXPECT_STREQ(trace.Text(), "");
}

TEST_F(Capture, VideoFitSurvivesEmptySizesAndFollowsThePane) {
    auto fit = [](int32_t w, int32_t h, int32_t vw, int32_t vh) {
        const VideoRect r = FitVideoRect(w, h, vw, vh);
        return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) +
               "x" + std::to_string(r.height);
    };
    // The aspect fit is checked at start-up and on opening a clip; here the sizes of nothing:
    // no pane, or no picture size, divide by nothing.
    EXPECT_EQ(fit(0, 0, 640, 480), "0,0 0x0");
    EXPECT_EQ(fit(400, 300, 0, 0), "0,0 400x300");
    EXPECT_EQ(fit(400, 300, 640, 0), "0,0 400x300");

    // A pane resize refits through the video object; without a video window nothing moves.
    ASSERT_TRUE(StartCamera());
    pane.client = {400, 600};
    video.FitVideoWindow(&pane);
    EXPECT_EQ(pane.rectWidth, 400);
    EXPECT_EQ(pane.rectHeight, 300);
    video.TearDownGraph();
    const int calls = pane.rectCalls;
    video.FitVideoWindow(&pane);
    EXPECT_EQ(pane.rectCalls, calls);
    EXPECT_FALSE(pane.visible);
}

TEST_F(Capture, ReleaseStopsTearsDownAndForgetsTheDevices) {
    StartPreview();
    video.ReleaseVideo();
    EXPECT_EQ(engine.calls,
              (std::vector<std::string>{"capture.Stop", "capture.TearDown", "capture.Destroy"}));
    EXPECT_EQ(video.fPreviewing, 0);
    EXPECT_TRUE(video.gcap.pmVideo == nullptr);
    EXPECT_TRUE(video.gcap.pmDevices[0] == nullptr);
    EXPECT_STREQ(video.DisplayName(), "");
    EXPECT_FALSE(pane.visible);
}

}  // namespace
}  // namespace velatrace::testing
