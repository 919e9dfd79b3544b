// The FFmpeg media engine end to end with the test-pattern camera: preview, capture, the next file,
// a full disk, a lost camera, the capture queue, and replay of all kinds of files, seeking exactly.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "WakeWaiter.h"
#include "support/TempFolder.h"
#include "video/FormatChoices.h"
#include "video/ffmpeg/CaptureRecorder.h"
#include "video/ffmpeg/DshowCamera.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"
#include "video/ffmpeg/PatternCamera.h"
#include "video/ffmpeg/ReservedFile.h"

namespace velatrace {
namespace {

using testing::TempFolder;
using testing::WakeWaiter;

// A file opened for reading its video stream.
struct VideoInput {
    AVFormatContext* ctx = nullptr;
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int stream = -1;
    int indexEntries = 0;  // as the header gives them, before any packet is read

    ~VideoInput() {
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
        avformat_close_input(&ctx);
    }
    // Opens the file (an AVI header names the streams and the index) and the stream's decoder.
    bool Open(const std::string& path) {
        if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
            return false;
        stream = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream >= 0)
            indexEntries = avformat_index_get_entries_count(ctx->streams[stream]);
        if (avformat_find_stream_info(ctx, nullptr) < 0)
            return false;
        stream = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0)
            return false;
        const AVCodecParameters* par = ctx->streams[stream]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        dec = codec ? avcodec_alloc_context3(codec) : nullptr;
        return dec && avcodec_parameters_to_context(dec, par) >= 0 &&
               avcodec_open2(dec, codec, nullptr) >= 0;
    }
};

// What a media file holds, read through libavformat and libavcodec, independently of the engine.
struct AviFacts {
    bool opened = false;
    int64_t headerFrames = 0;  // the stream length the file's header states
    int64_t pictures = 0;      // packets with a picture; frame numbers not used are gaps
    int64_t firstPts = -1, lastPts = -1, decodedPictures = 0, pictureBytes = 0;
    int indexEntries = 0;  // after reading the header: 0 or 1 means no index
};

AviFacts ReadAviFacts(const std::string& path) {
    AviFacts facts;
    VideoInput in;
    facts.opened = in.Open(path);
    facts.indexEntries = in.indexEntries;
    if (!facts.opened)
        return facts;
    const AVStream* st = in.ctx->streams[in.stream];
    facts.headerFrames = st->nb_frames;
    while (av_read_frame(in.ctx, in.pkt) >= 0) {
        if (in.pkt->stream_index == in.stream) {
            const int64_t pts = in.pkt->pts != AV_NOPTS_VALUE ? in.pkt->pts : in.pkt->dts;
            if (in.pkt->size > 0) {
                ++facts.pictures;
                facts.pictureBytes += in.pkt->size;
                facts.decodedPictures += avcodec_send_packet(in.dec, in.pkt) >= 0 &&
                                         avcodec_receive_frame(in.dec, in.frame) >= 0;
            }
            if (facts.firstPts < 0)
                facts.firstPts = pts;
            facts.lastPts = std::max(facts.lastPts, pts);
        }
        av_packet_unref(in.pkt);
    }
    return facts;
}

// The picture showing at `seconds`, decoded from the start, as a bottom-up 24-bit still (or none).
std::vector<uint8_t> ReferenceStill(const std::string& path, double seconds) {
    VideoInput in;
    if (!in.Open(path))
        return {};
    const AVStream* st = in.ctx->streams[in.stream];
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    AVFrame* shown = av_frame_alloc();
    bool have = false, past = false;
    // Keeps decoded frames, in presentation order, up to the first one starting after `seconds`.
    auto take = [&]() {
        while (!past && avcodec_receive_frame(in.dec, in.frame) >= 0) {
            const double t = (in.frame->best_effort_timestamp - start) * av_q2d(st->time_base);
            past = have && t > seconds + 1e-6;
            if (!past) {
                av_frame_unref(shown);
                av_frame_move_ref(shown, in.frame);
                have = true;
            }
            av_frame_unref(in.frame);
        }
    };
    while (!past && av_read_frame(in.ctx, in.pkt) >= 0) {
        if (in.pkt->stream_index == in.stream && in.pkt->size > 0 &&
            avcodec_send_packet(in.dec, in.pkt) >= 0)
            take();
        av_packet_unref(in.pkt);
    }
    if (!past && avcodec_send_packet(in.dec, nullptr) >= 0)
        take();
    std::vector<uint8_t> still;
    const int w = shown->width, h = shown->height;
    SwsContext* sws =
        have ? sws_getContext(w, h, static_cast<AVPixelFormat>(shown->format), w, h,
                              AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr)
             : nullptr;
    if (sws) {
        // Rows bottom-up: the converter starts at the last row and steps back.
        const int stride = ((w * 24 + 31) & ~31) / 8;
        still.assign(static_cast<size_t>(stride) * h, 0);
        uint8_t* planes[4] = {still.data() + static_cast<ptrdiff_t>(h - 1) * stride};
        const int strides[4] = {-stride};
        sws_scale(sws, shown->data, shown->linesize, 0, h, planes, strides);
        sws_freeContext(sws);
    }
    av_frame_free(&shown);
    return still;
}

// Mean absolute difference of two equally sized pictures; a large value when they differ in size.
double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty())
        return 1e9;
    return std::transform_reduce(a.begin(), a.end(), b.begin(), 0.0, std::plus<>(),
                                 [](int x, int y) { return std::abs(x - y); }) /
           static_cast<double>(a.size());
}

