// The FFmpeg camera graph with the test-pattern camera: preview, capture into AVI files, the next
// file while running, a full disk and a camera that disappears.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <algorithm>
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
        unsetenv("VELATRACE_TEST_CAMERA_VANISH_AFTER");
        engine_.SetWakeCallback(waiter_.Callback());
    }
    void TearDown() override {
        graph_.reset();
        engine_.SetWakeCallback({});
        unsetenv("VELATRACE_TEST_CAMERA_VANISH_AFTER");
    }

    // The graph as the program builds it: 320 x 240 at 20 frames per second, capture held.
    void Build(const std::string& avi, bool capture = false) {
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
        ASSERT_EQ(graph_->ControlStream(capture ? CaptureControl::StartNow : CaptureControl::Hold),
                  kHrOk);
        ASSERT_EQ(graph_->Run(), kHrOk);
    }

    // Waits (bounded) for a preview picture taken at `seconds` or later of the camera's time,
    // noting the time of each picture taken on the way in `times`.
    bool PreviewReaches(double seconds, std::vector<int64_t>* times = nullptr) {
        return waiter_.WaitUntil([&] {
            while (graph_->TakeLatestFrame(&frame_)) {
                if (times)
                    times->push_back(frame_.timestamp);
            }
            return frame_.sequence > 0 && frame_.timestamp >= static_cast<int64_t>(seconds * 1e7);
        });
    }
    bool PreviewGoesOn(double seconds) {
        return PreviewReaches(0.0) && PreviewReaches(frame_.timestamp / 1e7 + seconds);
    }
    // Frames dropped and written since the graph started running.
    std::pair<int64_t, int64_t> Counts() {
        int64_t dropped = -1, written = -1;
        graph_->GetCaptureCounts(&dropped, &written);
        return {dropped, written};
    }
    // Waits for the one error the graph reports; a second is not there.
    StreamError OneError() {
        StreamError error;
        EXPECT_TRUE(waiter_.WaitUntil([&] { return graph_->TakeStreamError(&error); }));
        StreamError again;
        EXPECT_FALSE(graph_->TakeStreamError(&again));
        return error;
    }
    // Reads a finished capture: it decodes and has its index, its frame numbers run from 0, and
    // a number left out is a dropped frame.
    static AviFacts ReadComplete(const std::string& avi) {
        const AviFacts f = ReadAviFacts(avi);
        EXPECT_TRUE(f.opened) << avi;
        EXPECT_EQ(f.decodedPictures, f.pictures) << avi;
        EXPECT_GE(f.indexEntries, f.pictures) << avi;
        EXPECT_EQ(f.firstPts, 0) << avi;
        EXPECT_EQ(f.headerFrames, f.lastPts + 1) << avi;
        return f;
    }

    TempFolder folder_;
    WakeWaiter waiter_;
    FfmpegMediaEngine engine_;
    std::unique_ptr<CaptureGraph> graph_;
    VideoFrame frame_;
};

double MeanGreen(const VideoFrame& f) {
    double sum = 0;
    for (size_t i = 1; i < f.pixels.size(); i += 4)
        sum += f.pixels[i];
    return sum / static_cast<double>(f.pixels.size() / 4);
}

TEST_F(CaptureGraphTest, TestCameraIsListedLastOnlyWhenAskedFor) {
    std::vector<DeviceInfo> devices;
    ASSERT_EQ(engine_.EnumerateDevices(&devices), kHrOk);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(std::tie(devices.back().displayName, devices.back().friendlyName),
              std::tuple("velatrace:test-pattern", "Test pattern camera"));
    unsetenv("VELATRACE_TEST_CAMERA");
    engine_.EnumerateDevices(&devices);
    EXPECT_TRUE(std::none_of(devices.begin(), devices.end(), [](const DeviceInfo& d) {
        return d.displayName == "velatrace:test-pattern";
    }));
    ASSERT_EQ(engine_.CreateCaptureGraph(&graph_), kHrOk);
    EXPECT_EQ(graph_->BindDevice(kPatternCameraDisplayName), kHrFileNotFound);
    EXPECT_EQ(graph_->BindDevice("/dev/no-such-camera"), kHrFileNotFound);
}

