// Exports of a span of a recorded pair: the copy has exactly the span's frames and records,
// starts at the in point and loads back; the shared MP4 is H.264 of the span's length; a
// cancelled or failed export leaves no file behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "support/TempFolder.h"
#include "video/ffmpeg/CaptureRecorder.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"
#include "wave/MarkerFile.h"
#include "wave/WaveCsv.h"
#include "wave/WaveCsvSpan.h"

namespace velatrace {
namespace {

using testing::TempFolder;

constexpr int kFrames = 60;   // 3 s at 20 frames per second
constexpr int kRecords = 30;  // 3 s at 100 ms

std::string Output(const std::string& command) {
    std::string text(1 << 16, '\0');
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    text.resize(pipe ? fread(text.data(), 1, text.size(), pipe) : 0);
    if (pipe)
        pclose(pipe);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string Probe(const std::string& file, const std::string& entries) {
    return Output("ffprobe -v error -count_frames -select_streams v:0 -of csv=p=0 -show_entries " +
                  entries + " '" + file + "'");
}

// Grey level of frame n, so the frame a copy starts with tells where it came from.
int LevelOf(int n) {
    return 20 + 3 * n;
}

class SpanExportTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_ERROR); }

    // A capture of kFrames grey pictures and its wave file of kRecords records, one line of
    // which is no record (loading leaves it out, so the span's records must too).
    void SetUp() override {
        CaptureCounters counters;
        StreamErrors errors;
        WakeHub wake;
        CaptureRecorder recorder(avi_, AviVideoFormat{64, 48, {20, 1}, false}, kFrames + 4, true,
                                 counters, errors, wake);
        for (int n = 0; n < kFrames; ++n) {
            CameraFrame f;
            f.picture = MakeFrame();
            f.picture->format = AV_PIX_FMT_YUVJ420P;
            f.picture->width = 64, f.picture->height = 48;
            av_frame_get_buffer(f.picture.get(), 0);
            for (int p = 0; p < 3; ++p)
                std::memset(f.picture->data[p], p ? 128 : LevelOf(n),
                            f.picture->linesize[p] * (p ? 24 : 48));
            f.time = 100.0 + n * 0.05;
            recorder.Offer(f);
        }
        recorder.Start();
        recorder.Finish();
        std::string csv = "2026/12/31 23:59:59\r\n100MS\r\nTC-K,,,,,,,,,\r\n";
        for (int r = 0; r < kRecords; ++r) {
            csv += std::to_string(r) + ".000,,,,,,,,,\r\n";
            if (r == 4)
                csv += "not a record\r\n";
        }
        folder_.Write("run.csv", csv);
    }

    // Waits for the job's worker to end; the bound only guards against a hang.
    static const ExportResult& Wait(ExportJob& job) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!job.Done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(job.Done());
        return job.Result();
    }

    bool NothingLeft(const std::string& target) const {
        return !std::filesystem::exists(target) && !std::filesystem::exists(target + ".part");
    }

    TempFolder folder_;
    const std::string avi_ = folder_.File("run.avi");
    FfmpegMediaEngine engine_;
    std::unique_ptr<ExportJob> job_;
};

