// The FFmpeg playback graph on captures of the test-pattern camera and on damaged and foreign
// files: duration, exact seeking, grabbing, playing to the end, and failing cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

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
using testing::MeanDifference;
using testing::ReadAviFacts;
using testing::ReferenceDib;
using testing::TempFolder;
using testing::WakeWaiter;

class PlaybackGraphTest : public ::testing::Test {
  protected:
    // One capture of about four seconds at 320 x 240, 20 frames per second, shared by the tests.
    static void SetUpTestSuite() {
        av_log_set_level(AV_LOG_ERROR);
        setenv("VELATRACE_TEST_CAMERA", "1", 1);
        folder_ = new TempFolder;
        capture_ = folder_->File("capture.avi");
        WakeWaiter waiter;
        FfmpegMediaEngine engine;
        engine.SetWakeCallback(waiter.Callback());
        std::unique_ptr<CaptureGraph> graph;
        engine.CreateCaptureGraph(&graph);
        graph->BindDevice(kPatternCameraDisplayName);
        graph->SetFormat(StreamFormat{FormatType::VideoInfo, 320, 240, 12, 0, 500000});
        graph->SetOutputFileName(capture_.c_str());
        graph->RenderStream(PinCategory::Capture, StreamKind::Video);
        graph->RenderStream(PinCategory::Preview, StreamKind::Video);
        graph->ControlStream(CaptureControl::StartNow);
        graph->Run();
        VideoFrame frame;
        waiter.WaitUntil([&] {
            while (graph->TakeLatestFrame(&frame)) {
            }
            return frame.timestamp >= 40000000;
        });
        graph.reset();
        engine.SetWakeCallback({});
    }
    static void TearDownTestSuite() { delete folder_; }

    void SetUp() override { engine_.SetWakeCallback(waiter_.Callback()); }
    void TearDown() override {
        graph_.reset();
        engine_.SetWakeCallback({});
    }

    HResult Open(const std::string& path) {
        engine_.CreatePlaybackGraph(&graph_);
        return graph_->RenderFile(path.c_str());
    }
    int64_t Duration() {
        int64_t d = -1;
        EXPECT_EQ(graph_->GetDuration(&d), kHrOk);
        return d;
    }
    int64_t Position() {
        int64_t p = -1;
        graph_->GetCurrentPosition(&p);
        return p;
    }
    PlayState State() {
        PlayState s{};
        EXPECT_EQ(graph_->GetState(0, &s), kHrOk);
        return s;
    }

    // Waits (bounded) for the picture of the frame starting at `seconds` to be shown.
    bool Shows(double seconds) {
        return waiter_.WaitUntil([&] {
            while (graph_->TakeLatestFrame(&frame_)) {
            }
            return frame_.sequence > 0 &&
                   std::llabs(frame_.timestamp - std::llround(seconds * 1e7)) < 1000;
        });
    }

    // Seeks to `seconds` and checks the grabbed picture is the file's frame at that time (and
    // not merely one near it).
    void ExpectExactSeek(const std::string& path, double seconds, double frameTime) {
        ASSERT_EQ(graph_->SetPosition(std::llround(seconds * 1e7)), kHrOk);
        const double start = std::floor(seconds / frameTime + 1e-9) * frameTime;
        ASSERT_TRUE(Shows(start)) << "no picture for " << seconds << " s; shows "
                                  << frame_.timestamp;
        BitmapInfoHeader header;
        int32_t size = 0;
        ASSERT_EQ(graph_->GetGrabFormat(&header, &size), kHrOk);
        std::vector<uint8_t> grabbed(static_cast<size_t>(size));
        ASSERT_EQ(graph_->GetCurrentBuffer(&size, grabbed.data()), kHrOk);
        int w = 0, h = 0;
        const auto expected = ReferenceDib(path, seconds, &w, &h);
        const auto neighbour = ReferenceDib(path, seconds + frameTime, &w, &h);
        ASSERT_FALSE(expected.empty());
        const double toExpected = MeanDifference(grabbed, expected);
        EXPECT_LT(toExpected, 1.0);
        EXPECT_LT(toExpected * 4, MeanDifference(grabbed, neighbour));
    }

    static TempFolder* folder_;
    static std::string capture_;
    WakeWaiter waiter_;
    FfmpegMediaEngine engine_;
    std::unique_ptr<PlaybackGraph> graph_;
    VideoFrame frame_;
};

TempFolder* PlaybackGraphTest::folder_;
std::string PlaybackGraphTest::capture_;