TEST_F(CaptureGraphTest, PreviewDeliversFramesAndHeldCaptureWritesNothing) {
    const std::string avi = folder_.File("held.avi");
    Build(avi);
    int32_t w = 0, h = 0;
    double frameTime = 0;
    ASSERT_EQ(graph_->GetVideoSize(&w, &h), kHrOk);
    ASSERT_EQ(graph_->GetAvgTimePerFrame(&frameTime), kHrOk);
    EXPECT_EQ(std::tuple(w, h, frameTime), std::tuple(320, 240, 0.05));
    StreamFormat format;
    EXPECT_EQ(graph_->SetFormat(format), kHrWrongState);  // streams are rendered
    // The formats and controls the dialogs show.
    std::vector<VideoFormat> formats;
    ASSERT_EQ(graph_->EnumFormats(&formats), kHrOk);
    EXPECT_TRUE(std::any_of(formats.begin(), formats.end(), [](const VideoFormat& f) {
        return f.width == 320 && f.height == 240 && f.avgTimePerFrame == kFrameTime20fps;
    }));
    std::vector<DeviceControl> controls;
    ASSERT_EQ(graph_->ReadControls(&controls), kHrOk);
    ASSERT_FALSE(controls.empty());
    EXPECT_EQ(controls[0].name, "Brightness");
    EXPECT_EQ(graph_->SetControl(9999, 1), kHrInvalidArg);

    ASSERT_TRUE(PreviewReaches(0.2));
    EXPECT_EQ(std::tuple(frame_.width, frame_.height, frame_.stride, frame_.pixels.size()),
              std::tuple(320, 240, 320 * 4, size_t{320 * 4 * 240}));
    // A control acts on the running camera.
    const double before = MeanGreen(frame_);
    ASSERT_EQ(graph_->SetControl(controls[0].id, 80), kHrOk);
    EXPECT_TRUE(waiter_.WaitUntil([&] {
        while (graph_->TakeLatestFrame(&frame_)) {
        }
        return MeanGreen(frame_) > before + 20;
    }));
    ASSERT_EQ(graph_->ReadControls(&controls), kHrOk);
    EXPECT_EQ(controls[0].value, 80);

    ASSERT_EQ(graph_->Stop(), kHrOk);
    EXPECT_EQ(graph_->Stop(), kHrOk);
    EXPECT_EQ(Counts(), std::make_pair(int64_t{0}, int64_t{0}));
    EXPECT_FALSE(std::filesystem::exists(avi));  // only a capture creates the file
}

