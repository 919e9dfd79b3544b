// The FFmpeg camera graph with the test-pattern camera: preview, capture into AVI files, the next
// file, and a camera that disappears.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

extern "C" {
#include <libavutil/log.h>
}

#include "MediaProbe.h"
#include "WakeWaiter.h"
#include "support/TempFolder.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"
#include "video/ffmpeg/PatternCamera.h"

namespace velatrace {
namespace {

using testing::AviFacts;
using testing::ReadAviFacts;
using testing::TempFolder;
using testing::WakeWaiter;

constexpr int64_t kFrameTime20fps = 500000;

class CaptureGraphTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_ERROR); }
    void SetUp() override {
        setenv("VELATRACE_TEST_CAMERA", "1", 1);
        unsetenv("VELATRACE_TEST_CAMERA_UNPLUG_AFTER");
        engine_.SetWakeCallback(waiter_.Callback());
    }
    void TearDown() override {
        graph_.reset();
        engine_.SetWakeCallback({});
        unsetenv("VELATRACE_TEST_CAMERA_UNPLUG_AFTER");
    }

    // The graph as the program builds it: 320 x 240 at 20 frames per second, capture held.
    void Build(const std::string& avi) {
        ASSERT_EQ(engine_.CreateCaptureGraph(&graph_), kHrOk);
        ASSERT_EQ(graph_->BindDevice(kPatternCameraDisplayName), kHrOk);
        ASSERT_EQ(graph_->FindInterface(StreamKind::Interleaved, CaptureInterface::StreamConfig),
                  kHrNoInterface);
        ASSERT_EQ(graph_->FindInterface(StreamKind::Video, CaptureInterface::StreamConfig), kHrOk);
        StreamFormat format;
        ASSERT_EQ(graph_->GetFormat(&format), kHrOk);
        format.width = 320;
        format.height = 240;
        format.avgTimePerFrame = kFrameTime20fps;
        ASSERT_EQ(graph_->SetFormat(format), kHrOk);
        ASSERT_EQ(graph_->SetOutputFileName(avi.c_str()), kHrOk);
        ASSERT_EQ(graph_->RenderStream(PinCategory::Capture, StreamKind::Video), kHrOk);
        ASSERT_EQ(graph_->RenderStream(PinCategory::Preview, StreamKind::Video), kHrOk);
        ASSERT_EQ(graph_->ControlStream(CaptureControl::Hold), kHrOk);
    }

    // Waits (bounded) for a preview picture taken at `seconds` or later of the camera's time.
    bool PreviewReaches(double seconds) {
        return waiter_.WaitUntil([&] {
            while (graph_->TakeLatestFrame(&frame_)) {
            }
            return frame_.sequence > 0 && frame_.timestamp >= static_cast<int64_t>(seconds * 1e7);
        });
    }
    double PreviewTime() const { return static_cast<double>(frame_.timestamp) / 1e7; }

    WakeWaiter waiter_;
    FfmpegMediaEngine engine_;
    std::unique_ptr<CaptureGraph> graph_;
    VideoFrame frame_;
};

double MeanOf(const VideoFrame& f) {
    double sum = 0;
    for (size_t i = 0; i < f.pixels.size(); i += 4)
        sum += f.pixels[i + 1];  // green
    return sum / static_cast<double>(f.pixels.size() / 4);
}

TEST_F(CaptureGraphTest, TestCameraIsListedLastOnlyWhenAskedFor) {
    std::vector<DeviceInfo> devices;
    ASSERT_EQ(engine_.EnumerateDevices(&devices), kHrOk);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices.back().displayName, "velatrace:test-pattern");
    EXPECT_EQ(devices.back().friendlyName, "Test pattern camera");

    unsetenv("VELATRACE_TEST_CAMERA");
    engine_.EnumerateDevices(&devices);
    for (const DeviceInfo& d : devices)
        EXPECT_NE(d.displayName, "velatrace:test-pattern");
    std::unique_ptr<CaptureGraph> graph;
    ASSERT_EQ(engine_.CreateCaptureGraph(&graph), kHrOk);
    EXPECT_EQ(graph->BindDevice(kPatternCameraDisplayName), kHrFileNotFound);
    EXPECT_EQ(graph->BindDevice("/dev/no-such-camera"), kHrFileNotFound);
}

