#pragma once
// What the media benchmarks share: CPU clocks of the engine's threads and of child processes, and
// the ffmpeg command-line tool run as a child.
#include <sys/resource.h>
#include <sys/types.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "video/MediaEngine.h"
#include "video/ffmpeg/PatternCamera.h"

namespace velatrace::bench {

using Clock = std::chrono::steady_clock;

// What both media benchmarks start with: quiet FFmpeg, the test-pattern camera listed, the run
// length in seconds (argv[1], default 60) and the working folder (argv[2], made if missing).
struct BenchArgs {
    int seconds = 60;
    std::filesystem::path folder;
};
inline BenchArgs StartMediaBench(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    setenv("VELATRACE_TEST_CAMERA", "1", 1);
    BenchArgs args;
    args.seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    args.folder = argc > 2 ? std::filesystem::path(argv[2])
                           : std::filesystem::temp_directory_path() / "velatrace-bench";
    std::filesystem::create_directories(args.folder);
    return args;
}

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU seconds used so far by the process's threads named `name`, or -1 when there is none.
inline double ThreadCpu(const char* name) {
    namespace fs = std::filesystem;
    double total = -1;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc/self/task", ec)) {
        std::ifstream comm(e.path() / "comm");
        std::string n;
        std::getline(comm, n);
        if (n != name)
            continue;
        const pid_t tid = static_cast<pid_t>(std::stol(e.path().filename().string()));
        // The kernel's per-thread CPU clock of a thread id (what pthread_getcpuclockid makes).
        const clockid_t clock = static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | 6);
        timespec ts{};
        if (clock_gettime(clock, &ts) == 0)
            total = (total < 0 ? 0 : total) + ts.tv_sec + ts.tv_nsec / 1e9;
    }
    return total;
}

// CPU seconds of the calling thread.
inline double OwnCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

inline double ChildrenCpu() {
    rusage ru{};
    getrusage(RUSAGE_CHILDREN, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec +
           ru.ru_stime.tv_usec / 1e6;
}

// Runs the ffmpeg tool; returns its CPU seconds (or -1) and its wall time in *wall.
inline double RunTool(const std::string& args, double* wall = nullptr) {
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args;
    const double before = ChildrenCpu();
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    if (wall)
        *wall = Seconds(Clock::now() - start);
    return rc == 0 ? ChildrenCpu() - before : -1;
}

// The test-pattern camera's pictures made by the tool (the pattern, its clock and its neutral
// colour filter) as its input arguments, `seconds` long at 30 per second.
inline std::string PatternSource(int width, int height, int seconds) {
    return "-f lavfi -i testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) +
           ":rate=30 -t " + std::to_string(seconds) +
           " -vf \"drawtext=fontfile=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf:"
           "text='%{pts\\:hms}':fontsize=" +
           std::to_string(height / 12) +
           ":fontcolor=white:box=1:boxcolor=black@0.6:x=(w-tw)/2:y=h-th-lh/2,hue\" ";
}

// The test-pattern camera at 1280x720, 30 per second, recording into `path` when `record` (else
// holding), not yet running; null when it cannot be opened.
inline std::unique_ptr<Camera> PatternCamera(MediaEngine& engine, const std::string& path,
                                             bool record) {
    std::unique_ptr<Camera> camera;
    if (engine.OpenCamera(kPatternCameraDisplayName, &camera) != MediaError::None)
        return nullptr;
    camera->SetMode(VideoMode{1280, 720, MediaTime{33333}, ""});
    camera->Recording().SetFile(path.c_str());
    if (record)
        camera->Recording().Start(false);
    return camera;
}

}  // namespace velatrace::bench
