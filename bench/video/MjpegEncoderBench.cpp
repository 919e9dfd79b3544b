// Motion-JPEG encoding of raw camera pictures, beside the ffmpeg command-line tool in the same run:
//   encode   720p pictures of the test-pattern source, held in memory: the tool's "-c:v mjpeg
//            -q:v 3" (one thread; its reading of the same raw pictures taken away), then a table
//            of the engine's JPEG encoder (one thread) at several settings: the former one (the
//            standard's tables at quality 92 and the fast DCT, byte for byte what the TurboJPEG
//            API made), the fine tables at a range of levels with the standard's Huffman tables,
//            with tables made for each picture and with tables made once in 30 pictures, and the
//            capture setting. Each row has bytes per frame, PSNR against the source (all planes
//            and luma) and CPU per frame, and their ratios to the tool's (how the capture setting
//            is chosen: the tool's size within 5 % at no lower PSNR, in luma and over all planes,
//            at no more than half its CPU);
//   capture  the test-pattern camera at 1920x1080, 30 fps, for N seconds (default 60): frames
//            dropped, and CPU per frame of the encoder threads, the camera thread and the whole
//            process.
// Usage: bench_mjpeg [seconds] [folder]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "BenchTools.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"
#include "video/ffmpeg/JpegEncoder.h"
#include "video/ffmpeg/PatternCamera.h"
#include "video_ffmpeg/WakeWaiter.h"

namespace {

using namespace velatrace;
using namespace velatrace::bench;
namespace fs = std::filesystem;

constexpr int kWidth = 1280, kHeight = 720, kClipSeconds = 5;
constexpr int kToolQuantiser = 3;

// Raw 4:2:0 full-range pictures, as the tool wrote them (planes packed one after another).
std::vector<AvFramePtr> ReadRaw(const std::string& path) {
    std::vector<AvFramePtr> frames;
    std::ifstream in(path, std::ios::binary);
    for (;;) {
        AvFramePtr f = MakeFrame();
        f->format = AV_PIX_FMT_YUVJ420P;
        f->width = kWidth, f->height = kHeight;
        f->color_range = AVCOL_RANGE_JPEG;
        if (av_frame_get_buffer(f.get(), 0) < 0)
            break;
        for (int p = 0; p < 3; ++p) {
            const int w = p ? kWidth / 2 : kWidth, h = p ? kHeight / 2 : kHeight;
            for (int y = 0; y < h; ++y)
                in.read(reinterpret_cast<char*>(f->data[p] + y * f->linesize[p]), w);
        }
        if (!in)
            break;
        frames.push_back(std::move(f));
    }
    return frames;
}

// Squared error summed over all samples of the three planes, and the number of samples.
struct Fidelity {
    double squares = 0, samples = 0, lumaSquares = 0, lumaSamples = 0;
    int64_t bytes = 0, frames = 0;
    void Add(const AVFrame* decoded, const AVFrame* source, int64_t packetBytes) {
        for (int p = 0; p < 3; ++p) {
            const int w = p ? kWidth / 2 : kWidth, h = p ? kHeight / 2 : kHeight;
            double plane = 0;
            for (int y = 0; y < h; ++y) {
                const uint8_t* a = decoded->data[p] + y * decoded->linesize[p];
                const uint8_t* b = source->data[p] + y * source->linesize[p];
                for (int x = 0; x < w; ++x) {
                    const int d = a[x] - b[x];
                    plane += d * d;
                }
            }
            squares += plane;
            samples += static_cast<double>(w) * h;
            if (p == 0)
                lumaSquares += plane, lumaSamples += static_cast<double>(w) * h;
        }
        bytes += packetBytes;
        ++frames;
    }
    double LumaPsnr() const {
        return 10 * std::log10(255.0 * 255.0 * lumaSamples / std::max(lumaSquares, 1.0));
    }
    double Psnr() const {
        return 10 * std::log10(255.0 * 255.0 * samples / std::max(squares, 1.0));
    }
    double BytesPerFrame() const { return frames ? static_cast<double>(bytes) / frames : 0; }
};

// Decodes JPEG packets one at a time.
struct JpegDecoder {
    AvCodecContextPtr ctx;
    AvFramePtr frame = MakeFrame();
    JpegDecoder() {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
        ctx.reset(avcodec_alloc_context3(codec));
        avcodec_open2(ctx.get(), codec, nullptr);
    }
    const AVFrame* Decode(const AVPacket* packet) {
        if (avcodec_send_packet(ctx.get(), packet) < 0 ||
            avcodec_receive_frame(ctx.get(), frame.get()) < 0)
            return nullptr;
        return frame.get();
    }
};

// Encodes every picture with the engine's encoder at `settings`; the smallest CPU time of `passes`
// passes, and the fidelity of the last.
double EngineEncode(const std::vector<AvFramePtr>& frames, const JpegSettings& settings, int passes,
                    Fidelity* fid) {
    JpegEncoder encoder(settings);
    std::vector<AvPacketPtr> packets(frames.size());
    double best = -1;
    for (int pass = 0; pass < passes; ++pass) {
        const double start = OwnCpu();
        for (size_t i = 0; i < frames.size(); ++i) {
            if (Failed(encoder.Encode(frames[i].get(), &packets[i]))) {
                std::printf("encoder failed: %s\n", encoder.ErrorText().c_str());
                return -1;
            }
        }
        const double cpu = OwnCpu() - start;
        best = best < 0 ? cpu : std::min(best, cpu);
    }
    JpegDecoder decoder;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (const AVFrame* d = decoder.Decode(packets[i].get()))
            fid->Add(d, frames[i].get(), packets[i]->size);
    }
    return best;
}

