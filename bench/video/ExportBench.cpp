// Exports of a span of a 720p30 Motion-JPEG capture: the pair by stream copy (goal: at least
// 20 times real time) and the shared H.264 MP4 with the curves composed under every picture
// (goal: at least real time on two cores). The source is made once with the ffmpeg tool's test
// pattern (VELATRACE_EXPORT_SECONDS long, 600 unless set) in a temporary folder, with a wave file
// of one record per 100 ms; each run reports "realtime" = span seconds / wall-clock seconds.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "app/SyncedView.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"
#include "wave/WaveCsv.h"
#include "wave/WaveCsvSpan.h"

namespace velatrace {
namespace {

namespace fs = std::filesystem;

struct Source {
    fs::path folder;
    int seconds = 600;
    std::string avi, csv;
    Recording recording;
    bool ready = false;
};

Source& TheSource() {
    static Source source;
    if (source.ready || !source.avi.empty()) {
        return source;
    }
    const char* seconds = std::getenv("VELATRACE_EXPORT_SECONDS");
    source.seconds = seconds != nullptr ? std::max(1, std::atoi(seconds)) : 600;
    source.folder = fs::temp_directory_path() / "velatrace-export-bench";
    fs::create_directories(source.folder);
    // Named by its length, so a source of another length made earlier is not taken for it.
    const std::string name = "source-" + std::to_string(source.seconds) + "s";
    source.avi = (source.folder / (name + ".avi")).string();
    source.csv = (source.folder / (name + ".csv")).string();
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
        "testsrc=size=1280x720:rate=30 -t " +
        std::to_string(source.seconds) + " -c:v mjpeg -q:v 5 '" + source.avi + "'";
    if (!fs::exists(source.avi) && std::system(command.c_str()) != 0) {
        return source;
    }
    std::ofstream csv(source.csv, std::ios::binary);
    csv << "2026/12/07 10:00:00\r\n100MS\r\n10V,TC-K,,,,,,,,\r\n";
    for (int r = 0; r < source.seconds * 10; ++r) {
        csv << (r % 100) * 0.05 << "," << 20 + (r % 37) * 0.5 << ",,,,,,,,\r\n";
    }
    csv.close();
    LoadWaveCsv(source.csv.c_str(), LoggerSetup{}, source.recording);
    source.ready = true;
    return source;
}

void RunJob(benchmark::State& state, ExportJob& job, int seconds,
            std::chrono::steady_clock::time_point start) {
    while (!job.Done()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (Failed(job.Result().error)) {
        state.SkipWithError(job.Result().text.c_str());
        return;
    }
    state.counters["frames"] = static_cast<double>(job.Result().frames);
    state.counters["realtime"] = seconds / wall;
    state.SetIterationTime(wall);
}

void BM_ExportPairByStreamCopy(benchmark::State& state) {
    Source& source = TheSource();
    if (!source.ready) {
        state.SkipWithError("the ffmpeg tool could not make the source");
        return;
    }
    FfmpegMediaEngine engine;
    const std::string avi = (source.folder / "span.avi").string();
    const std::string csv = (source.folder / "span.csv").string();
    const double scales[kChannels] = {2000, 10, 10, 10, 10, 10, 10, 10, 10, 10};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<ExportJob> job;
        engine.StartSpanCopy({source.avi, avi, MediaTime{0}, MediaTime{source.seconds * 1000000LL}},
                             &job);
        while (!job->Done()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        WriteWaveCsvSpan(source.csv.c_str(), csv.c_str(), 0, source.seconds * 10, 0, scales);
        RunJob(state, *job, source.seconds, start);
    }
}
BENCHMARK(BM_ExportPairByStreamCopy)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

void BM_ExportShareVideo(benchmark::State& state) {
    Source& source = TheSource();
    if (!source.ready) {
        state.SkipWithError("the ffmpeg tool could not make the source");
        return;
    }
    FfmpegMediaEngine engine;
    WaveView view;
    view.ShowRecording(source.recording.setup, source.recording.records);
    SyncedViewSnapshot snapshot(source.recording, view);
    const QSize size = SyncedViewSize(QSize(1280, 720));
    const std::string mp4 = (source.folder / "share.mp4").string();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<ExportJob> job;
        engine.StartShareVideo(
            {source.avi, mp4, MediaTime{0}, MediaTime{source.seconds * 1000000LL}},
            {size.width(), size.height(), snapshot.Composer()}, &job);
        RunJob(state, *job, source.seconds, start);
    }
}
BENCHMARK(BM_ExportShareVideo)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

}  // namespace
}  // namespace velatrace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    // The curves are drawn with Qt's painter and fonts, off screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
