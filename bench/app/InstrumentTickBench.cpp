// Instrument drain against the logger's poll: the GUI thread's time per tick of a live session
// capturing its CSV, with libsigrok's demo device (ten channels, 10 ms interval) as the source and
// with the simulated logger (ten channels, 10 ms sampling), in the same run, ticks interleaved.
// Then the records per second the instrument path sustains into the CSV (ring append plus
// CSV write of ten channels at six significant digits), with no device in the way.
//
// Usage: bench_instrument_tick [ticks]   (default 300, paced 100 ms apart as the poll timer is)
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "BenchFolder.h"
#include "TenChannelLogger.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/SystemClock.h"
#include "base/FixedText.h"
#include "logger/DriverLibraryDl.h"
#include "logger/sigrok/SigrokCatalog.h"
#include "settings/RegistryTree.h"
#include "support/FakeHost.h"
#include "video/FakeMediaEngine.h"
#include "wave/WaveCsv.h"

namespace {

using namespace velatrace;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

constexpr const char* kBench = kTenChannelLogger;

double Micros(Steady::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

// One headless frame capturing into `folder` under `name`; with `catalog` and a saved demo
// instrument it records the instrument, else the simulated logger.
struct BenchFrame {
    BenchFrame(const std::string& folder, const char* name, InstrumentCatalog* catalog)
        : driver(VELATRACE_SIM_LIBRARY) {
        CaptureSettings cs;
        CopyText(cs.path, folder.c_str());
        CopyText(cs.filename, name);
        SettingsStore(registry).SaveCapture(cs);
        if (catalog != nullptr) {
            InstrumentChoice choice;
            CopyText(choice.driver, "demo");
            for (int c = 0; c < kChannels; ++c) {  // the demo's five analog channels, twice
                FormatText(choice.channel[c], sizeof choice.channel[c], "A%d", c % 5);
            }
            choice.intervalMs = 10;
            SettingsStore(registry).SaveInstrument(choice);
        }
        frame = std::make_unique<MainFrame>(FramePorts{host.Ports(), timers, clock, registry,
                                                       driver, engine, nullptr, transfer, pages,
                                                       nullptr, nullptr, catalog});
        frame->Create();
        frame->OnTimer(kTimerStartup);
        frame->OnCommand(cmd::kPreview);
        frame->OnCommand(cmd::kCapture);
    }
    // One poll tick as the window's event loop runs it; returns its time.
    double Tick() {
        host.posted.clear();
        const auto t0 = Steady::now();
        frame->OnTimer(kTimerPoll);
        for (auto [result, bytes] : host.posted) {
            frame->OnLoggerData(result, bytes);
        }
        return Micros(Steady::now() - t0);
    }

    RegistryTree registry;
    SystemClock clock;
    testing::FakeHost host;
    testing::FakeTimers timers;
    testing::FakeMediaEngine engine;
    NoStillTransfer transfer;
    NoPropertyPages pages;
    DriverLibraryDl driver;
    std::unique_ptr<MainFrame> frame;
};

long CsvRows(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return static_cast<long>(std::count(std::istreambuf_iterator<char>(file),
                                        std::istreambuf_iterator<char>(), '\n')) -
           3;
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    bench::BenchFolder folder("velatrace-instrument-tick");
    if (!folder.Made()) {
        return 1;
    }
    std::ofstream(folder.File("sim.cfg")) << kBench;
    setenv("VELATRACE_SIM_CONFIG", folder.File("sim.cfg").c_str(), 1);

    sigrok::SigrokCatalog catalog;
    BenchFrame logger(folder.Folder(), "logger", nullptr);
    BenchFrame instrument(folder.Folder(), "instrument", &catalog);
    if (!logger.frame->Live().IsCapturing() || !instrument.frame->Live().IsCapturing() ||
        instrument.frame->Setup().channel[0].type != kTypeInstrument) {
        std::fprintf(stderr, "a capture did not start (is libsigrok's demo driver there?)\n");
        return 1;
    }
    std::vector<double> loggerUs, instrumentUs;
    const auto start = Steady::now();
    for (int i = 0; i < ticks; ++i) {
        std::this_thread::sleep_for(100ms);
        // Which goes first alternates, so neither always finds the caches warmed by the other.
        if (i % 2 == 0) {
            loggerUs.push_back(logger.Tick());
            instrumentUs.push_back(instrument.Tick());
        } else {
            instrumentUs.push_back(instrument.Tick());
            loggerUs.push_back(logger.Tick());
        }
    }
    const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
    logger.frame->OnCommand(cmd::kCapture);
    instrument.frame->OnCommand(cmd::kCapture);
    const long instrumentRows = CsvRows(folder.File("instrument.csv"));
    const long loggerRows = CsvRows(folder.File("logger.csv"));
    const double lp99 = Percentile(loggerUs, 0.99), ip99 = Percentile(instrumentUs, 0.99);
    std::printf("%d ticks, 100 ms apart, both capturing ten channels at 10 ms\n", ticks);
    std::printf("logger poll tick       p50 %7.1f us  p99 %7.1f us  (%ld rows)\n",
                Percentile(loggerUs, 0.5), lp99, loggerRows);
    std::printf("instrument drain tick  p50 %7.1f us  p99 %7.1f us  (%ld rows, %.1f per s)\n",
                Percentile(instrumentUs, 0.5), ip99, instrumentRows, instrumentRows / seconds);
    std::printf("instrument p99 within 2x of the logger's: %s; under 1 ms: %s\n",
                ip99 <= 2 * lp99 ? "yes" : "no", ip99 < 1000 ? "yes" : "no");

    // The instrument path alone: records appended to the ring and written to the CSV.
    LoggerSetup setup = instrument.frame->Setup();
    SystemClock clock;
    auto wave = std::make_unique<WaveBuffer>();
    WaveCsv csv(*wave, setup, clock);
    csv.BeginCsv(folder.Folder().c_str(), "throughput", 0, 0);
    static double records[1000][kChannels];
    for (int k = 0; k < 1000; ++k) {
        for (int c = 0; c < kChannels; ++c) {
            records[k][c] = 9.87654321 * std::sin(k * 0.01 + c);
        }
    }
    const int batches = 2000;
    const auto t0 = Steady::now();
    for (int b = 0; b < batches; ++b) {
        wave->AppendRecords(setup, records, 1000);
        csv.AppendCsv();
    }
    const double s = std::chrono::duration<double>(Steady::now() - t0).count();
    csv.EndCsv();
    std::printf("instrument records into the CSV: %.0f records per second (10 channels)\n",
                batches * 1000.0 / s);
    return 0;
}