// The fidelity of the tool's file against the source pictures.
Fidelity ToolFidelity(const std::string& avi, const std::vector<AvFramePtr>& frames) {
    Fidelity fid;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, avi.c_str(), nullptr, nullptr) < 0)
        return fid;
    JpegDecoder decoder;
    AvPacketPtr packet = MakePacket();
    size_t i = 0;
    while (i < frames.size() && av_read_frame(in, packet.get()) >= 0) {
        if (const AVFrame* d = decoder.Decode(packet.get()))
            fid.Add(d, frames[i++].get(), packet->size);
        av_packet_unref(packet.get());
    }
    avformat_close_input(&in);
    return fid;
}

void EncodeComparison(const fs::path& folder) {
    const std::string raw = (folder / "pattern720p.yuv").string();
    const std::string toolAvi = (folder / "tool720p.avi").string();
    std::printf("== Encode: %d s of 1280x720 test pattern, in memory ==\n", kClipSeconds);
    if (RunTool(PatternSource(kWidth, kHeight, kClipSeconds) + "-pix_fmt yuvj420p -f rawvideo '" +
                raw + "'") < 0) {
        std::printf("ffmpeg tool not available\n");
        return;
    }
    const std::vector<AvFramePtr> frames = ReadRaw(raw);
    const auto n = static_cast<double>(frames.size());
    // The tool reads the same raw pictures; the least disturbed of three runs of each.
    const std::string input = "-f rawvideo -pix_fmt yuvj420p -s 1280x720 -r 30 -i '" + raw + "' ";
    double toolEncode = -1, toolRead = -1;
    for (int i = 0; i < 3; ++i) {
        const double e = RunTool(input + "-threads 1 -c:v mjpeg -q:v " +
                                 std::to_string(kToolQuantiser) + " '" + toolAvi + "'");
        const double r = RunTool(input + "-f null -");
        toolEncode = e >= 0 && (toolEncode < 0 || e < toolEncode) ? e : toolEncode;
        toolRead = r >= 0 && (toolRead < 0 || r < toolRead) ? r : toolRead;
    }
    const Fidelity tool = ToolFidelity(toolAvi, frames);
    const double toolPerFrame = (toolEncode - toolRead) / n * 1000;
    std::printf("frames %zu\n", frames.size());
    std::printf(
        "ffmpeg tool (-threads 1 -c:v mjpeg -q:v %d): %.2f ms CPU/frame (%.2f s in all, "
        "%.2f s reading), %.0f bytes/frame, PSNR %.2f dB (luma %.2f dB)\n",
        kToolQuantiser, toolPerFrame, toolEncode, toolRead, tool.BytesPerFrame(), tool.Psnr(),
        tool.LumaPsnr());
    std::printf(
        "engine settings                   bytes/frame  PSNR dB  luma dB  CPU ms  | vs tool: size  "
        " "
        "PSNR  luma    CPU\n");
    // Prints one setting's row; its CPU per frame over the tool's.
    const auto row = [&](const char* name, const JpegSettings& settings, Fidelity* out = nullptr) {
        Fidelity f;
        const double cpu = EngineEncode(frames, settings, 3, &f) / n * 1000;
        std::printf("%-32s  %11.0f  %7.2f  %7.2f  %6.2f  |  %+7.1f%%  %+5.2f %+5.2f  %5.2fx\n",
                    name, f.BytesPerFrame(), f.Psnr(), f.LumaPsnr(), cpu,
                    (f.BytesPerFrame() / tool.BytesPerFrame() - 1) * 100, f.Psnr() - tool.Psnr(),
                    f.LumaPsnr() - tool.LumaPsnr(), cpu / toolPerFrame);
        if (out)
            *out = f;
        return cpu / toolPerFrame;
    };
    // What the TurboJPEG API made: the standard's tables and the fast DCT.
    row("former: standard q 92, fast DCT", {JpegSettings::Tables::Standard, 92, 0, true});
    char name[64];
    const auto huffman = [&](int every) {
        return every == 0   ? std::string()
               : every == 1 ? std::string(", own Huffman")
                            : ", Huffman/" + std::to_string(every);
    };
    for (const int every : {0, 1, 30}) {
        for (int level = 12; level <= 15; ++level) {
            std::snprintf(name, sizeof name, "fine %d/32%s", level, huffman(every).c_str());
            row(name, {JpegSettings::Tables::Fine, level, every});
        }
    }
    row("fine 13/32, Huffman/30, fast DCT", {JpegSettings::Tables::Fine, 13, 30, true});
    const JpegSettings& chosen = JpegEncoder::kCaptureSettings;
    std::snprintf(name, sizeof name, "capture: fine %d/32%s", chosen.level,
                  huffman(chosen.optimizeEvery).c_str());
    Fidelity engine;
    const double cpuRatio = row(name, chosen, &engine);
    std::printf(
        "goals for the capture setting: size within 5 %% (%s), PSNR and luma not lower (%s), "
        "CPU at most 0.50x (%s)\n",
        std::abs(engine.BytesPerFrame() / tool.BytesPerFrame() - 1) <= 0.05 ? "met" : "missed",
        engine.Psnr() >= tool.Psnr() && engine.LumaPsnr() >= tool.LumaPsnr() ? "met" : "missed",
        cpuRatio <= 0.5 ? "met" : "missed");
    std::error_code ec;
    fs::remove(raw, ec);
    fs::remove(toolAvi, ec);
}

