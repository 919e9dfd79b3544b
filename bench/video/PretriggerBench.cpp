// What keeping the pre-trigger's frames costs while the preview runs: the test-pattern camera at
// 1280x720, 30 fps, previewed for N seconds (default 20) with the capture held, once keeping
// nothing (the baseline) and once keeping 10 s. Figures: the engine threads' CPU per second of
// preview, and the memory the kept frames take (measured as the bytes they fill in the AVI when a
// capture starts with them) beside the estimate the capture settings dialog states.
// Usage: bench_pretrigger [seconds] [folder]
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "BenchTools.h"
#include "session/Pretrigger.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"
#include "video_ffmpeg/WakeWaiter.h"

namespace {

using namespace velatrace;
using namespace velatrace::bench;

constexpr int kKeptSeconds = 10;

struct PreviewResult {
    bool ok = false;
    double cpuPerSecond = 0;  // camera, encoder and helper threads
    int64_t fileBytes = 0;
    int64_t written = 0;
};

double EngineCpu() {
    return std::max(0.0, ThreadCpu("vt-camera")) + std::max(0.0, ThreadCpu("vt-encoder")) +
           std::max(0.0, ThreadCpu("vt-jpeg"));
}

PreviewResult Preview(const std::string& path, int seconds, int32_t keep) {
    PreviewResult r;
    testing::WakeWaiter waiter;
    FfmpegMediaEngine engine;
    engine.SetWakeCallback(waiter.Callback());
    std::unique_ptr<Camera> graph = PatternCamera(engine, path, false);
    if (!graph)
        return r;
    graph->Recording().KeepPretrigger(keep, kPretriggerMemoryLimit);
    if (graph->Start() != MediaError::None)
        return r;
    VideoFrame frame;
    waiter.WaitUntil(
        [&] {
            while (graph->TakeLatestFrame(&frame)) {
            }
            r.cpuPerSecond = EngineCpu();
            return frame.timestamp.count() >= static_cast<int64_t>(seconds) * 1000000 - 1;
        },
        std::chrono::seconds(seconds + 30));
    r.cpuPerSecond /= seconds;
    // A capture that starts with what was kept, ended at once: the file is the kept frames.
    graph->Recording().Start(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    graph->Recording().Stop();
    graph->Stop();
    int64_t dropped = 0;
    graph->Recording().Counts(&dropped, &r.written);
    std::error_code ec;
    r.fileBytes = static_cast<int64_t>(std::filesystem::file_size(path, ec));
    r.ok = !ec;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    BenchArgs args = StartMediaBench(argc, argv);
    if (argc <= 1)
        args.seconds = 20;
    const PreviewResult base = Preview((args.folder / "held.avi").string(), args.seconds, 0);
    const PreviewResult kept =
        Preview((args.folder / "pretrigger.avi").string(), args.seconds, kKeptSeconds);
    if (!base.ok || !kept.ok) {
        std::fprintf(stderr, "the test-pattern camera did not run\n");
        return 1;
    }
    const double mb = 1024.0 * 1024.0;
    std::printf("preview %d s at 1280x720, 30 fps, capture held\n", args.seconds);
    std::printf(
        "  engine CPU per second of preview: keeping nothing %.3f s, keeping %d s %.3f s "
        "(%.2fx)\n",
        base.cpuPerSecond, kKeptSeconds, kept.cpuPerSecond,
        kept.cpuPerSecond / std::max(base.cpuPerSecond, 1e-9));
    std::printf(
        "  kept frames: %lld written at the start, %.1f MB; the dialog states about %.1f MB\n",
        static_cast<long long>(kept.written), kept.fileBytes / mb,
        PretriggerMemoryEstimate(kKeptSeconds, 1280, 720, 30) / mb);
    return 0;
}