constexpr int64_t kFrameTime20fps = 50000;  // microseconds

class MediaEngineTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_ERROR); }
    void SetUp() override {
        setenv("VELATRACE_TEST_CAMERA", "1", 1);
        engine_.SetWakeCallback(waiter_.Callback());
    }
    void TearDown() override { unsetenv("VELATRACE_TEST_CAMERA_VANISH_AFTER"); }

    // The camera as the program opens it (320 x 240, 20 per second unless asked for another
    // mode), running.
    void Build(const std::string& avi, bool capture = false, int32_t width = 320,
               int32_t height = 240, int64_t frameTime = kFrameTime20fps) {
        camera_.reset();
        ASSERT_EQ(engine_.OpenCamera(kPatternCameraDisplayName, &camera_), MediaError::None);
        VideoMode mode = camera_->Mode();
        mode.width = width;
        mode.height = height;
        mode.frameTime = MediaTime{frameTime};
        ASSERT_EQ(camera_->SetMode(mode), MediaError::None);
        ASSERT_EQ(camera_->Recording().SetFile(avi.c_str()), MediaError::None);
        if (capture) {
            ASSERT_EQ(camera_->Recording().Start(false), MediaError::None);
        }
        ASSERT_EQ(camera_->Start(), MediaError::None);
    }
    // About four seconds of the camera, captured once for the replay tests.
    const std::string& PatternCapture() {
        static TempFolder folder;
        static std::string path;
        if (path.empty()) {
            Build(folder.File("capture.avi"), true);
            if (PreviewReaches(4.0))
                path = folder.File("capture.avi");
            camera_.reset();
        }
        return path;
    }

    // Waits for a picture, of the camera if any, whose time passes `ok`; notes the times seen.
    template <class Ok>
    bool ShowsWhen(Ok ok, std::vector<int64_t>* times = nullptr) {
        const auto take = [&] {
            return camera_ ? camera_->TakeLatestFrame(&frame_) : player_->TakeLatestFrame(&frame_);
        };
        return waiter_.WaitUntil([&] {
            while (take()) {
                if (times)
                    times->push_back(frame_.timestamp.count());
            }
            return frame_.sequence > 0 && ok(frame_.timestamp.count());
        });
    }
    bool PreviewReaches(double seconds, std::vector<int64_t>* times = nullptr) {
        return ShowsWhen([&](int64_t t) { return t >= std::llround(seconds * 1e6); }, times);
    }
    bool PreviewGoesOn(double seconds) {
        return PreviewReaches(0.0) && PreviewReaches(At() + seconds);
    }
    // The time of the picture last taken, in seconds.
    double At() const { return static_cast<double>(frame_.timestamp.count()) / 1e6; }
    // The clip's frame starting at `seconds`.
    bool Shows(double seconds) {
        return ShowsWhen(
            [&](int64_t t) { return std::llabs(t - std::llround(seconds * 1e6)) < 100; });
    }

    static std::tuple<int32_t, int32_t, double> SizeAndFrameTime(const VideoMode& m) {
        return {m.width, m.height, static_cast<double>(m.frameTime.count()) / 1e6};
    }
    static std::tuple<int32_t, int32_t, double> SizeAndFrameTime(const ClipInfo& c) {
        return {c.width, c.height, static_cast<double>(c.frameTime.count()) / 1e6};
    }
    // Frames dropped and written since the camera started.
    std::pair<int64_t, int64_t> Counts() {
        int64_t dropped = -1, written = -1;
        camera_->Recording().Counts(&dropped, &written);
        return {dropped, written};
    }
    // Waits for the one error the camera reports; a second is not there.
    StreamError OneError() {
        StreamError error, again;
        EXPECT_TRUE(waiter_.WaitUntil([&] { return camera_->TakeStreamError(&error); }));
        EXPECT_FALSE(camera_->TakeStreamError(&again));
        return error;
    }
    // A finished capture decodes, has its index and frame numbers from 0 (a gap: a drop).
    static AviFacts ReadComplete(const std::string& avi) {
        const auto f = ReadAviFacts(avi);
        EXPECT_EQ(std::tuple(f.opened, f.decodedPictures, f.firstPts, f.headerFrames),
                  std::tuple(true, f.pictures, 0, f.lastPts + 1))
            << avi;
        EXPECT_GE(f.indexEntries, f.pictures) << avi;
        return f;
    }

    MediaError Open(const std::string& path) {
        player_.reset();
        return engine_.OpenClip(path.c_str(), &player_);
    }
    // The clip's position, or its length (microseconds).
    int64_t Clip(bool length = false) {
        return length ? player_->Info().duration.count() : player_->Position().count();
    }
    std::vector<uint8_t> Grab() {
        StillImage still;
        EXPECT_EQ(player_->Grab(&still), MediaError::None);
        return still.rows;
    }
    // Seeks to `seconds`: the grab is the file's frame at that time, not merely one near it.
    void ExpectExactSeek(const std::string& path, double seconds, double frameTime) {
        ASSERT_EQ(player_->Seek(MediaTime{std::llround(seconds * 1e6)}), MediaError::None);
        const double start = std::floor(seconds / frameTime + 1e-9) * frameTime;
        ASSERT_TRUE(Shows(start)) << seconds << " s shows " << frame_.timestamp;
        const std::vector<uint8_t> grabbed = Grab();
        const double toExpected = MeanDifference(grabbed, ReferenceStill(path, seconds));
        EXPECT_LT(toExpected, 1.0);
        EXPECT_LT(toExpected * 4,
                  MeanDifference(grabbed, ReferenceStill(path, seconds + frameTime)));
    }

    WakeWaiter waiter_;
    TempFolder folder_;
    FfmpegMediaEngine engine_;
    std::unique_ptr<Camera> camera_;
    std::unique_ptr<ClipPlayer> player_;
    VideoFrame frame_;
    // The capture queue on its own.
    AviVideoFormat format_{64, 48, {20, 1}, false};
    CaptureCounters counters_;
    StreamErrors errors_;
    WakeHub wake_;
    StreamError error_;
};