TEST_F(PlaybackGraphTest, CaptureOpensSeeksToTheExactFrameAndPlaysToTheEnd) {
    const AviFacts facts = ReadAviFacts(capture_);
    ASSERT_GE(facts.lastPts + 1, 80);
    ASSERT_EQ(Open(capture_), kHrOk);
    int32_t w = 0, h = 0;
    double frameTime = 0;
    ASSERT_EQ(graph_->GetVideoSize(&w, &h), kHrOk);
    ASSERT_EQ(graph_->GetAvgTimePerFrame(&frameTime), kHrOk);
    EXPECT_EQ(std::tuple(graph_->HasVideo(), graph_->IsSeekable(), w, h, frameTime),
              std::tuple(true, true, 320, 240, 0.05));
    const int64_t duration = Duration();
    EXPECT_EQ(duration, (facts.lastPts + 1) * 500000);
    // The grab is bottom-up 24-bit; a buffer too small for it is refused.
    BitmapInfoHeader header;
    int32_t size = 0;
    ASSERT_EQ(graph_->GetGrabFormat(&header, &size), kHrOk);
    EXPECT_EQ(std::tuple(header.biBitCount, header.biWidth, header.biHeight, size),
              std::tuple(24, 320, 240, 960 * 240));
    std::vector<uint8_t> bits(static_cast<size_t>(size));
    size -= 1;
    EXPECT_EQ(graph_->GetCurrentBuffer(&size, bits.data()), kHrOutOfMemory);

    // At a time inside a frame, and at the very start (every frame is a key frame here).
    ExpectExactSeek(capture_, 1.23, frameTime);
    ExpectExactSeek(capture_, 0.0, frameTime);

    EXPECT_EQ(State(), PlayState::Stopped);
    ASSERT_EQ(graph_->Run(), kHrOk);
    ASSERT_TRUE(Shows(0.3));
    ASSERT_EQ(graph_->Pause(), kHrOk);
    EXPECT_EQ(State(), PlayState::Paused);
    const int64_t paused = Position();
    EXPECT_GE(paused, 3000000);
    ASSERT_EQ(graph_->Stop(), kHrOk);
    EXPECT_EQ(Position(), paused);  // stopping keeps the position

    ASSERT_EQ(graph_->SetPosition(duration - 2500000), kHrOk);
    ASSERT_EQ(graph_->Run(), kHrOk);
    ASSERT_TRUE(waiter_.WaitUntil([&] { return graph_->ReachedEnd(); }));
    EXPECT_EQ(Position(), duration);
    ASSERT_TRUE(Shows(static_cast<double>(duration - 500000) / 1e7));  // the last frame stays
    ASSERT_EQ(graph_->SetPosition(0), kHrOk);
    EXPECT_FALSE(graph_->ReachedEnd());
    EXPECT_LT(Position(), 5000000);
}

TEST_F(PlaybackGraphTest, DamagedAndForeignFilesFailOrPlayCleanly) {
    TempFolder folder;
    EXPECT_EQ(Open(folder.File("absent.avi")), kHrFileNotFound);
    std::string garbage(200000, '\0');
    std::mt19937 random(7);
    for (char& c : garbage)
        c = static_cast<char>(random());
    folder.Write("empty.avi", "");
    folder.Write("garbage.avi", garbage);
    EXPECT_TRUE(Failed(Open(folder.File("empty.avi"))));
    EXPECT_TRUE(Failed(Open(folder.File("garbage.avi"))));
    // Transport calls on a graph that failed to open do nothing harmful.
    int32_t size = 16;
    uint8_t bits[16];
    EXPECT_TRUE(Failed(graph_->Run()) && Failed(graph_->SetPosition(0)) &&
                Failed(graph_->GetCurrentBuffer(&size, bits)));

    // A capture cut short (its index and the end of its frames lost, as a killed program leaves
    // it) opens with what is left.
    const std::string truncated = folder.File("truncated.avi");
    std::filesystem::copy_file(capture_, truncated);
    std::filesystem::resize_file(truncated, std::filesystem::file_size(capture_) * 6 / 10);
    ASSERT_EQ(Open(truncated), kHrOk);
    const AviFacts left = ReadAviFacts(truncated);
    // The header still promises the whole capture; the length is what is really there.
    EXPECT_GT(left.headerFrames, left.lastPts + 1);
    EXPECT_NEAR(static_cast<double>(Duration()), (left.lastPts + 1) * 500000.0, 500000.0);
    ExpectExactSeek(truncated, 1.0, 0.05);
}

// Foreign files made by the ffmpeg tool, which the machine's setup installs.
bool MakeWithFfmpegTool(const std::string& arguments, const std::string& target) {
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " '" + target + "'";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(target);
}

TEST_F(PlaybackGraphTest, MpegWithSoundAndSoundOnlyFilesPlay) {
    TempFolder folder;
    const std::string mpg = folder.File("clip.mpg"), wav = folder.File("tone.wav");
    if (!MakeWithFfmpegTool("-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i "
                            "sine=frequency=440:sample_rate=44100 -t 2 -c:v mpeg2video -g 12 "
                            "-bf 2 -c:a mp2",
                            mpg) ||
        !MakeWithFfmpegTool("-f lavfi -i sine=frequency=440:sample_rate=8000 -t 0.5", wav)) {
        GTEST_SKIP() << "the ffmpeg tool is not installed";
    }
    ASSERT_EQ(Open(mpg), kHrOk);
    EXPECT_TRUE(graph_->HasVideo());
    // Sound plays where the machine has an output; without one the clip plays silently.
    EXPECT_EQ(graph_->PutVolume(0), graph_->HasAudio() ? kHrOk : kHrNoInterface);
    EXPECT_NEAR(static_cast<double>(Duration()), 2e7, 1e6);
    ExpectExactSeek(mpg, 1.0, 0.04);  // between key frames, past B-frames
    ExpectExactSeek(mpg, 0.3, 0.04);  // in the first group of pictures

    ASSERT_EQ(Open(wav), kHrOk);
    EXPECT_FALSE(graph_->HasVideo());
    BitmapInfoHeader header;
    int32_t size = 0;
    EXPECT_EQ(graph_->GetGrabFormat(&header, &size), kHrNotConnected);
    EXPECT_NEAR(static_cast<double>(Duration()), 5e6, 2e5);
    ASSERT_EQ(graph_->Run(), kHrOk);
    EXPECT_TRUE(waiter_.WaitUntil([&] { return graph_->ReachedEnd(); }));
}

}  // namespace
}  // namespace velatrace
