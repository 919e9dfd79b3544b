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

// The grey level of the middle pixel of a bottom-up 24-bit picture.
int MiddleLevel(const std::vector<uint8_t>& dib, int width, int height) {
    const int stride = ((width * 24 + 31) & ~31) / 8;
    return dib[static_cast<size_t>(height / 2) * stride + (width / 2) * 3 + 1];
}

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

    AviVideoFormat format_{64, 48, {20, 1}, false};
    CaptureCounters counters_;
    StreamErrors errors_;
    WakeHub wake_;
};

TEST_F(CaptureRecorderTest, FullQueueDropsAndFramesKeepTheirPlaceInTime) {
    TempFolder folder;
    const std::string avi = folder.File("gaps.avi");
    CaptureRecorder recorder(avi, format_, 3, true, counters_, errors_, wake_);
    CameraFrame f0 = GreyFrame(10.00, 40);
    recorder.Offer(f0);  // frame 0
    recorder.LetThrough(false);
    CameraFrame held = GreyFrame(10.05, 60);
    recorder.Offer(held);  // held back: not written, not dropped
    recorder.LetThrough(true);
    CameraFrame resumed = GreyFrame(20.00, 80);
    recorder.Offer(resumed);  // numbering goes on after the last frame: 1
    CameraFrame late = GreyFrame(20.10, 100);
    recorder.Offer(late);  // two periods later: 3, leaving 2 empty
    CameraFrame overflow = GreyFrame(20.15, 120);
    recorder.Offer(overflow);  // the queue is full
    recorder.Start();
    recorder.Finish();

    EXPECT_EQ(counters_.written.load(), 3);
    EXPECT_EQ(counters_.dropped.load(), 1);
    StreamError error;
    EXPECT_FALSE(errors_.Take(&error));
    const AviFacts facts = ReadAviFacts(avi);
    ASSERT_TRUE(facts.opened);
    EXPECT_EQ(facts.pictures, 3);
    EXPECT_EQ(facts.lastPts, 3);
    EXPECT_EQ(facts.headerFrames, 4);
    EXPECT_EQ(facts.decodedPictures, 3);

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
    std::vector<uint8_t> dib(static_cast<size_t>(((64 * 24 + 31) & ~31) / 8 * 48));
    const struct {
        int64_t position;
        int64_t shownAt;
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
        EXPECT_NEAR(MiddleLevel(dib, 64, 48), step.level, 3) << "at " << step.position;
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
    TempFolder folder;
    const std::string avi = folder.File("camera-jpeg.avi");
    format_.jpegPackets = true;
    CaptureRecorder recorder(avi, format_, 8, true, counters_, errors_, wake_);
    int64_t bytes = 0;
    for (int i = 0; i < 3; ++i) {
        CameraFrame f = GreyFrame(i * 0.05, 50 + 40 * i);
        f.picture->pts = i;
        AvPacketPtr jpeg = MakePacket();
        ASSERT_GE(avcodec_send_frame(enc.get(), f.picture.get()), 0);
        ASSERT_GE(avcodec_receive_packet(enc.get(), jpeg.get()), 0);
        bytes += jpeg->size;
        f.jpeg = std::move(jpeg);
        recorder.Offer(f);
    }
    recorder.Start();
    recorder.Finish();
    EXPECT_EQ(counters_.written.load(), 3);
    const AviFacts facts = ReadAviFacts(avi);
    ASSERT_TRUE(facts.opened);
    EXPECT_EQ(facts.codec, "mjpeg");
    EXPECT_EQ(facts.pictures, 3);
    EXPECT_EQ(facts.decodedPictures, 3);
    EXPECT_EQ(facts.pictureBytes, bytes);  // the camera's data, byte for byte in size
}

TEST_F(CaptureRecorderTest, FileThatFailsIsReportedOnceAndTheNextFileStartsAtFrameZero) {
    TempFolder folder;
    const std::string missing = folder.File("no/such/folder.avi");
    WakeWaiter waiter;
    wake_.Set(waiter.Callback());
    CaptureRecorder recorder(missing, format_, 4, true, counters_, errors_, wake_);
    CameraFrame frames[] = {GreyFrame(0.0, 40), GreyFrame(0.05, 40), GreyFrame(0.10, 40),
                            GreyFrame(0.15, 40)};
    recorder.Offer(frames[0]);
    recorder.Offer(frames[1]);  // queued for the same file: lost with it
    recorder.Start();
    StreamError error;
    ASSERT_TRUE(waiter.WaitUntil([&] { return errors_.Take(&error); }));
    EXPECT_EQ(error.source, StreamErrorSource::Recorder);
    EXPECT_EQ(error.hr, kHrSharingViolation);
    EXPECT_EQ(std::string(error.text), "Cannot create " + missing + ": No such file or directory");
    recorder.Offer(frames[2]);  // not queued for the failed file, not counted
    recorder.SwitchTo(folder.File("next.avi"), false);
    recorder.Offer(frames[3]);
    recorder.Finish();
    recorder.Finish();  // again: nothing left to do
    EXPECT_FALSE(errors_.Take(&error));
    EXPECT_EQ(counters_.dropped.load(), 2);
    EXPECT_EQ(counters_.written.load(), 1);
    const AviFacts facts = ReadAviFacts(folder.File("next.avi"));
    EXPECT_EQ(facts.pictures, 1);
    EXPECT_EQ(facts.firstPts, 0);
}

}  // namespace
}  // namespace velatrace
