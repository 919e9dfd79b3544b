// Soak of a live session with captures running, the frame core driven headless as the window's
// event loop would drive it: the poll timer fires the armed period after each answer, the
// engine's wake-ups are handed over on this thread, and the capture is ended and started again
// every 10 minutes of logger time, so each part goes to its own numbered file.
//
//   logging: the simulated logger samples every 100 ms on a clock running `scale` times faster
//            than real time (24 hours of logging in under 15 minutes at 100), no camera. Channel 1
//            counts the sample index, so every CSV row can be traced to the point it came from:
//            the rows of all files must be the points 0, 1, 2, ... with none lost or doubled.
//            Resident memory is sampled every logger hour.
//   faults:  real time, the test-pattern camera at 1280x720 and 30 frames/s through the FFmpeg
//            engine, and a logger that swallows replies, garbles block headers, cuts replies
//            short and vanishes after five sixths of the run. The session must keep running,
//            every point the program received must be in the CSV once and in order, and each
//            AVI must open in ffprobe with its duration and decode near its end.
//
// Usage: bench_soak logging [hours=24] [scale=100]
//        bench_soak faults [minutes=30]
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchFolder.h"
#include "HeadlessFrame.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/SystemClock.h"
#include "base/FixedText.h"
#include "logger/DriverLibraryDl.h"
#include "settings/RegistryTree.h"
#include "support/FakeHost.h"
#include "video/FakeVideoSurface.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"

namespace {

using namespace velatrace;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

constexpr uint64_t kSwitchEveryMs = 10 * 60 * 1000;  // logger time per numbered file
constexpr uint64_t kHourMs = 3600 * 1000;
constexpr int kIndexWrap = 32768;  // channel 1's count runs 0..32767, then again

// Channel 1 reads the sample index (tenths of a degree, one per sample); the other default
// channels stay on so each point carries four channels.
constexpr char kLoggerSetup[] = R"(interval = 100ms
ch1 TEMP TC-K ramp 0 3276.8 32768
ch1 alarm OFF
)";

struct Plan {
    bool camera = false;
    uint32_t scale = 1;
    uint64_t lengthMs = 0;  // logger time
    std::string faults;     // extra lines for the simulated logger
};

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The numbered files of one kind in the folder, by number.
std::vector<std::string> NumberedFiles(const bench::BenchFolder& folder, const char* ext) {
    std::map<int, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder.File(""))) {
        const std::string name = entry.path().filename().string();
        int number = 0;
        char tail[8] = {};
        if (std::sscanf(name.c_str(), "run_%d.%7s", &number, tail) == 2 &&
            ext == std::string(tail)) {
            found[number] = entry.path().string();
        }
    }
    std::vector<std::string> files;
    for (auto& [number, path] : found) {
        files.push_back(path);
    }
    return files;
}

// What the CSV files hold, traced through channel 1's sample index.
struct CsvCheck {
    long rows = 0;
    long firstIndex = -1;  // the first row's sample index
    long lastIndex = -1;   // the last row's, unwrapped
    long doubled = 0;      // a row whose index is not past the one before (written twice)
    long gaps = 0;         // rows after a jump: the points between never reached the file
    long skipped = 0;      // points in those jumps
    long partial = 0;      // a line without its line end, or with a value that does not read
};

CsvCheck CheckCsvFiles(const std::vector<std::string>& files) {
    CsvCheck c;
    long previous = -1;
    for (const std::string& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        for (int n = 0; std::getline(in, line); ++n) {
            if (n < 3) {
                continue;  // the header lines
            }
            char* end = nullptr;
            const double value = std::strtod(line.c_str(), &end);
            if (line.empty() || line.back() != '\r' || end == line.c_str()) {
                ++c.partial;
                continue;
            }
            const long wrapped = std::lround(value * 10.0);
            ++c.rows;
            if (previous < 0) {
                c.firstIndex = c.lastIndex = previous = wrapped;
                continue;
            }
            const long step =
                ((wrapped - previous % kIndexWrap) % kIndexWrap + kIndexWrap) % kIndexWrap;
            if (step == 0) {
                ++c.doubled;
                continue;
            }
            if (step > 1) {
                ++c.gaps;
                c.skipped += step - 1;
            }
            previous += step;
            c.lastIndex = previous;
        }
    }
    return c;
}