TEST_F(CaptureGraphTest, NextFileWhileRunningLosesNoFrameAndThePreviewRunsOn) {
    const std::string first = folder_.File("run_01.avi"), second = folder_.File("run_02.avi");
    Build(first);
    ASSERT_TRUE(PreviewReaches(0.1));
    ASSERT_EQ(graph_->ControlStream(CaptureControl::StartNow), kHrOk);
    std::vector<int64_t> times;
    ASSERT_TRUE(PreviewReaches(frame_.timestamp / 1e7 + 1.5, &times));
    const int64_t switchedAt = frame_.timestamp;
    ASSERT_EQ(graph_->SwitchOutputFile(second.c_str()), kHrOk);
    ASSERT_TRUE(PreviewReaches(frame_.timestamp / 1e7 + 1.5, &times));
    // Around the switch the preview shows every frame or every other, by the frames' own times.
    for (size_t i = 1; i < times.size(); ++i) {
        if (std::llabs(times[i] - switchedAt) < 5000000)
            EXPECT_LE(times[i] - times[i - 1], 2 * kFrameTime20fps) << "at " << times[i];
    }
    // A next file that cannot be created: the one before is finished, the capture holds and the
    // preview goes on.
    const std::string missing = folder_.File("missing-folder/run_03.avi");
    EXPECT_EQ(graph_->SwitchOutputFile(missing.c_str()), kHrSharingViolation);
    ASSERT_TRUE(waiter_.WaitUntil([&] { return ReadAviFacts(second).indexEntries > 1; }));
    const auto counts = Counts();
    ASSERT_TRUE(PreviewGoesOn(0.5));
    EXPECT_EQ(Counts(), counts);
    ASSERT_EQ(graph_->Stop(), kHrOk);
    EXPECT_EQ(graph_->Run(), kHrSharingViolation);  // that name stays the graph's file

    const auto [dropped, written] = counts;
    const AviFacts a = ReadComplete(first), b = ReadComplete(second);
    EXPECT_GE(std::min(a.pictures, b.pictures), 20);
    EXPECT_EQ(a.pictures + b.pictures, written);
    EXPECT_GE(written + dropped, 55);  // three seconds at 20 frames per second
    EXPECT_LE(a.lastPts + 1 - a.pictures + b.lastPts + 1 - b.pictures, dropped);
}

TEST_F(CaptureGraphTest, FullDiskFinishesTheFileWithOneErrorAndThePreviewGoesOn) {
    // A file system of 1 MB of its own, so the disk fills within seconds. Only root may mount
    // one; elsewhere the test is skipped.
    const std::string where = folder_.Path().string();
    if (mount("velatrace-test", where.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    const std::unique_ptr<const std::string, void (*)(const std::string*)> unmount(
        &where, [](const std::string* w) { umount2(w->c_str(), MNT_DETACH); });
    const std::string avi = folder_.File("full.avi");
    Build(avi, true);
    const StreamError error = OneError();
    EXPECT_EQ(std::tuple(error.source, error.hr, std::string(error.text)),
              std::tuple(StreamErrorSource::Recorder, kHrDiskFull,
                         "Cannot write " + avi + ": No space left on device"));
    // The file is finished when the error is told, with every frame written; the camera and the
    // preview go on, nothing more is written, counted or reported.
    const auto counts = Counts();
    EXPECT_GT(counts.second, 0);
    EXPECT_EQ(ReadComplete(avi).pictures, counts.second);
    ASSERT_TRUE(PreviewGoesOn(0.5));
    EXPECT_EQ(Counts(), counts);
    StreamError more;
    EXPECT_FALSE(graph_->TakeStreamError(&more));
    EXPECT_EQ(graph_->Stop(), kHrOk);
}

TEST_F(CaptureGraphTest, CameraThatVanishesEndsWithOneErrorAndACompleteFile) {
    setenv("VELATRACE_TEST_CAMERA_VANISH_AFTER", "30", 1);
    const std::string avi = folder_.File("lost.avi");
    Build(avi, true);
    const StreamError error = OneError();
    EXPECT_EQ(std::tuple(error.source, error.hr, std::string(error.text)),
              std::tuple(StreamErrorSource::Camera, kHrDeviceNotConnected,
                         "The camera \"Test pattern camera\" (velatrace:test-pattern) stopped "
                         "delivering frames: No such device"));
    // The file is finished by the time the error is told, before the graph is stopped.
    const auto [dropped, written] = Counts();
    EXPECT_EQ(written + dropped, 30);
    EXPECT_EQ(ReadComplete(avi).pictures, written);
    // Running again, without a stop first, tries the camera afresh.
    frame_ = VideoFrame{};
    ASSERT_EQ(graph_->Run(), kHrOk);
    EXPECT_TRUE(PreviewReaches(0.1));
    EXPECT_EQ(graph_->Stop(), kHrOk);
}

}  // namespace
}  // namespace velatrace
