// The capture stream's queue and frame numbering, driven without a camera: frames are offered
// before the encoder thread starts, so what is queued and what is dropped is known exactly.
#include <gtest/gtest.h>

#include <cstring>

extern "C" {
#include <libavutil/log.h>
}

#include "MediaProbe.h"
#include "WakeWaiter.h"
#include "support/TempFolder.h"
#include "video/ffmpeg/CaptureRecorder.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"

namespace velatrace {
namespace {

using testing::AviFacts;
using testing::ReadAviFacts;
using testing::TempFolder;
using testing::WakeWaiter;

// A 64 x 48 grey picture taken at `time`.
CameraFrame GreyFrame(double time, int level) {
    CameraFrame f;
    f.picture = MakeFrame();
    f.picture->format = AV_PIX_FMT_YUVJ420P;
    f.picture->width = 64;
    f.picture->height = 48;
    av_frame_get_buffer(f.picture.get(), 0);
    std::memset(f.picture->data[0], level, static_cast<size_t>(f.picture->linesize[0]) * 48);
    std::memset(f.picture->data[1], 128, static_cast<size_t>(f.picture->linesize[1]) * 24);
    std::memset(f.picture->data[2], 128, static_cast<size_t>(f.picture->linesize[2]) * 24);
    f.time = time;
    return f;
}

class CaptureRecorderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_ERROR); }
    // Offers a grey frame per (time, level).
    void Offer(CaptureRecorder& recorder, std::initializer_list<std::pair<double, int>> frames) {
        for (const auto& [time, level] : frames) {
            CameraFrame f = GreyFrame(time, level);
            recorder.Offer(f);
        }
    }
    std::pair<int64_t, int64_t> Counts() const {
        return {counters_.dropped.load(), counters_.written.load()};
    }

    TempFolder folder_;
    AviVideoFormat format_{64, 48, {20, 1}, false};
    CaptureCounters counters_;
    StreamErrors errors_;
    WakeHub wake_;
    StreamError error_;
};

TEST_F(CaptureRecorderTest, FullQueueDropsAndFramesKeepTheirPlaceInTime) {
    const std::string avi = folder_.File("gaps.avi");
    CaptureRecorder recorder(avi, format_, 3, true, counters_, errors_, wake_);
    Offer(recorder, {{10.00, 40}});  // frame 0
    recorder.LetThrough(false);
    Offer(recorder, {{10.05, 60}});  // held back: not written, not dropped
    recorder.LetThrough(true);
    // Numbering goes on after the last frame (1); two periods later comes 3, leaving 2 empty;
    // then the queue is full.
    Offer(recorder, {{20.00, 80}, {20.10, 100}, {20.15, 120}});
    recorder.Start();
    recorder.Finish();
    EXPECT_EQ(Counts(), std::pair(int64_t{1}, int64_t{3}));
    EXPECT_FALSE(errors_.Take(&error_));
    const AviFacts f = ReadAviFacts(avi);
    EXPECT_EQ(std::tuple(f.pictures, f.decodedPictures, f.lastPts, f.headerFrames),
              std::tuple(3, 3, 3, 4));

    // Replayed, the empty frame keeps the picture before it on screen, and the frame after the
    // gap comes at its own time.
    WakeWaiter waiter;
    FfmpegMediaEngine engine;
    engine.SetWakeCallback(waiter.Callback());
    std::unique_ptr<PlaybackGraph> graph;
    engine.CreatePlaybackGraph(&graph);
    ASSERT_EQ(graph->RenderFile(avi.c_str()), kHrOk);
    int64_t duration = 0;
    ASSERT_EQ(graph->GetDuration(&duration), kHrOk);
    EXPECT_EQ(duration, 2000000);
    const int stride = ((64 * 24 + 31) & ~31) / 8;
    std::vector<uint8_t> dib(static_cast<size_t>(stride * 48));
    const struct {
        int64_t position, shownAt;
        int level;
    } kSteps[] = {{1000000, 500000, 80}, {1500000, 1500000, 100}, {0, 0, 40}};
    for (const auto& step : kSteps) {
        ASSERT_EQ(graph->SetPosition(step.position), kHrOk);
        VideoFrame frame;
        ASSERT_TRUE(waiter.WaitUntil([&] {
            while (graph->TakeLatestFrame(&frame)) {
            }
            return frame.sequence > 0 && frame.timestamp == step.shownAt;
        })) << "at "
            << step.position;
        int32_t size = static_cast<int32_t>(dib.size());
        ASSERT_EQ(graph->GetCurrentBuffer(&size, dib.data()), kHrOk);
        EXPECT_NEAR(dib[24 * stride + 32 * 3 + 1], step.level, 3) << "at " << step.position;
    }
    graph.reset();
    engine.SetWakeCallback({});
}