TEST_F(MediaEngineTest, PreviewDeliversFramesHeldCaptureWritesNothingAndTheTestCameraHides) {
    const std::string avi = folder_.File("held.avi");
    Build(avi);
    EXPECT_EQ(SizeAndFrameTime(camera_->Mode()), std::tuple(320, 240, 0.05));
    EXPECT_EQ(camera_->SetMode(camera_->Mode()), MediaError::NotReady);  // it runs
    // A control acts on the running camera and reads back as set (the modes: the next test).
    std::vector<DeviceControl> controls;
    ASSERT_EQ(camera_->Controls(&controls), MediaError::None);
    ASSERT_FALSE(controls.empty());
    ASSERT_EQ(camera_->SetControl(controls[0].id, 80), MediaError::None);
    ASSERT_EQ(camera_->Controls(&controls), MediaError::None);
    EXPECT_EQ(controls[0].value, 80);

    ASSERT_TRUE(PreviewReaches(0.2));
    EXPECT_EQ(std::tuple(frame_.width, frame_.height, frame_.stride, frame_.pixels.size()),
              std::tuple(320, 240, 320 * 4, size_t{320 * 4 * 240}));
    camera_->Stop();
    EXPECT_EQ(Counts(), std::make_pair(int64_t{0}, int64_t{0}));
    EXPECT_FALSE(std::filesystem::exists(avi));  // only a capture creates the file

    // The test camera is listed last, and only when asked for.
    std::vector<CameraInfo> devices;
    ASSERT_EQ(engine_.ListCameras(&devices), MediaError::None);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(std::tie(devices.back().displayName, devices.back().friendlyName),
              std::tuple("velatrace:test-pattern", "Test pattern camera"));
    unsetenv("VELATRACE_TEST_CAMERA");
    engine_.ListCameras(&devices);
    EXPECT_TRUE(std::none_of(devices.begin(), devices.end(), [](const CameraInfo& d) {
        return d.displayName == "velatrace:test-pattern";
    }));
    std::unique_ptr<Camera> hidden;
    EXPECT_EQ(engine_.OpenCamera(kPatternCameraDisplayName, &hidden), MediaError::NotFound);
}

// Mean of the blue, green and red bytes of a preview picture.
double MeanLevel(const VideoFrame& f) {
    double sum = 0;
    for (size_t i = 0; i < f.pixels.size(); ++i)
        sum += (i % 4 == 3) ? 0 : f.pixels[i];
    return f.pixels.empty() ? 0 : sum / (static_cast<double>(f.pixels.size()) * 3 / 4);
}

TEST_F(MediaEngineTest, TestCameraListsItsModesTakesOneAndItsBrightnessShows) {
    // The Format dialog's list: largest first, the common modes there, the pin's one selected.
    Build(folder_.File("modes.avi"));
    std::vector<VideoMode> modes;
    ASSERT_EQ(camera_->Modes(&modes), MediaError::None);
    modes = SortedModes(modes);
    std::vector<std::string> labels;
    for (const VideoMode& m : modes)
        labels.push_back(ModeLabel(m));
    for (const char* mode : {"1280 x 720, 30 frames/s (YU12)", "640 x 480, 30 frames/s (YU12)",
                             "640 x 480, 20 frames/s (YU12)"}) {
        EXPECT_NE(std::find(labels.begin(), labels.end(), mode), labels.end()) << mode;
    }
    EXPECT_EQ(labels.front(), "1920 x 1080, 30 frames/s (YU12)");
    const int32_t selected = CurrentModeIndex(modes, camera_->Mode());
    ASSERT_GE(selected, 0);
    EXPECT_EQ(labels[static_cast<size_t>(selected)], "320 x 240, 20 frames/s (YU12)");

    // Brightness acts on the next pictures of the running camera, and its default undoes it.
    std::vector<DeviceControl> controls;
    ASSERT_EQ(camera_->Controls(&controls), MediaError::None);
    const auto brightness =
        std::find_if(controls.begin(), controls.end(),
                     [](const DeviceControl& c) { return c.name == "Brightness"; });
    ASSERT_NE(brightness, controls.end());
    ASSERT_TRUE(PreviewGoesOn(0.2));
    const double normal = MeanLevel(frame_);
    ASSERT_EQ(camera_->SetControl(brightness->id, brightness->maximum), MediaError::None);
    ASSERT_TRUE(PreviewGoesOn(0.3));
    EXPECT_GT(MeanLevel(frame_), normal + 40);
    ASSERT_EQ(camera_->SetControl(brightness->id, brightness->defaultValue), MediaError::None);
    ASSERT_TRUE(PreviewGoesOn(0.3));
    EXPECT_NEAR(MeanLevel(frame_), normal, 10);

    // A capture in the chosen HD mode replays at its size and rate.
    const std::string avi = folder_.File("hd.avi");
    camera_.reset();
    Build(avi, true, 1280, 720, 33333);
    ASSERT_TRUE(PreviewGoesOn(0.5));
    camera_->Stop();
    ASSERT_EQ(Open(avi), MediaError::None);
    const auto [width, height, frameTime] = SizeAndFrameTime(player_->Info());
    EXPECT_EQ(std::tuple(width, height), std::tuple(1280, 720));
    EXPECT_NEAR(frameTime, 1 / 30.0, 1e-6);
}

