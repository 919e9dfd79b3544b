// Poll tick cost: the GUI thread's time for one logger poll tick of a live session with a
// capture running, against the bare driver read of the same acknowledge poll.
//
// The frame runs on the simulated logger with all ten channels on and a 10 ms sampling interval,
// no camera, the preview started and a capture writing its CSV into a temporary folder. A tick is
// OnTimer(poll) plus the OnLoggerData calls it posted, as the window's event loop runs them. The
// bare read is LoggerProtocol::PollAck on a second simulated logger with a sink that only counts.
// The simulated logger samples in real time, so ticks are paced 15 ms apart outside the timing.
//
// Usage: bench_poll_tick [ticks]   (default 3000)
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchFolder.h"
#include "TenChannelLogger.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/SystemClock.h"
#include "base/FixedText.h"
#include "logger/DriverLibraryDl.h"
#include "logger/LoggerProtocol.h"
#include "settings/RegistryTree.h"
#include "support/FakeHost.h"
#include "video/FakeMediaEngine.h"

namespace {

using namespace velatrace;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

constexpr int kDefaultTicks = 3000;
constexpr int kWarmUpTicks = 20;
constexpr auto kPace = 15ms;
constexpr int kPointBytes = 48;

constexpr const char* kBench = kTenChannelLogger;

class CountingSink : public AckSink {
  public:
    void Piece(uint32_t byteCount) override { bytes += byteCount; }
    void Complete(uint32_t result, uint32_t byteCount) override {
        ++answers;
        if (result == 0) {
            bytes += byteCount;
        }
    }
    uint64_t bytes = 0;
    int answers = 0;
};

double Micros(Steady::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Summary {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};

Summary Summarise(std::vector<double> v) {
    Summary s;
    if (v.empty()) {
        return s;
    }
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) {
        return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
    };
    s.p50 = at(0.5);
    s.p99 = at(0.99);
    s.max = v.back();
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultTicks;

    bench::BenchFolder folder("velatrace-poll-tick");
    if (!folder.Made()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    std::ofstream(folder.File("sim.cfg")) << kBench;
    setenv("VELATRACE_SIM_CONFIG", folder.File("sim.cfg").c_str(), 1);

    RegistryTree registry;
    CaptureSettings cs;
    CopyText(cs.path, folder.Folder().c_str());
    CopyText(cs.filename, "run");
    SettingsStore(registry).SaveCapture(cs);

    SystemClock clock;
    testing::FakeHost host;
    testing::FakeTimers timers;
    testing::FakeMediaEngine engine;  // no cameras
    NoStillTransfer transfer;
    NoPropertyPages pages;
    DriverLibraryDl driver(VELATRACE_SIM_LIBRARY);
    auto frame = std::make_unique<MainFrame>(FramePorts{host.Ports(), timers, clock, registry,
                                                        driver, engine, nullptr, transfer, pages});
    frame->Create();
    frame->OnTimer(kTimerStartup);
    if (!frame->Live().HasLogger()) {
        std::fprintf(stderr, "the simulated logger did not connect\n");
        return 1;
    }
    frame->OnCommand(cmd::kPreview);
    frame->OnCommand(cmd::kCapture);
    if (!frame->Live().IsCapturing() || !timers.Running(kTimerPoll)) {
        std::fprintf(stderr, "the capture did not start\n");
        return 1;
    }
    std::printf("frame: %d channels on, %d ms interval, %d bytes per point, capturing to %s\n",
                frame->Setup().CountActiveChannels(), frame->Setup().intervalMs,
                frame->Setup().bytesPerPoint, folder.File("run.csv").c_str());

    // The bare read: a logger of its own, connected the way the frame connects.
    DriverLibraryDl bareDriver(VELATRACE_SIM_LIBRARY);
    LoggerLink bareLink(bareDriver);
    LoggerProtocol bareProtocol(bareLink, clock);
    const LoggerProtocol::Connection bare = bareProtocol.ConnectLogger(kTerminatorCrLf);
    if (!bare.opened || bare.queryResult != 0) {
        std::fprintf(stderr, "the second simulated logger did not connect\n");
        return 1;
    }
    CountingSink sink;

    std::vector<double> tickUs;
    std::vector<double> readUs;
    std::vector<double> csvTickUs;    // ticks that wrote a batch of CSV rows
    std::vector<double> plainTickUs;  // ticks that did not
    uintmax_t lastCsvSize = 0;
    // Split by order: first after the pause (caches cold, as for a timer after idle time) or
    // right after the other one.
    std::vector<double> tickFirstUs;
    std::vector<double> tickSecondUs;
    std::vector<double> readFirstUs;
    std::vector<double> readSecondUs;
    tickUs.reserve(ticks);
    readUs.reserve(ticks);
    uint64_t framePoints = 0;
    uint64_t capturedPoints = 0;
    int missedPolls = 0;
    for (int i = 0; i < kWarmUpTicks + ticks; ++i) {
        std::this_thread::sleep_for(kPace);
        if (!timers.Running(kTimerPoll)) {
            ++missedPolls;  // the chain ended; start it again as a late timer would
        }
        host.posted.clear();
        // Which of the two goes first after the pause alternates, so neither always finds the
        // caches warmed by the other.
        Steady::duration tickTime{};
        Steady::duration readTime{};
        const auto bareRead = [&] {
            const auto t0 = Steady::now();
            bareProtocol.PollAck(kTerminatorCrLf, 0, bare.setup.bytesPerPoint, sink);
            readTime = Steady::now() - t0;
        };
        if (i % 2 == 1) {
            bareRead();
        }
        const auto t0 = Steady::now();
        frame->OnTimer(kTimerPoll);
        for (auto [result, bytes] : host.posted) {
            frame->OnLoggerData(result, bytes);
        }
        tickTime = Steady::now() - t0;
        if (i % 2 == 0) {
            bareRead();
        }

        uint64_t points = 0;
        for (auto [result, bytes] : host.posted) {
            points += result == 0 ? bytes / kPointBytes : 0;
        }
        framePoints += points;
        if (frame->Live().IsCapturing()) {
            capturedPoints += points;
        }
        std::error_code ec;
        const uintmax_t csvSize = std::filesystem::file_size(folder.File("run.csv"), ec);
        const bool wroteCsv = !ec && csvSize != lastCsvSize;
        lastCsvSize = ec ? lastCsvSize : csvSize;
        if (i >= kWarmUpTicks) {
            (wroteCsv ? csvTickUs : plainTickUs).push_back(Micros(tickTime));
            tickUs.push_back(Micros(tickTime));
            (i % 2 == 0 ? tickFirstUs : tickSecondUs).push_back(Micros(tickTime));
            (i % 2 == 1 ? readFirstUs : readSecondUs).push_back(Micros(readTime));
            readUs.push_back(Micros(readTime));
        }
    }
    const bool stillCapturing = frame->Live().IsCapturing();
    frame->OnCommand(cmd::kCapture);  // ends the capture, writing its last rows
    frame->OnClose();
    frame.reset();

    std::ifstream csvFile(folder.File("run.csv"), std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(csvFile)),
                          std::istreambuf_iterator<char>());
    const long csvRows = static_cast<long>(std::count(csv.begin(), csv.end(), '\n')) - 3;

    const Summary tick = Summarise(tickUs);
    std::printf("%d ticks timed (after %d warm-up), paced %lld ms apart\n", ticks, kWarmUpTicks,
                static_cast<long long>(kPace.count()));
    std::printf("points per tick: frame %.2f, bare read %.2f\n",
                static_cast<double>(framePoints) / (ticks + kWarmUpTicks),
                static_cast<double>(sink.bytes / kPointBytes) / (ticks + kWarmUpTicks));
    const auto line = [](const char* what, const std::vector<double>& v) {
        const Summary m = Summarise(v);
        std::printf("%-36s p50 %7.1f us  p99 %7.1f us  max %7.1f us  (%zu)\n", what, m.p50, m.p99,
                    m.max, v.size());
    };
    line("poll tick (OnTimer + OnLoggerData)", tickUs);
    line("  ticks writing CSV rows", csvTickUs);
    line("  ticks without", plainTickUs);
    line("  first after the pause", tickFirstUs);
    line("  right after the bare read", tickSecondUs);
    line("bare driver read (PollAck)", readUs);
    line("  first after the pause", readFirstUs);
    line("  right after the poll tick", readSecondUs);
    std::printf("tick p99 under 1 ms: %s\n", tick.p99 < 1000.0 ? "yes" : "no");
    std::printf("capture: %s to the end, %llu points received, %ld rows in the CSV\n",
                stillCapturing ? "ran" : "did NOT run",
                static_cast<unsigned long long>(capturedPoints), csvRows);
    if (missedPolls > 0) {
        std::printf("the poll timer was not armed before %d ticks\n", missedPolls);
    }
    return 0;
}