// ffprobe's duration, frame size and packet count of a media file, and whether a frame near its
// end decodes (a seek there, then one picture decoded).
struct ClipCheck {
    double seconds = -1;
    std::string size;
    long packets = 0;
    bool endDecodes = false;
};

std::string Run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        pclose(pipe);
    }
    return out;
}

ClipCheck CheckClip(const std::string& path) {
    ClipCheck c;
    const std::string probe =
        Run("ffprobe -v error -count_packets -select_streams v:0 -show_entries "
            "stream=width,height,nb_read_packets:format=duration -of default=nw=1 '" +
            path + "' 2>&1");
    std::string width;
    std::string height;
    size_t at = 0;
    while (at < probe.size()) {
        const size_t end = probe.find('\n', at);
        const std::string line = probe.substr(at, end - at);
        at = end == std::string::npos ? probe.size() : end + 1;
        const size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "width")
            width = value;
        if (key == "height")
            height = value;
        if (key == "nb_read_packets")
            c.packets = std::atol(value.c_str());
        if (key == "duration" && value != "N/A")
            c.seconds = std::atof(value.c_str());
    }
    c.size = width + "x" + height;
    if (c.seconds > 2) {
        char seek[32];
        std::snprintf(seek, sizeof seek, "%.1f", c.seconds - 1.5);
        c.endDecodes = std::system(("ffmpeg -nostdin -v error -ss " + std::string(seek) + " -i '" +
                                    path + "' -frames:v 1 -f null - 2>/dev/null")
                                       .c_str()) == 0;
    }
    return c;
}

