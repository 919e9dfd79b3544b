// Replay sync: how far the wave cursor is from the clip's own position while a recorded pair
// plays through the real FFmpeg engine, in real time, with a seek every 5 s (forward and back).
//
// A 60 s Motion-JPEG AVI (made with the ffmpeg command-line tool) and a CSV of 600 records at
// 100 ms (made with the program's own writer) are opened with File Open. The replay timer is
// driven every 100 ms of wall time, the engine's wake-ups are handed to the frame on this thread.
// At each replay tick the cursor time (displayed row x record interval) is compared with the
// clip position. For comparison, a cursor advanced by wall-clock time since the last seek is
// compared with the same clip position.
//
// Usage: bench_replay_sync [seconds] [trace]   (replay length, default 60; "trace" prints every
// tick's cursor row, clip position and wall-clock row)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
#include "wave/WaveCsv.h"

namespace {

using namespace velatrace;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

constexpr int kClipSeconds = 60;
constexpr int kRecords = 600;
constexpr int32_t kIntervalMs = 100;
constexpr auto kTickPeriod = 100ms;
constexpr auto kSeekPeriod = 5s;
// Seek targets in percent of the clip, forward and back; none so late that the clip ends
// before the next seek.
constexpr int kSeekPercents[] = {50, 20, 80, 10, 65, 35, 85, 5, 70, 25, 45, 60};

bool MakeClip(const std::string& path) {
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=20"
        " -t " +
        std::to_string(kClipSeconds) + " -c:v mjpeg '" + path + "'";
    return std::system(command.c_str()) == 0;
}

// The recording's wave file, written as a capture writes it: ten 10 V channels, one record per
// 100 ms, channel 1 counting up so a record's row can be read back from its value.
bool MakeWaveFile(const bench::BenchFolder& folder, const char* base) {
    auto wave = std::make_unique<WaveBuffer>();
    LoggerSetup setup;
    setup.intervalMs = kIntervalMs;
    CopyText(setup.samplingText, "100MS");
    for (ChannelInfo& ch : setup.channel) {
        CopyText(ch.input, "DC");
        CopyText(ch.range, "10V");
        ch.type = kTypeVoltage;
        ch.scale = 2000.0;
    }
    setup.channelCount = kChannels;
    setup.bytesPerPoint = 2 * kChannels;
    SystemClock clock;
    WaveCsv csv(*wave, setup, clock);
    csv.BeginCsv(folder.Folder().c_str(), base, 0, 0);
    // The records arrive as the logger's points: big-endian 16-bit counts.
    std::vector<uint8_t> points(static_cast<size_t>(kRecords) * 2 * kChannels);
    for (int row = 0; row < kRecords; ++row) {
        for (int c = 0; c < kChannels; ++c) {
            const int32_t count = c == 0 ? row * 10 : (row * (c + 1) * 37) % 20000 - 10000;
            points[(row * kChannels + c) * 2] = static_cast<uint8_t>(count >> 8);
            points[(row * kChannels + c) * 2 + 1] = static_cast<uint8_t>(count);
        }
    }
    wave->AppendPoints(PointLayout(setup), points.data(), static_cast<int32_t>(points.size()));
    const bool ok = csv.AppendCsv();
    csv.EndCsv();
    return ok;
}

struct Summary {
    double max = 0;
    double p99 = 0;
    double median = 0;
};

// How far a clip position lies outside the 100 ms span of the record at `row` (0 inside it).
double OutsideSpan(double clipMs, int64_t row, int32_t interval) {
    const double from = static_cast<double>(row) * interval;
    const double to = from + interval;
    return clipMs < from ? from - clipMs : (clipMs >= to ? clipMs - to : 0.0);
}

Summary Summarise(std::vector<double> v) {
    Summary s;
    if (v.empty()) {
        return s;
    }
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) {
        return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
    };
    s.max = v.back();
    s.p99 = at(0.99);
    s.median = at(0.5);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const int runSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kClipSeconds;
    const bool trace = argc > 2 && std::string(argv[2]) == "trace";