// The DirectShow device list as libavdevice gives it: video devices only, in order, the
// description shown and the device's unique name kept; a device without names keeps its place.
TEST(DshowCameras, ListingKeepsTheVideoDevicesByTheirUniqueNames) {
    AVMediaType video[] = {AVMEDIA_TYPE_VIDEO};
    AVMediaType audio[] = {AVMEDIA_TYPE_AUDIO};
    AVMediaType both[] = {AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_VIDEO};
    char webcam[] = "@device_pnp_\\\\?\\usb#vid_046d&pid_0825#1", webcamText[] = "HD Webcam C270";
    char mic[] = "@device_cm_{33D9A762}\\wave_{1}", micText[] = "Microphone";
    char combo[] = "@device_pnp_\\\\?\\usb#vid_1234#2", comboText[] = "Capture Box";
    char old[] = "Old Camera", empty[] = "";
    AVDeviceInfo devices[] = {
        {webcam, webcamText, video, 1}, {mic, micText, audio, 1}, {combo, comboText, both, 2},
        {old, old, nullptr, 0},         {empty, empty, video, 1},
    };
    AVDeviceInfo* pointers[] = {&devices[0], &devices[1], &devices[2], &devices[3], &devices[4]};
    AVDeviceInfoList list = {pointers, 5, 0};
    const std::vector<CameraInfo> cameras = CamerasFromDeviceList(&list);
    ASSERT_EQ(cameras.size(), 4u);
    EXPECT_EQ(cameras[0].friendlyName, "HD Webcam C270");
    EXPECT_EQ(cameras[0].displayName, webcam);
    EXPECT_EQ(cameras[1].displayName, combo);
    EXPECT_EQ(cameras[2].friendlyName, "Old Camera") << "no media types named: taken as video";
    EXPECT_EQ(cameras[3].nameError, MediaError::BadName);
    EXPECT_EQ(cameras[3].displayName, "");
    EXPECT_TRUE(CamerasFromDeviceList(nullptr).empty());
}

TEST_F(MediaEngineTest, NextFileWhileRunningLosesNoFrameAndThePreviewRunsOn) {
    const std::string first = folder_.File("run_01.avi"), second = folder_.File("run_02.avi");
    Build(first);
    ASSERT_TRUE(PreviewReaches(0.1));
    ASSERT_EQ(camera_->Recording().Start(false), MediaError::None);
    std::vector<int64_t> times;
    ASSERT_TRUE(PreviewReaches(At() + 1.5, &times));
    const int64_t switchedAt = frame_.timestamp.count();
    ASSERT_EQ(camera_->Recording().SetFile(second.c_str()), MediaError::None);
    ASSERT_TRUE(PreviewReaches(At() + 1.5, &times));
    // Around the switch the preview shows every frame or every other, by the frames' own times.
    for (size_t i = 1; i < times.size(); ++i) {
        const bool near = std::llabs(times[i] - switchedAt) < 500000;
        EXPECT_LE(times[i] - times[i - 1], near ? 2 * kFrameTime20fps : INT64_MAX) << times[i];
    }
    // A next file that cannot be created: the last is finished, the capture holds, preview goes on.
    const std::string missing = folder_.File("missing-folder/run_03.avi");
    EXPECT_EQ(camera_->Recording().SetFile(missing.c_str()), MediaError::FileInUse);
    ASSERT_TRUE(waiter_.WaitUntil([&] { return ReadAviFacts(second).indexEntries > 1; }));
    const auto counts = Counts();
    ASSERT_TRUE(PreviewGoesOn(0.5));
    EXPECT_EQ(Counts(), counts);
    camera_->Stop();
    EXPECT_EQ(camera_->Start(), MediaError::FileInUse);  // that name stays the recorder's file

    const auto [dropped, written] = counts;
    const auto a = ReadComplete(first), b = ReadComplete(second);
    EXPECT_GE(std::min(a.pictures, b.pictures), 20);
    EXPECT_EQ(a.pictures + b.pictures, written);
    EXPECT_GE(written + dropped, 55);  // three seconds at 20 frames per second
    EXPECT_LE(a.lastPts + 1 - a.pictures + b.lastPts + 1 - b.pictures, dropped);
}