TEST_F(SpanExportTest, PairHoldsExactlyTheSpanStartsAtTheInPointAndLoads) {
    // In at 1.0 s (record 10), out at 2.0 s (record 20).
    const std::string out = folder_.File("cut.avi");
    ASSERT_EQ(engine_.StartSpanCopy({avi_, out, MediaTime{1000000}, MediaTime{2000000}}, &job_),
              MediaError::None);
    const ExportResult& result = Wait(*job_);
    ASSERT_EQ(result.error, MediaError::None) << result.text;
    EXPECT_EQ(std::tuple(result.frames, result.firstAt.count()), std::tuple(20, 1000000));
    EXPECT_EQ(Probe(out, "stream=codec_name,nb_read_frames"), "mjpeg,20");
    EXPECT_FALSE(std::filesystem::exists(out + ".part"));
    EXPECT_NE(Output("gst-discoverer-1.0 '" + out + "'").find("Duration: 0:00:01.0"),
              std::string::npos);

    // The program replays it: a second long, its first picture is the source's frame 20.
    std::unique_ptr<ClipPlayer> clip;
    ASSERT_EQ(engine_.OpenClip(out.c_str(), &clip), MediaError::None);
    EXPECT_EQ(clip->Info().duration.count(), 1000000);
    ASSERT_EQ(clip->Seek(MediaTime{0}), MediaError::None);
    StillImage still;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Failed(clip->Grab(&still)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(still.rows.empty());
    EXPECT_NEAR(still.rows[still.rows.size() / 2], LevelOf(20), 3);

    // The wave file: records 10..19 as written, the date moved by the span's start (over the
    // year's end), and the program loads exactly those.
    const double scales[kChannels] = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
    const std::string csv = folder_.File("cut.csv");
    const CsvSpanResult rows =
        WriteWaveCsvSpan(folder_.File("run.csv").c_str(), csv.c_str(), 10, 20, 1000, scales);
    ASSERT_TRUE(rows.ok) << rows.error;
    EXPECT_EQ(rows.records, 10);
    const std::string text = folder_.Read("cut.csv");
    EXPECT_EQ(text.substr(0, 60),
              "2027/01/01 00:00:00\r\n100MS\r\nTC-K,,,,,,,,,\r\n10.000,,,,,,,,,\r\n");
    Recording loaded;
    const CsvLoad load = LoadWaveCsv(csv.c_str(), LoggerSetup{}, loaded);
    EXPECT_EQ(std::tuple(load.records, load.unreadLines, loaded.setup.intervalMs),
              std::tuple(10, 0, 100));
    EXPECT_EQ(loaded.records.Column(0)[9], 190);

    // Markers inside the span come along, counted from its start; those outside stay behind.
    folder_.Write("run.markers.csv",
                  "record,clip_ms,kind,text\r\n5,500,user,\"before\"\r\n12,1200,alarm "
                  "start,\"inside\"\r\n20,2000,user,\"at the out point\"\r\n");
    char error[256] = {};
    ASSERT_EQ(CopyMarkersOfSpan(avi_.c_str(), out.c_str(), {1000, 2000, 1000, 10, 20}, error,
                                sizeof error),
              0)
        << error;
    std::vector<Marker> markers;
    ReadMarkerFile(folder_.File("cut.markers.csv").c_str(), markers);
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_EQ(std::tuple(markers[0].record, markers[0].clipMs, std::string(markers[0].text)),
              std::tuple(2, 200, std::string("inside")));

    // The span's records only exist once: a target that cannot be written leaves nothing.
    const std::string nowhere = folder_.File("missing/cut.csv");
    const CsvSpanResult failed =
        WriteWaveCsvSpan(folder_.File("run.csv").c_str(), nowhere.c_str(), 0, 5, 0, scales);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(std::strstr(failed.error, "No such file or directory"), nullptr) << failed.error;
}

TEST_F(SpanExportTest, SharedVideoIsH264OfTheSpanAndCancelOrFailureLeavesNoFile) {
    const std::string mp4 = folder_.File("share.mp4");
    int composed = 0;
    const ShareVideoFormat format{
        96, 80, [&](const VideoFrame& picture, MediaTime, VideoFrame* c) {
            ++composed;
            // The picture above, a red band below.
            for (int y = 0; y < c->height; ++y)
                for (int x = 0; x < c->width; ++x) {
                    uint8_t* px = &c->pixels[y * c->stride + x * 4];
                    const bool in = x < picture.width && y < picture.height;
                    px[0] = in ? picture.pixels[y * picture.stride + x * 4] : 0;
                    px[1] = in ? px[0] : 0;
                    px[2] = in ? px[0] : 255;
                }
        }};
    ASSERT_EQ(
        engine_.StartShareVideo({avi_, mp4, MediaTime{500000}, MediaTime{2500000}}, format, &job_),
        MediaError::None);
    const ExportResult& result = Wait(*job_);
    ASSERT_EQ(result.error, MediaError::None) << result.text;
    EXPECT_EQ(std::tuple(result.frames, composed), std::tuple(40, 40));
    EXPECT_EQ(Probe(mp4, "stream=codec_name,pix_fmt,width,height,nb_read_frames"),
              "h264,96,80,yuv420p,40");
    EXPECT_NEAR(std::stod(Output("ffprobe -v error -of csv=p=0 -show_entries format=duration '" +
                                 mp4 + "'")),
                2.0, 0.05);
    // The index comes first, so a browser plays while the file still arrives.
    const std::string head = folder_.Read("share.mp4").substr(0, 64);
    EXPECT_NE(head.find("moov"), std::string::npos);

    // Cancelled while its first picture is composed, failed for a folder that does not exist:
    // no file, no temporary one.
    const std::string cancelled = folder_.File("cancelled.mp4");
    std::atomic<bool> asked{false};
    ShareVideoFormat held = format;
    held.compose = [&](const VideoFrame&, MediaTime, VideoFrame*) {
        while (!asked.load())
            std::this_thread::yield();
    };
    ASSERT_EQ(
        engine_.StartShareVideo({avi_, cancelled, MediaTime{0}, MediaTime{3000000}}, held, &job_),
        MediaError::None);
    job_->Cancel();
    asked.store(true);
    EXPECT_TRUE(Wait(*job_).cancelled);
    EXPECT_TRUE(NothingLeft(cancelled));
    const std::string nowhere = folder_.File("missing/cut.avi");
    ASSERT_EQ(engine_.StartSpanCopy({avi_, nowhere, MediaTime{0}, MediaTime{1000000}}, &job_),
              MediaError::None);
    const ExportResult& failed = Wait(*job_);
    EXPECT_EQ(failed.error, MediaError::NotFound);
    EXPECT_NE(failed.text.find("No such file or directory"), std::string::npos) << failed.text;
    EXPECT_TRUE(NothingLeft(nowhere));
    EXPECT_EQ(engine_.StartSpanCopy({avi_, mp4, MediaTime{2}, MediaTime{1}}, &job_),
              MediaError::InvalidArgument);
}

}  // namespace
}  // namespace velatrace