int Soak(const Plan& plan) {
    bench::BenchFolder folder("velatrace-soak");
    if (!folder.Made()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    std::ofstream(folder.File("sim.cfg")) << kLoggerSetup << "time_scale = " << plan.scale << "\n"
                                          << plan.faults;
    setenv("VELATRACE_SIM_CONFIG", folder.File("sim.cfg").c_str(), 1);
    if (plan.camera) {
        setenv("VELATRACE_TEST_CAMERA", "1", 1);  // lists the test-pattern camera
    }

    RegistryTree registry;
    CaptureSettings cs;
    CopyText(cs.path, folder.Folder().c_str());
    CopyText(cs.filename, "run");
    cs.autoNumber = 1;
    SettingsStore settings(registry);
    settings.SaveCapture(cs);
    if (plan.camera) {
        StreamSettings stream;
        stream.lvw = 1280;
        stream.lvh = 720;
        stream.lrate = 30;
        settings.SaveStrm(stream);
    }

    bench::HeadlessFrame headless(registry, VELATRACE_SIM_LIBRARY);
    testing::FakeHost& host = headless.host;
    testing::FakeTimers& timers = headless.timers;
    FfmpegMediaEngine& engine = headless.engine;
    std::atomic<bool>& woken = headless.woken;
    std::unique_ptr<MainFrame>& frame = headless.frame;
    if (!frame->Live().HasLogger() || frame->Live().HasCamera() != plan.camera) {
        std::fprintf(stderr, "the simulated devices did not connect (logger %d, camera %d)\n",
                     frame->Live().HasLogger(), frame->Live().HasCamera());
        return 1;
    }
    frame->OnCommand(cmd::kPreview);
    frame->OnCommand(cmd::kCapture);
    if (!frame->Live().IsCapturing()) {
        std::fprintf(stderr, "the capture did not start\n");
        return 1;
    }
    if (plan.camera) {
        const StreamSettings& s = frame->Video().Stream();
        std::printf("camera: %d x %d, %d frames/s\n", s.lvw, s.lvh, s.lrate);
    }
    std::printf("logger: %d channels, %d ms, clock x%u; %.2f logger hours, files every %llu min\n",
                frame->Setup().CountActiveChannels(), frame->Setup().intervalMs, plan.scale,
                static_cast<double>(plan.lengthMs) / kHourMs,
                static_cast<unsigned long long>(kSwitchEveryMs / 60000));
    std::fflush(stdout);

    const auto start = Steady::now();
    const auto loggerMs = [&] {
        return static_cast<uint64_t>(
                   std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start)
                       .count()) *
               plan.scale;
    };
    const auto handOverNews = [&] {
        if (woken.exchange(false, std::memory_order_acq_rel)) {
            frame->OnEngineNews();
        }
    };
    std::vector<long> residentKiB{ResidentKiB()};
    uint64_t nextHour = kHourMs;
    uint64_t nextSwitch = kSwitchEveryMs;
    long received = 0;  // whole points of every answer taken while capturing
    long polls = 0;
    long chainBreaks = 0;
    long restartsRefused = 0;
    bool stoppedCapturing = false;
    while (loggerMs() < plan.lengthMs) {
        // The timer fires its armed period after it was armed; news from the engine comes in
        // between, as queued calls would.
        const auto due = Steady::now() + std::chrono::milliseconds(
                                             std::max<uint32_t>(timers.Period(kTimerPoll), 1));
        if (!timers.Running(kTimerPoll)) {
            ++chainBreaks;
        }
        while (Steady::now() < due) {
            handOverNews();
            std::this_thread::sleep_for(plan.camera ? 5ms : 2ms);
        }
        handOverNews();
        host.posted.clear();
        const bool capturing = frame->Live().IsCapturing();
        const int32_t before = frame->Wave().WriteIndex();
        frame->OnTimer(kTimerPoll);
        ++polls;
        for (auto [result, bytes] : host.posted) {
            frame->OnLoggerData(result, bytes);
        }
        // The ring's write position counts the pieces of an oversized block too.
        if (capturing) {
            received += (frame->Wave().WriteIndex() - before + kRingRows) % kRingRows;
        }
        stoppedCapturing = stoppedCapturing || !frame->Live().IsCapturing();

        const uint64_t now = loggerMs();
        const std::string shown = host.recording;  // as the file ends, before a switch
        if (now >= nextSwitch && now < plan.lengthMs) {
            nextSwitch += kSwitchEveryMs;
            if (plan.camera) {
                std::printf("  %5.1f min: %s\n", static_cast<double>(now) / 60000, shown.c_str());
                std::fflush(stdout);
            }
            frame->OnCommand(cmd::kCapture);  // ends this file
            frame->OnCommand(cmd::kCapture);  // and starts the next number
            if (!frame->Live().IsCapturing()) {
                ++restartsRefused;
                frame->OnCommand(cmd::kCapture);
            }
        }
        if (now >= nextHour) {
            nextHour += kHourMs;
            residentKiB.push_back(ResidentKiB());
            std::printf("  %5.2f h: %ld KiB resident, %ld points, %s\n",
                        static_cast<double>(now) / kHourMs, residentKiB.back(), received,
                        shown.c_str());
            std::fflush(stdout);
        }
    }
    const bool live = frame->Live().IsLive();
    const bool capturing = frame->Live().IsCapturing();
    const std::string indicator = host.recording;
    const double wallSeconds = std::chrono::duration<double>(Steady::now() - start).count();
    const auto closing = Steady::now();
    frame->OnCommand(cmd::kCapture);
    residentKiB.push_back(ResidentKiB());
    frame->OnClose();
    engine.SetWakeCallback({});
    frame.reset();
    const double closeSeconds = std::chrono::duration<double>(Steady::now() - closing).count();

    const std::vector<std::string> csvFiles = NumberedFiles(folder, "csv");
    const CsvCheck csv = CheckCsvFiles(csvFiles);
    std::printf("ran %.0f s wall (closing %.1f s more), %ld polls, %zu message boxes%s\n",
                wallSeconds, closeSeconds, polls, host.boxes.size(), host.boxes.empty() ? "" : ":");
    for (size_t i = 0; i < host.boxes.size() && i < 5; ++i) {
        std::printf("  box: %s\n", host.boxes[i].text.c_str());
    }
    std::printf("at the end: %s, %s; indicator \"%s\"\n", live ? "live" : "NOT live",
                capturing ? "capturing" : "NOT capturing", indicator.c_str());
    std::printf("CSV: %zu files, %ld rows, points received while capturing %ld\n", csvFiles.size(),
                csv.rows, received);
    std::printf(
        "     sample index %ld..%ld (%ld points), doubled %ld, gaps %ld (%ld points), "
        "partial rows %ld\n",
        csv.firstIndex, csv.lastIndex, csv.lastIndex - csv.firstIndex + 1, csv.doubled, csv.gaps,
        csv.skipped, csv.partial);
    if (chainBreaks + restartsRefused > 0 || stoppedCapturing) {
        std::printf(
            "poll chain broken %ld times, capture restarts refused %ld, capture stopped "
            "on its own: %s\n",
            chainBreaks, restartsRefused, stoppedCapturing ? "yes" : "no");
    }
    bool ok = live && capturing && csv.rows == received && csv.doubled == 0 && csv.partial == 0 &&
              chainBreaks == 0 && restartsRefused == 0;

    // Memory: the first sample is taken at the start; growth is measured from the first logger
    // hour on, once every buffer has reached its working size.
    if (residentKiB.size() >= 3) {
        const double hours = static_cast<double>(residentKiB.size() - 2);
        const double perHour = static_cast<double>(residentKiB.back() - residentKiB[1]) / hours;
        std::printf(
            "resident: %ld KiB at start, %ld KiB after 1 h, %ld KiB at the end: %+.1f KiB "
            "per logger hour\n",
            residentKiB.front(), residentKiB[1], residentKiB.back(), perHour);
        ok = ok && perHour < 1024.0;
    }
    if (!plan.camera) {
        // Every point the logger took from the first on, in one unbroken run of rows.
        ok = ok && csv.firstIndex == 0 && csv.gaps == 0 &&
             csv.lastIndex - csv.firstIndex + 1 == csv.rows;
    } else {
        for (const std::string& avi : NumberedFiles(folder, "avi")) {
            const ClipCheck clip = CheckClip(avi);
            std::printf("AVI %s: %.1f s, %s, %ld frames, %s\n",
                        std::filesystem::path(avi).filename().c_str(), clip.seconds,
                        clip.size.c_str(), clip.packets,
                        clip.endDecodes ? "decodes near its end" : "does NOT decode near its end");
            ok = ok && clip.seconds > 0 && clip.endDecodes;
        }
    }
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    Plan plan;
    if (mode == "logging") {
        const double hours = argc > 2 ? std::atof(argv[2]) : 24.0;
        plan.scale = argc > 3 ? static_cast<uint32_t>(std::max(1, std::atoi(argv[3]))) : 100;
        plan.lengthMs = static_cast<uint64_t>(std::max(0.01, hours) * kHourMs);
    } else if (mode == "faults") {
        const double minutes = argc > 2 ? std::atof(argv[2]) : 30.0;
        plan.camera = true;
        plan.lengthMs = static_cast<uint64_t>(std::max(0.1, minutes) * 60000);
        // Faults counted in the logger's replies from open; the device vanishes after five
        // sixths of the run, and the session goes on polling it until the end.
        plan.faults =
            "timeout_every = 53\nbad_header_every = 41\nshort_reply_every = 67\n"
            "disconnect_after_ms = " +
            std::to_string(plan.lengthMs * 5 / 6) + "\n";
    } else {
        std::fprintf(stderr,
                     "usage: %s logging [hours=24] [scale=100]\n"
                     "       %s faults [minutes=30]\n",
                     argv[0], argv[0]);
        return 1;
    }
    return Soak(plan);
}