    bench::BenchFolder folder("velatrace-replay-sync");
    if (!folder.Made()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string clip = folder.File("run.avi");
    if (!MakeClip(clip)) {
        std::fprintf(stderr, "the ffmpeg tool could not make %s\n", clip.c_str());
        return 1;
    }
    if (!MakeWaveFile(folder, "run")) {
        std::fprintf(stderr, "cannot write %s\n", folder.File("run.csv").c_str());
        return 1;
    }

    // The frame with the real engine and clock; no logger library, so nothing is live.
    RegistryTree registry;
    bench::HeadlessFrame headless(registry, "/nonexistent/libgtcusbr.so");
    testing::FakeHost& host = headless.host;
    testing::FakeTimers& timers = headless.timers;
    FfmpegMediaEngine& engine = headless.engine;
    std::atomic<bool>& woken = headless.woken;
    std::unique_ptr<MainFrame>& frame = headless.frame;

    host.openAnswer = clip;
    host.openKind = 1;
    frame->OnCommand(cmd::kFileOpen);
    if (!frame->Replay().IsOpen() || !timers.Running(kTimerReplay)) {
        std::fprintf(stderr, "the recording did not open\n");
        return 1;
    }
    const int32_t interval = frame->View().Source().Setup().intervalMs;
    std::printf("recording: %d s clip, %d records at %d ms\n",
                static_cast<int>(frame->Video().ClipLength().count() / 1000000),
                frame->Replay().Records(), interval);

    std::vector<double> cursorGap;   // |cursor time - clip position|, ms
    std::vector<double> wallGap;     // the same for a cursor moved by wall-clock time
    std::vector<double> cursorSpan;  // clip position outside the shown record's span, ms
    std::vector<double> wallSpan;
    int32_t wallBaseRow = 0;  // the row the wall-clock cursor started from
    Steady::time_point wallBase = Steady::now();
    int seeks = 0;
    // Ticks whose cursor is not the record at the clip position (the record whose 100 ms span
    // holds it), and the largest distance in records.
    int cursorOff = 0;
    int64_t cursorOffMax = 0;
    int wallOff = 0;
    int64_t wallOffMax = 0;
    int ticks = 0;
    int wakes = 0;
    bool ended = false;

    const auto start = Steady::now();
    auto nextTick = start + kTickPeriod;
    auto nextSeek = start + kSeekPeriod;
    const auto stopAt = start + std::chrono::seconds(runSeconds);
    while (Steady::now() < stopAt) {
        // Wait for the next replay tick, handing over engine news as it comes (the window would
        // get it as a queued call between timer events).
        while (Steady::now() < nextTick) {
            if (woken.exchange(false, std::memory_order_acq_rel)) {
                ++wakes;
                frame->OnEngineNews();
            }
            std::this_thread::sleep_for(1ms);
        }
        nextTick += kTickPeriod;
        if (woken.exchange(false, std::memory_order_acq_rel)) {
            ++wakes;
            frame->OnEngineNews();
        }

        if (Steady::now() >= nextSeek) {
            nextSeek += kSeekPeriod;
            const int percent = kSeekPercents[seeks % std::size(kSeekPercents)];
            ++seeks;
            frame->OnSeekBar(SeekEvent::ThumbPosition, percent);
            wallBaseRow = frame->View().DisplayRow();
            wallBase = Steady::now();
        }

        if (!timers.Running(kTimerReplay)) {
            ended = true;  // the clip played to its end
            break;
        }
        frame->OnTimer(kTimerReplay);
        ++ticks;

        const int64_t position = frame->Video().ClipPosition().count();  // microseconds
        const double clipMs = static_cast<double>(position) / 1000.0;
        // The cursor is one past the newest record drawn; that record is compared.
        const int32_t shown = frame->View().DisplayRow() - 1;
        const double cursorMs = static_cast<double>(shown) * interval;
        cursorGap.push_back(std::fabs(cursorMs - clipMs));

        const auto elapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - wallBase).count();
        const int64_t wallRow = std::min<int64_t>(
            wallBaseRow + elapsedMs / (interval > 0 ? interval : 100), frame->Replay().Records());
        wallGap.push_back(std::fabs(static_cast<double>((wallRow - 1) * interval) - clipMs));

        const int64_t clipRow =
            std::min<int64_t>(position / (int64_t{interval} * 1000), frame->Replay().Records() - 1);
        cursorSpan.push_back(OutsideSpan(clipMs, shown, interval));
        wallSpan.push_back(OutsideSpan(clipMs, wallRow - 1, interval));
        const int64_t cursorRows = std::llabs(shown - clipRow);
        const int64_t wallRows = std::llabs(wallRow - 1 - clipRow);
        cursorOff += cursorRows != 0;
        cursorOffMax = std::max(cursorOffMax, cursorRows);
        wallOff += wallRows != 0;
        wallOffMax = std::max(wallOffMax, wallRows);
        if (trace) {
            std::printf("%8.3f s  clip %9.1f ms  cursor row %4d  wall-clock row %4lld\n",
                        std::chrono::duration<double>(Steady::now() - start).count(), clipMs,
                        frame->View().DisplayRow(), static_cast<long long>(wallRow));
        }
    }
    const double ranSeconds = std::chrono::duration<double>(Steady::now() - start).count();

    frame->OnCommand(cmd::kFileClose);
    engine.SetWakeCallback({});
    frame.reset();

    const Summary cursor = Summarise(cursorGap);
    const Summary wall = Summarise(wallGap);
    std::printf("replay: %.1f s of wall time, %d ticks, %d seeks, %d engine wake-ups%s\n",
                ranSeconds, ticks, seeks, wakes, ended ? ", clip ended" : "");
    std::printf("record interval              %d ms\n", interval);
    std::printf("cursor on the clip's clock   max %.1f ms  p99 %.1f ms  median %.1f ms\n",
                cursor.max, cursor.p99, cursor.median);
    std::printf("cursor on wall-clock time    max %.1f ms  p99 %.1f ms  median %.1f ms\n", wall.max,
                wall.p99, wall.median);
    const Summary cursorOut = Summarise(cursorSpan);
    const Summary wallOut = Summarise(wallSpan);
    std::printf(
        "clip position outside the shown record's span: clip's clock max %.1f ms p99 "
        "%.1f ms, wall-clock max %.1f ms p99 %.1f ms\n",
        cursorOut.max, cursorOut.p99, wallOut.max, wallOut.p99);
    std::printf(
        "ticks off the record at the clip position: clip's clock %d (max %lld records), "
        "wall-clock %d (max %lld records)\n",
        cursorOff, static_cast<long long>(cursorOffMax), wallOff,
        static_cast<long long>(wallOffMax));
    std::printf("within one record interval:  %s\n", cursor.max <= interval ? "yes" : "no");
    return 0;
}