TEST_F(CaptureGraphTest, PreviewDeliversFramesAndHeldCaptureWritesNothing) {
    TempFolder folder;
    const std::string avi = folder.File("held.avi");
    Build(avi);
    int32_t w = 0, h = 0;
    ASSERT_EQ(graph_->GetVideoSize(&w, &h), kHrOk);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    double frameTime = 0;
    ASSERT_EQ(graph_->GetAvgTimePerFrame(&frameTime), kHrOk);
    EXPECT_DOUBLE_EQ(frameTime, 0.05);
    StreamFormat format;
    EXPECT_EQ(graph_->SetFormat(format), kHrWrongState);  // streams are rendered

    // The formats and controls the dialogs show.
    std::vector<VideoFormat> formats;
    ASSERT_EQ(graph_->EnumFormats(&formats), kHrOk);
    bool offered = false;
    for (const VideoFormat& f : formats) {
        offered |= f.width == 320 && f.height == 240 && f.avgTimePerFrame == kFrameTime20fps;
    }
    EXPECT_TRUE(offered);
    std::vector<DeviceControl> controls;
    ASSERT_EQ(graph_->ReadControls(&controls), kHrOk);
    ASSERT_FALSE(controls.empty());
    EXPECT_EQ(controls[0].name, "Brightness");
    EXPECT_EQ(graph_->SetControl(9999, 1), kHrInvalidArg);

    ASSERT_EQ(graph_->Run(), kHrOk);
    ASSERT_TRUE(PreviewReaches(0.2));
    EXPECT_EQ(frame_.width, 320);
    EXPECT_EQ(frame_.height, 240);
    EXPECT_EQ(frame_.stride, 320 * 4);
    EXPECT_EQ(frame_.pixels.size(), size_t{320 * 4 * 240});

    // A control acts on the running camera.
    const double before = MeanOf(frame_);
    ASSERT_EQ(graph_->SetControl(controls[0].id, 80), kHrOk);
    EXPECT_TRUE(waiter_.WaitUntil([&] {
        while (graph_->TakeLatestFrame(&frame_)) {
        }
        return MeanOf(frame_) > before + 20;
    }));
    ASSERT_EQ(graph_->ReadControls(&controls), kHrOk);
    EXPECT_EQ(controls[0].value, 80);

    ASSERT_EQ(graph_->Stop(), kHrOk);
    EXPECT_EQ(graph_->Stop(), kHrOk);
    int64_t dropped = -1, written = -1;
    graph_->GetCaptureCounts(&dropped, &written);
    EXPECT_EQ(written, 0);
    EXPECT_FALSE(std::filesystem::exists(avi));  // only a capture creates the file
}

TEST_F(CaptureGraphTest, ThreeSecondCaptureHasOneFramePerPeriod) {
    TempFolder folder;
    const std::string avi = folder.File("three.avi");
    Build(avi);
    ASSERT_EQ(graph_->Run(), kHrOk);
    ASSERT_TRUE(PreviewReaches(0.1));
    ASSERT_EQ(graph_->ControlStream(CaptureControl::StartNow), kHrOk);
    const double start = PreviewTime();
    ASSERT_TRUE(PreviewReaches(start + 3.0));
    ASSERT_EQ(graph_->Stop(), kHrOk);
    int64_t dropped = 0, written = 0;
    graph_->GetCaptureCounts(&dropped, &written);
    EXPECT_GE(written + dropped, 60);

    const AviFacts facts = ReadAviFacts(avi);
    ASSERT_TRUE(facts.opened);
    EXPECT_EQ(facts.codec, "mjpeg");
    EXPECT_EQ(facts.width, 320);
    EXPECT_EQ(facts.height, 240);
    EXPECT_EQ(facts.rate.num, 20);
    EXPECT_EQ(facts.rate.den, 1);
    EXPECT_EQ(facts.pictures, written);
    EXPECT_EQ(facts.decodedPictures, written);
    // Frame numbers run from 0 without repeats; a number left out is a dropped frame.
    EXPECT_EQ(facts.firstPts, 0);
    EXPECT_EQ(facts.headerFrames, facts.lastPts + 1);
    EXPECT_LE(facts.lastPts + 1 - facts.pictures, dropped);
    EXPECT_GE(facts.indexEntries, facts.pictures);
}