TEST_F(MediaEngineTest, FullDiskFinishesTheFileWithOneErrorAndThePreviewGoesOn) {
    // A file system of 1 MB, so the disk fills within seconds; only root may mount one.
    const std::string where = folder_.Path().string();
    if (mount("velatrace-test", where.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    const std::unique_ptr<const std::string, void (*)(const std::string*)> unmount(
        &where, [](const std::string* w) { umount2(w->c_str(), MNT_DETACH); });
    const std::string avi = folder_.File("full.avi");
    Build(avi, true);
    const StreamError error = OneError();
    EXPECT_EQ(std::tuple(error.source, error.error, std::string(error.text)),
              std::tuple(StreamErrorSource::Recorder, MediaError::DiskFull,
                         "Cannot write " + avi + ": No space left on device"));
    // The file is finished when the error is told, with every frame written; the camera and the
    // preview go on, nothing more is written, counted or reported.
    const auto counts = Counts();
    EXPECT_GT(counts.second, 0);
    EXPECT_EQ(ReadComplete(avi).pictures, counts.second);
    ASSERT_TRUE(PreviewGoesOn(0.5));
    EXPECT_EQ(Counts(), counts);
    EXPECT_FALSE(camera_->TakeStreamError(&error_));
    camera_->Stop();
}

TEST_F(MediaEngineTest, CameraThatVanishesEndsWithOneErrorAndACompleteFile) {
    setenv("VELATRACE_TEST_CAMERA_VANISH_AFTER", "30", 1);
    const std::string avi = folder_.File("lost.avi");
    Build(avi, true);
    const StreamError error = OneError();
    EXPECT_EQ(std::tuple(error.source, error.error, std::string(error.text)),
              std::tuple(StreamErrorSource::Camera, MediaError::DeviceGone,
                         "The camera \"Test pattern camera\" (velatrace:test-pattern) stopped "
                         "delivering frames: No such device"));
    // The file is finished by the time the error is told, before the camera is stopped.
    const auto [dropped, written] = Counts();
    EXPECT_EQ(written + dropped, 30);
    EXPECT_EQ(ReadComplete(avi).pictures, written);
    // Running again, without a stop first, tries the camera afresh.
    frame_ = VideoFrame{};
    ASSERT_EQ(camera_->Start(), MediaError::None);
    EXPECT_TRUE(PreviewReaches(0.1));
    camera_->Stop();
}

// A 64 x 48 grey picture taken at `time`.
CameraFrame GreyFrame(double time, int level) {
    CameraFrame f;
    f.picture = MakeFrame();
    f.picture->format = AV_PIX_FMT_YUVJ420P;
    f.picture->width = 64, f.picture->height = 48;
    av_frame_get_buffer(f.picture.get(), 0);
    for (int p = 0; p < 3; ++p)
        std::memset(f.picture->data[p], p ? 128 : level, f.picture->linesize[p] * (p ? 24 : 48));
    f.time = time;
    return f;
}

// Offers grey pictures (time, level); before the encoder starts, what is queued is known exactly.
void Offer(CaptureRecorder& recorder, std::initializer_list<std::pair<double, int>> frames) {
    for (const auto& [time, level] : frames) {
        CameraFrame f = GreyFrame(time, level);
        recorder.Offer(f);
    }
}

TEST_F(MediaEngineTest, FullQueueDropsAndFramesKeepTheirPlaceInTime) {
    const std::string avi = folder_.File("gaps.avi");
    CaptureRecorder recorder(avi, format_, 3, true, counters_, errors_, wake_);
    Offer(recorder, {{10.00, 40}});  // frame 0
    recorder.LetThrough(false);
    Offer(recorder, {{10.05, 60}});  // held back: not written, not dropped
    recorder.LetThrough(true);
    // Numbering goes on after the last frame (1); 3 leaves 2 empty; then the queue is full.
    Offer(recorder, {{20.00, 80}, {20.10, 100}, {20.15, 120}});
    recorder.Start();
    recorder.Finish();
    EXPECT_EQ(std::tuple(counters_.dropped.load(), counters_.written.load()), std::tuple(1, 3));
    EXPECT_FALSE(errors_.Take(&error_));
    const auto f = ReadAviFacts(avi);
    EXPECT_EQ(std::tuple(f.pictures, f.decodedPictures, f.lastPts, f.headerFrames),
              std::tuple(3, 3, 3, 4));
    // Replayed, the gap keeps the picture before it; the frame after comes at its own time.
    ASSERT_EQ(Open(avi), MediaError::None);
    EXPECT_EQ(Clip(true), 200000);
    const struct {
        int64_t position, shownAt;
        int level;
    } kSteps[] = {{100000, 50000, 80}, {150000, 150000, 100}, {0, 0, 40}};
    for (const auto& step : kSteps) {
        ASSERT_EQ(player_->Seek(MediaTime{step.position}), MediaError::None);
        ASSERT_TRUE(Shows(step.shownAt / 1e6)) << "at " << step.position;
        const int middle = 24 * (((64 * 24 + 31) & ~31) / 8) + 32 * 3 + 1;
        EXPECT_NEAR(Grab()[middle], step.level, 3) << "at " << step.position;
    }
}

TEST_F(MediaEngineTest, PrerollStartsTheFileItsSecondsBeforeTheStartOnlyWhenAsked) {
    // 10 s held at 20 per second (grey level 20 + frame number), then 10 frames let through.
    const auto capture = [&](const char* name, int64_t maxBytes, bool withPreroll) {
        const std::string avi = folder_.File(name);
        CaptureRecorder recorder(avi, format_, 256, false, counters_, errors_, wake_);
        recorder.KeepPreroll(5, maxBytes);
        for (int i = 0; i < 200; ++i)
            Offer(recorder, {{i * 0.05, 20 + i}});
        recorder.LetThrough(true, withPreroll);
        for (int i = 0; i < 10; ++i)
            Offer(recorder, {{10.0 + i * 0.05, 230}});
        recorder.Start();
        recorder.Finish();
        VideoInput in;
        EXPECT_TRUE(in.Open(avi) && av_read_frame(in.ctx, in.pkt) >= 0 &&
                    avcodec_send_packet(in.dec, in.pkt) >= 0 &&
                    avcodec_receive_frame(in.dec, in.frame) >= 0);
        const int level =
            in.frame->data[0] ? in.frame->data[0][24 * in.frame->linesize[0] + 32] : -1;
        return std::tuple(ReadComplete(avi).pictures, level);
    };
    // The first frame is the one of 5.0 s (level 120), 5 s before the first let through.
    const auto [frames, first] = capture("preroll.avi", int64_t{1} << 30, true);
    EXPECT_EQ(frames, 110);
    EXPECT_NEAR(first, 120, 3);
    EXPECT_EQ(std::tuple(counters_.dropped.load(), counters_.written.load()), std::tuple(0, 110));
    // Without it, or with no room to keep a frame, the file starts where the capture does.
    for (const auto& [name, maxBytes, withPreroll] :
         {std::tuple("plain.avi", int64_t{1} << 30, false), std::tuple("no-room.avi", 1L, true)}) {
        const auto [count, level] = capture(name, maxBytes, withPreroll);
        EXPECT_EQ(count, 10) << name;
        EXPECT_NEAR(level, 230, 3) << name;
    }
}

TEST_F(MediaEngineTest, CameraJpegIsStoredWithoutEncodingAgain) {
    // JPEG frames as a camera sends them, made here with the Motion-JPEG encoder.
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AvCodecContextPtr enc(avcodec_alloc_context3(codec));
    enc->width = 64, enc->height = 48, enc->pix_fmt = AV_PIX_FMT_YUVJ420P;
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
    const auto f = ReadAviFacts(avi);
    // The camera's data, byte for byte in size.
    EXPECT_EQ(std::tuple(counters_.written.load(), f.pictures, f.decodedPictures, f.pictureBytes),
              std::tuple(3, 3, 3, bytes));
}

// A picture of waves that move with `n`, so each frame differs from the others.
CameraFrame WaveFrame(int n, AVPixelFormat format = AV_PIX_FMT_YUVJ420P) {
    CameraFrame f = {MakeFrame(), nullptr, n * 0.05};
    f.picture->format = AV_PIX_FMT_YUVJ420P;
    f.picture->width = 161, f.picture->height = 121;  // not whole blocks, odd chroma sizes
    av_frame_get_buffer(f.picture.get(), 0);
    for (int p = 0; p < 3; ++p) {
        for (int y = 0; y < (p ? 61 : 121); ++y) {
            for (int x = 0; x < (p ? 81 : 161); ++x) {
                f.picture->data[p][y * f.picture->linesize[p] + x] = static_cast<uint8_t>(
                    128 + 90 * std::sin((x + 11 * n) / (p ? 5.0 : 9.0)) * std::cos(y / 13.0));
            }
        }
    }
    f.picture->format = format;
    return f;
}

// Luma PSNR (dB) of a decoded picture against the source picture.
double LumaPsnr(const AVFrame* decoded, const AVFrame* source) {
    double squares = 0;
    for (int y = 0; y < source->height; ++y) {
        for (int x = 0; x < source->width; ++x) {
            const int d = decoded->data[0][y * decoded->linesize[0] + x] -
                          source->data[0][y * source->linesize[0] + x];
            squares += d * d;
        }
    }
    const double mse = squares / (source->width * source->height);
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

TEST_F(MediaEngineTest, PicturesAreEncodedInOrderAndAFrameThatCannotBeEncodedEndsItsFile) {
    const std::string avi = folder_.File("encoded.avi"), next = folder_.File("next.avi");
    format_ = AviVideoFormat{161, 121, {20, 1}, false};
    wake_.Set(waiter_.Callback());
    CaptureRecorder recorder(avi, format_, 32, true, counters_, errors_, wake_);
    // Queued before the encoders start, so they all encode side by side.
    std::vector<CameraFrame> sources;
    for (int n = 0; n < 24; ++n) {
        sources.push_back(WaveFrame(n));
        recorder.Offer(sources.back());
    }
    // The next file: a picture no converter takes ends it after its first frame, with one error.
    recorder.SwitchTo(next, false);
    for (const auto format : {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_VAAPI, AV_PIX_FMT_YUVJ420P}) {
        CameraFrame f = WaveFrame(0, format);
        recorder.Offer(f);
    }
    recorder.Start();
    ASSERT_TRUE(waiter_.WaitUntil([&] { return errors_.Take(&error_); }));
    EXPECT_EQ(std::tuple(error_.source, error_.error, std::string(error_.text)),
              std::tuple(StreamErrorSource::Recorder, MediaError::Failed,
                         "Cannot write " + next +
                             ": the frame could not be encoded: the camera's pixel format cannot "
                             "be converted for JPEG"));
    recorder.Finish();
    EXPECT_FALSE(errors_.Take(&error_));
    EXPECT_EQ(std::tuple(counters_.dropped.load(), counters_.written.load()), std::tuple(2, 25));
    EXPECT_EQ(ReadComplete(next).pictures, 1);

    // Every frame decodes at its size, in the order offered, close to its source.
    VideoInput in;
    ASSERT_TRUE(in.Open(avi));
    const AVCodecParameters* par = in.ctx->streams[in.stream]->codecpar;
    EXPECT_EQ(std::tuple(par->codec_id, par->codec_tag, par->format),
              std::tuple(AV_CODEC_ID_MJPEG, MKTAG('M', 'J', 'P', 'G'), AV_PIX_FMT_YUVJ420P));
    size_t n = 0;
    while (av_read_frame(in.ctx, in.pkt) >= 0) {
        ASSERT_LT(n, sources.size());
        ASSERT_GE(avcodec_send_packet(in.dec, in.pkt), 0);
        ASSERT_GE(avcodec_receive_frame(in.dec, in.frame), 0);
        av_packet_unref(in.pkt);
        EXPECT_EQ(std::tuple(in.frame->width, in.frame->height), std::tuple(161, 121));
        EXPECT_GT(LumaPsnr(in.frame, sources[n].picture.get()), 30.0) << "frame " << n;
        ++n;
    }
    EXPECT_EQ(n, sources.size());
}

TEST_F(MediaEngineTest, FileThatFailsIsReportedOnceAndTheNextFileStartsAtFrameZero) {
    const std::string missing = folder_.File("no/such/folder.avi");
    wake_.Set(waiter_.Callback());
    CaptureRecorder recorder(missing, format_, 4, true, counters_, errors_, wake_);
    Offer(recorder, {{0.0, 40}, {0.05, 40}});  // the second is queued for the same file: lost
    recorder.Start();
    ASSERT_TRUE(waiter_.WaitUntil([&] { return errors_.Take(&error_); }));
    EXPECT_EQ(std::tuple(error_.source, error_.error, std::string(error_.text)),
              std::tuple(StreamErrorSource::Recorder, MediaError::FileInUse,
                         "Cannot create " + missing + ": No such file or directory"));
    Offer(recorder, {{0.10, 40}});  // not queued for the failed file, not counted
    recorder.SwitchTo(folder_.File("next.avi"), false);
    Offer(recorder, {{0.15, 40}});
    recorder.Finish();
    EXPECT_FALSE(errors_.Take(&error_));
    EXPECT_EQ(std::tuple(counters_.dropped.load(), counters_.written.load()), std::tuple(2, 1));
    const auto f = ReadAviFacts(folder_.File("next.avi"));
    EXPECT_EQ(std::tuple(f.pictures, f.firstPts), std::tuple(1, 0));
}

// Two writers of one AVI (a second instance of the program capturing into the same name): the
// second is refused, says why, and leaves the first one's file whole.
TEST_F(MediaEngineTest, AnAviAnotherRecordingWritesIsLeftWhole) {
    const std::string path = folder_.File("shared.avi");
    ReservedFile first;
    ASSERT_EQ(first.Create(path), 0);
    avio_write(first.Io(), reinterpret_cast<const unsigned char*>("RIFF"), 4);
    avio_flush(first.Io());
    ReservedFile second;
    EXPECT_EQ(second.Create(path), kErrorLockedElsewhere);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(folder_.Read("shared.avi"), "RIFF") << "not cut by the second writer";

    wake_.Set(waiter_.Callback());
    CaptureRecorder recorder(path, format_, 4, true, counters_, errors_, wake_);
    Offer(recorder, {{0.0, 40}});
    recorder.Start();
    ASSERT_TRUE(waiter_.WaitUntil([&] { return errors_.Take(&error_); }));
    EXPECT_EQ(std::string(error_.text),
              "Cannot create " + path + ": another recording is writing it");
    recorder.Finish();
    EXPECT_EQ(folder_.Read("shared.avi"), "RIFF");
    first.Close();
    EXPECT_EQ(second.Create(path), 0) << "free once the first file is closed";
}

// The folder of the file being recorded is deleted: the file is finished, written out again where
// it was, and reported once with the reason.
TEST_F(MediaEngineTest, FileWhoseFolderIsDeletedIsSavedAgainAndReported) {
    const std::string avi = folder_.File("gone/run.avi");
    std::filesystem::create_directories(folder_.File("gone"));
    CaptureRecorder recorder(avi, format_, 64, true, counters_, errors_, wake_);
    Offer(recorder, {{0.0, 40}, {0.05, 60}, {0.10, 80}});
    recorder.Start();
    while (counters_.written.load() < 3)  // the frames are in the file before it goes
        std::this_thread::yield();
    std::filesystem::remove_all(folder_.File("gone"));
    recorder.Finish();
    ASSERT_TRUE(errors_.Take(&error_));
    EXPECT_EQ(std::string(error_.text),
              "Cannot keep " + avi +
                  ": its folder was deleted or unmounted while it was recorded; what was "
                  "recorded in it is saved again as " +
                  avi);
    EXPECT_FALSE(errors_.Take(&error_)) << "once";
    EXPECT_EQ(ReadAviFacts(avi).pictures, 3);
}

TEST_F(MediaEngineTest, CaptureReplaysSeeksToTheExactFrameAndPlaysToTheEnd) {
    const std::string& capture = PatternCapture();
    const auto facts = ReadAviFacts(capture);
    ASSERT_GE(facts.lastPts + 1, 80);
    ASSERT_EQ(Open(capture), MediaError::None);
    EXPECT_TRUE(player_->Info().hasVideo && player_->Info().seekable);
    EXPECT_EQ(SizeAndFrameTime(player_->Info()), std::tuple(320, 240, 0.05));
    const int64_t duration = Clip(true);
    EXPECT_EQ(duration, (facts.lastPts + 1) * 50000);
    // The grab is 24-bit, rows padded to 4 bytes.
    StillImage still;
    ASSERT_EQ(player_->Grab(&still), MediaError::None);
    EXPECT_EQ(std::tuple(still.width, still.height, still.rows.size()),
              std::tuple(320, 240, size_t{960 * 240}));
    // At a time inside a frame, and at the very start (every frame is a key frame here).
    ExpectExactSeek(capture, 1.23, 0.05);
    ExpectExactSeek(capture, 0.0, 0.05);

    ASSERT_EQ(player_->Play(), MediaError::None);
    ASSERT_TRUE(Shows(0.3));
    ASSERT_EQ(player_->Pause(), MediaError::None);
    const int64_t paused = Clip();
    EXPECT_GE(paused, 300000);
    EXPECT_EQ(Clip(), paused);  // a paused clip keeps its position
    // Played to the end: the last frame stays; a seek back leaves the end.
    ASSERT_EQ(player_->Seek(MediaTime{duration - 250000}), MediaError::None);
    ASSERT_EQ(player_->Play(), MediaError::None);
    ASSERT_TRUE(waiter_.WaitUntil([&] { return player_->ReachedEnd(); }));
    EXPECT_EQ(Clip(), duration);
    ASSERT_TRUE(Shows(static_cast<double>(duration - 50000) / 1e6));
    ASSERT_EQ(player_->Seek(MediaTime{0}), MediaError::None);
    EXPECT_FALSE(player_->ReachedEnd());
    EXPECT_LT(Clip(), 500000);
}

TEST_F(MediaEngineTest, DamagedFilesFailOrReplayWhatIsLeft) {
    EXPECT_EQ(Open(folder_.File("absent.avi")), MediaError::NotFound);
    std::string garbage(200000, '\0');
    std::mt19937 random(7);
    std::generate(garbage.begin(), garbage.end(), [&] { return static_cast<char>(random()); });
    folder_.Write("empty.avi", "");
    folder_.Write("garbage.avi", garbage);
    for (const char* name : {"empty.avi", "garbage.avi"})
        EXPECT_TRUE(Failed(Open(folder_.File(name)))) << name;
    // A file that failed to open gives no clip to play.
    EXPECT_EQ(player_, nullptr);

    // A capture cut short, as a killed program leaves it, opens with what is left.
    const std::string truncated = folder_.File("truncated.avi");
    std::filesystem::copy_file(PatternCapture(), truncated);
    std::filesystem::resize_file(truncated, std::filesystem::file_size(truncated) * 6 / 10);
    ASSERT_EQ(Open(truncated), MediaError::None);
    const auto left = ReadAviFacts(truncated);
    // The header still promises the whole capture; the length is what is really there.
    EXPECT_GT(left.headerFrames, left.lastPts + 1);
    EXPECT_NEAR(static_cast<double>(Clip(true)), (left.lastPts + 1) * 50000.0, 50000.0);
    ExpectExactSeek(truncated, 1.0, 0.05);
}

// Foreign files made by the ffmpeg tool, which the machine's setup installs.
bool MakeWithFfmpegTool(const std::string& arguments, const std::string& target) {
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " '" + target + "'";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(target);
}

TEST_F(MediaEngineTest, MpegWithSoundAndSoundOnlyFilesPlay) {
    const std::string mpg = folder_.File("clip.mpg"), wav = folder_.File("tone.wav");
    if (!MakeWithFfmpegTool("-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i "
                            "sine=frequency=440:sample_rate=44100 -t 2 -c:v mpeg2video -g 12 "
                            "-bf 2 -c:a mp2",
                            mpg) ||
        !MakeWithFfmpegTool("-f lavfi -i sine=frequency=440:sample_rate=8000 -t 0.5", wav)) {
        GTEST_SKIP() << "the ffmpeg tool is not installed";
    }
    ASSERT_EQ(Open(mpg), MediaError::None);
    EXPECT_TRUE(player_->Info().hasVideo);
    // Sound plays where the machine has an output; without one the clip plays silently.
    EXPECT_EQ(player_->SetVolume(0),
              player_->Info().hasAudio ? MediaError::None : MediaError::NotOffered);
    EXPECT_NEAR(static_cast<double>(Clip(true)), 2e6, 1e5);
    ExpectExactSeek(mpg, 1.0, 0.04);  // between key frames, past B-frames
    ExpectExactSeek(mpg, 0.3, 0.04);  // in the first group of pictures

    ASSERT_EQ(Open(wav), MediaError::None);
    EXPECT_FALSE(player_->Info().hasVideo);
    StillImage still;
    EXPECT_EQ(player_->Grab(&still), MediaError::NotConnected);
    EXPECT_NEAR(static_cast<double>(Clip(true)), 5e5, 2e4);
    ASSERT_EQ(player_->Play(), MediaError::None);
    EXPECT_TRUE(waiter_.WaitUntil([&] { return player_->ReachedEnd(); }));
}

}  // namespace
}  // namespace velatrace