TEST_F(CaptureRecorderTest, CameraJpegIsStoredWithoutEncodingAgain) {
    // JPEG frames as a camera sends them, made here with the Motion-JPEG encoder.
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AvCodecContextPtr enc(avcodec_alloc_context3(codec));
    enc->width = 64;
    enc->height = 48;
    enc->pix_fmt = AV_PIX_FMT_YUVJ420P;
    enc->time_base = AVRational{1, 20};
    ASSERT_GE(avcodec_open2(enc.get(), codec, nullptr), 0);
    const std::string avi = folder_.File("camera-jpeg.avi");
    format_.jpegPackets = true;
    CaptureRecorder recorder(avi, format_, 8, true, counters_, errors_, wake_);
    int64_t bytes = 0;
    for (int i = 0; i < 3; ++i) {
        CameraFrame f = GreyFrame(i * 0.05, 50 + 40 * i);
        f.picture->pts = i;
        f.jpeg = MakePacket();
        ASSERT_GE(avcodec_send_frame(enc.get(), f.picture.get()), 0);
        ASSERT_GE(avcodec_receive_packet(enc.get(), f.jpeg.get()), 0);
        bytes += f.jpeg->size;
        recorder.Offer(f);
    }
    recorder.Start();
    recorder.Finish();
    const AviFacts f = ReadAviFacts(avi);
    // The camera's data, byte for byte in size.
    EXPECT_EQ(std::tuple(counters_.written.load(), f.codec, f.pictures, f.decodedPictures,
                         f.pictureBytes),
              std::tuple(3, "mjpeg", 3, 3, bytes));
}

TEST_F(CaptureRecorderTest, FileThatFailsIsReportedOnceAndTheNextFileStartsAtFrameZero) {
    const std::string missing = folder_.File("no/such/folder.avi");
    WakeWaiter waiter;
    wake_.Set(waiter.Callback());
    CaptureRecorder recorder(missing, format_, 4, true, counters_, errors_, wake_);
    Offer(recorder, {{0.0, 40}, {0.05, 40}});  // the second is queued for the same file: lost
    recorder.Start();
    ASSERT_TRUE(waiter.WaitUntil([&] { return errors_.Take(&error_); }));
    EXPECT_EQ(std::tuple(error_.source, error_.hr, std::string(error_.text)),
              std::tuple(StreamErrorSource::Recorder, kHrSharingViolation,
                         "Cannot create " + missing + ": No such file or directory"));
    Offer(recorder, {{0.10, 40}});  // not queued for the failed file, not counted
    recorder.SwitchTo(folder_.File("next.avi"), false);
    Offer(recorder, {{0.15, 40}});
    recorder.Finish();
    recorder.Finish();  // again: nothing left to do
    EXPECT_FALSE(errors_.Take(&error_));
    EXPECT_EQ(Counts(), std::pair(int64_t{2}, int64_t{1}));
    const AviFacts f = ReadAviFacts(folder_.File("next.avi"));
    EXPECT_EQ(std::tuple(f.pictures, f.firstPts), std::tuple(1, 0));
}

}  // namespace
}  // namespace velatrace