TEST_F(CaptureGraphTest, NextFileClosesTheFirstAndStartsTheSecondAtFrameZero) {
    TempFolder folder;
    const std::string first = folder.File("run_01.avi");
    const std::string second = folder.File("run_02.avi");
    Build(first);
    ASSERT_EQ(graph_->Run(), kHrOk);
    ASSERT_EQ(graph_->ControlStream(CaptureControl::StartNow), kHrOk);
    ASSERT_TRUE(PreviewReaches(1.0));
    // The program's next-file step: stop, name the next file, run on (capture stays let through).
    ASSERT_EQ(graph_->Stop(), kHrOk);
    ASSERT_EQ(graph_->SetOutputFileName(second.c_str()), kHrOk);
    const AviFacts a = ReadAviFacts(first);  // complete before the next run
    frame_ = VideoFrame{};
    ASSERT_EQ(graph_->Run(), kHrOk);
    ASSERT_TRUE(PreviewReaches(1.0));
    ASSERT_EQ(graph_->Stop(), kHrOk);
    const AviFacts b = ReadAviFacts(second);

    for (const AviFacts* f : {&a, &b}) {
        ASSERT_TRUE(f->opened);
        EXPECT_GE(f->pictures, 10);
        EXPECT_EQ(f->decodedPictures, f->pictures);
        EXPECT_EQ(f->firstPts, 0);
        EXPECT_EQ(f->headerFrames, f->lastPts + 1);
        EXPECT_GE(f->indexEntries, f->pictures);
    }
}

TEST_F(CaptureGraphTest, OutputThatCannotBeCreatedIsASharingFailure) {
    TempFolder folder;
    Build(folder.File("missing-folder/x.avi"));
    EXPECT_EQ(graph_->Run(), kHrSharingViolation);
    EXPECT_EQ(graph_->Stop(), kHrOk);
    // A folder where the file should be fails the same way.
    std::filesystem::create_directories(folder.Path() / "dir.avi");
    ASSERT_EQ(graph_->SetOutputFileName(folder.File("dir.avi").c_str()), kHrOk);
    EXPECT_EQ(graph_->Run(), kHrSharingViolation);
}

TEST_F(CaptureGraphTest, CameraThatDisappearsEndsWithAnErrorAndACompleteFile) {
    setenv("VELATRACE_TEST_CAMERA_UNPLUG_AFTER", "30", 1);
    TempFolder folder;
    const std::string avi = folder.File("lost.avi");
    Build(avi);
    ASSERT_EQ(graph_->ControlStream(CaptureControl::StartNow), kHrOk);
    ASSERT_EQ(graph_->Run(), kHrOk);
    StreamError error;
    ASSERT_TRUE(waiter_.WaitUntil([&] { return graph_->TakeStreamError(&error); }));
    EXPECT_EQ(error.hr, kHrDeviceNotConnected);
    EXPECT_NE(std::string(error.text).find("test-pattern"), std::string::npos);
    // The file is finished by the time the error is told, before the graph is stopped.
    const AviFacts facts = ReadAviFacts(avi);
    ASSERT_TRUE(facts.opened);
    EXPECT_EQ(facts.pictures, 30);
    EXPECT_GE(facts.indexEntries, facts.pictures);
    // Running again, without a stop first, tries the camera afresh.
    frame_ = VideoFrame{};
    ASSERT_EQ(graph_->Run(), kHrOk);
    EXPECT_TRUE(PreviewReaches(0.1));
    EXPECT_EQ(graph_->Stop(), kHrOk);
}

}  // namespace
}  // namespace velatrace