double ProcessCpu() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec +
           ru.ru_stime.tv_usec / 1e6;
}

double EncoderCpu() {
    return std::max(0.0, ThreadCpu("vt-encoder")) + std::max(0.0, ThreadCpu("vt-jpeg"));
}

void Capture1080p(const fs::path& folder, int seconds) {
    std::printf("\n== Capture: test-pattern camera 1920x1080 at 30 fps, %d s, preview on ==\n",
                seconds);
    const std::string avi = (folder / "capture1080p.avi").string();
    velatrace::testing::WakeWaiter waiter;
    FfmpegMediaEngine engine;
    engine.SetWakeCallback(waiter.Callback());
    std::unique_ptr<Camera> graph;
    if (engine.OpenCamera(kPatternCameraDisplayName, &graph) != MediaError::None) {
        std::printf("no test-pattern camera\n");
        return;
    }
    graph->SetMode(VideoMode{1920, 1080, MediaTime{33333}, ""});
    graph->Recording().SetFile(avi.c_str());
    graph->Recording().Start(false);
    const double cpuBefore = ProcessCpu();
    const auto start = Clock::now();
    if (graph->Start() != MediaError::None) {
        std::printf("capture failed to run\n");
        return;
    }
    const int32_t width = graph->Mode().width, height = graph->Mode().height;
    VideoFrame frame;
    double encoderCpu = 0, cameraCpu = 0;
    waiter.WaitUntil(
        [&] {
            while (graph->TakeLatestFrame(&frame)) {
            }
            encoderCpu = std::max(encoderCpu, EncoderCpu());
            cameraCpu = std::max(cameraCpu, ThreadCpu("vt-camera"));
            return frame.timestamp.count() >= static_cast<int64_t>(seconds) * 1000000 - 1;
        },
        std::chrono::seconds(seconds + 30));
    graph->Recording().Stop();
    encoderCpu = std::max(encoderCpu, EncoderCpu());
    graph->Stop();
    const double wall = Seconds(Clock::now() - start);
    const double processCpu = ProcessCpu() - cpuBefore;
    int64_t dropped = 0, written = 0;
    graph->Recording().Counts(&dropped, &written);
    const double offered = static_cast<double>(written + dropped);
    std::printf(
        "delivered %dx%d; frames written %lld, dropped %lld (goal 0), wall %.1f s, "
        "file %.1f MB (%.0f bytes/frame)\n",
        width, height, static_cast<long long>(written), static_cast<long long>(dropped), wall,
        static_cast<double>(fs::file_size(avi)) / 1e6,
        written ? static_cast<double>(fs::file_size(avi)) / written : 0.0);
    std::printf(
        "CPU per frame: encoder threads %.2f ms, camera thread (pattern, clock, preview "
        "BGRA) %.2f ms, whole process %.2f ms (%.0f %% of one core)\n",
        written ? encoderCpu / written * 1000 : 0.0, cameraCpu / offered * 1000,
        processCpu / offered * 1000, processCpu / wall * 100);
    std::error_code ec;
    fs::remove(avi, ec);
}

}  // namespace

int main(int argc, char** argv) {
    const auto [seconds, folder] = StartMediaBench(argc, argv);
    EncodeComparison(folder);
    Capture1080p(folder, seconds);
    return 0;
}
