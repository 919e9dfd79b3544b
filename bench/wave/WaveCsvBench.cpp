// Wave CSV reading and writing against the bare file I/O of the same bytes: the parse and format
// work should stay a small multiple of one fread / fwrite. A day's recording is loaded against
// pandas.read_csv (C engine) reading the same file in the same run: goal at most half its time,
// and a store of at most 1.2x the raw 16-bit counts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/FixedText.h"
#include "wave/CsvRecord.h"
#include "wave/WaveCsv.h"

namespace velatrace {
namespace {

namespace fs = std::filesystem;

class FixedClock : public Clock {
  public:
    uint32_t TickCount() override { return 0; }
    LocalTime Now() override { return LocalTime{2026, 12, 6, 9, 30, 15, 0}; }
    void Sleep(uint32_t) override {}
};

fs::path BenchFolder() {
    const fs::path folder = fs::temp_directory_path() / "velatrace-bench-csv";
    fs::create_directories(folder);
    return folder;
}

// Ten channels on, of every kind, and a ring of varied counts.
struct Logger {
    LoggerSetup setup;
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    std::vector<uint8_t> points;  // a full ring's worth of the logger's points

    Logger() {
        const char* ranges[kChannels] = {"10V", "1V",    "TC-K", "1-5V", "20MV",
                                         "5V",  "PT100", "1-5V", "2V",   "50V"};
        const int32_t types[kChannels] = {1, 1, 2, 1, 1, 1, 2, 3, 1, 1};
        const double scales[kChannels] = {2000, 20000, 10,    4000,  10000,
                                          4000, 10,    20000, 10000, 400};
        for (int c = 0; c < kChannels; ++c) {
            CopyText(setup.channel[c].range, ranges[c]);
            setup.channel[c].type = types[c];
            setup.channel[c].scale = scales[c];
        }
        setup.intervalMs = 100;
        setup.bytesPerPoint = 2 * kChannels;
        std::mt19937 random(42);
        std::uniform_int_distribution<int32_t> count(-20000, 20000);
        points.resize(static_cast<size_t>(kRingRows) * 2 * kChannels);
        for (size_t i = 0; i < points.size(); i += 2) {
            const int32_t value = count(random);
            points[i] = static_cast<uint8_t>(value >> 8);
            points[i + 1] = static_cast<uint8_t>(value);
        }
    }
    // The logger delivers `rows` more of its points.
    void Deliver(int32_t rows) {
        const int32_t first = wave->WriteIndex();
        wave->AppendPoints(PointLayout(setup), points.data() + first * 2 * kChannels,
                           rows * 2 * kChannels);
    }
};

std::string ReadAll(const fs::path& path) {
    std::string bytes(fs::file_size(path), '\0');
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

// One call writes at most 2999 records: a full ring reads as nothing pending.
constexpr int32_t kAppendRows = kRingRows - 1;

void BM_AppendCsv(benchmark::State& state) {
    FixedClock clock;
    Logger logger;
    logger.Deliver(kRingRows);
    WaveCsv csv(*logger.wave, logger.setup, clock);
    const std::string folder = (BenchFolder() / "").string();
    for (auto _ : state) {
        csv.BeginCsv(folder.c_str(), "append", 0, 0, kAppendRows);
        if (!csv.AppendCsv()) {
            state.SkipWithError("append failed");
            break;
        }
    }
    csv.EndCsv();
    state.SetBytesProcessed(state.iterations() * fs::file_size(BenchFolder() / "append.csv"));
}
BENCHMARK(BM_AppendCsv)->Unit(benchmark::kMicrosecond);

void BM_AppendBaselineFwrite(benchmark::State& state) {
    {
        FixedClock clock;
        Logger logger;
        logger.Deliver(kRingRows);
        WaveCsv csv(*logger.wave, logger.setup, clock);
        csv.BeginCsv((BenchFolder() / "").string().c_str(), "append", 0, 0, kAppendRows);
        csv.AppendCsv();
        csv.EndCsv();
    }
    const std::string bytes = ReadAll(BenchFolder() / "append.csv");
    const fs::path path = BenchFolder() / "baseline.csv";
    const std::string name = path.string();
    for (auto _ : state) {
        std::error_code ec;
        fs::remove(path, ec);
        std::FILE* file = std::fopen(name.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_AppendBaselineFwrite)->Unit(benchmark::kMicrosecond);

// A recorded file of 3000 records of ten channels.
fs::path RecordedFile() {
    FixedClock clock;
    Logger logger;
    WaveCsv csv(*logger.wave, logger.setup, clock);
    csv.BeginCsv((BenchFolder() / "").string().c_str(), "load", 0, 0);
    logger.Deliver(1500);
    csv.AppendCsv();
    logger.Deliver(1500);
    csv.AppendCsv();
    csv.EndCsv();
    return BenchFolder() / "load.csv";
}

void BM_LoadCsv(benchmark::State& state) {
    const fs::path path = RecordedFile();
    const std::string name = path.string();
    Logger logger;
    Recording recording;
    for (auto _ : state) {
        if (LoadWaveCsv(name.c_str(), logger.setup, recording).records != kRingRows) {
            state.SkipWithError("load failed");
            break;
        }
        recording.Clear();
        benchmark::DoNotOptimize(recording.records.Records());
    }
    state.SetBytesProcessed(state.iterations() * fs::file_size(path));
}
BENCHMARK(BM_LoadCsv)->Unit(benchmark::kMicrosecond);

void BM_LoadBaselineFread(benchmark::State& state) {
    const fs::path path = RecordedFile();
    const std::string name = path.string();
    std::vector<char> bytes(fs::file_size(path));
    for (auto _ : state) {
        std::FILE* file = std::fopen(name.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), file));
        std::fclose(file);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_LoadBaselineFread)->Unit(benchmark::kMicrosecond);

// 24 hours at 100 ms, ten channels on, as the writer writes it; made once per machine.
constexpr int32_t kDayRecords = 864000;

fs::path DayFile() {
    const fs::path path = BenchFolder() / "day.csv";
    std::error_code ec;
    if (const auto size = fs::file_size(path, ec); !ec && size > 50000000) {
        return path;
    }
    Logger logger;
    logger.Deliver(kRingRows);
    const WaveBuffer* wave = logger.wave.get();
    std::string text = "2026/12/06 09:30:15\r\n100MS\r\n";
    for (int c = 0; c < kChannels; ++c) {
        text += logger.setup.channel[c].range;
        text += c + 1 < kChannels ? "," : "\r\n";
    }
    double divisors[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        divisors[c] = logger.setup.channel[c].scale;
    }
    const CsvRecordFormat format(divisors);
    char line[kCsvRecordRoom];
    for (int32_t i = 0; i < kDayRecords; ++i) {
        text.append(line, format.Format(line, wave->Row(i % kRingRows)));
    }
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
}

void BM_LoadDay(benchmark::State& state) {
    const std::string name = DayFile().string();
    Logger logger;
    auto recording = std::make_unique<Recording>();
    for (auto _ : state) {
        if (LoadWaveCsv(name.c_str(), logger.setup, *recording).records != kDayRecords) {
            state.SkipWithError("load failed");
            break;
        }
        state.PauseTiming();
        recording->Clear();
        state.ResumeTiming();
    }
    LoadWaveCsv(name.c_str(), logger.setup, *recording);
    const double raw = 2.0 * kDayRecords * kChannels;
    state.counters["store_per_raw"] = static_cast<double>(recording->records.MemoryBytes()) / raw;
    state.counters["MB"] = static_cast<double>(fs::file_size(name)) / 1e6;
}
BENCHMARK(BM_LoadDay)->Unit(benchmark::kMillisecond)->Iterations(5);

// pandas.read_csv with its C engine on the same file, timed inside Python (start-up excluded); the
// system's Python, where Debian's python3-pandas lives. Its processor time is reported, to compare
// with the CPU column of BM_LoadDay on a machine shared with other work.
void BM_LoadDayPandas(benchmark::State& state) {
    const std::string name = DayFile().string();
    const std::string command =
        "/usr/bin/python3 -c \"import sys, time, pandas\n"
        "t = time.process_time()\n"
        "d = pandas.read_csv(sys.argv[1], skiprows=3, header=None, engine='c')\n"
        "print(time.process_time() - t, len(d))\" '" +
        name + "' 2>/dev/null";
    for (auto _ : state) {
        std::FILE* pipe = popen(command.c_str(), "r");
        double seconds = 0;
        long rows = 0;
        const bool read = pipe != nullptr && std::fscanf(pipe, "%lf %ld", &seconds, &rows) == 2;
        if (pipe != nullptr) {
            pclose(pipe);
        }
        if (!read || rows != kDayRecords) {
            state.SkipWithError("python3-pandas is needed for this comparison");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_LoadDayPandas)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

}  // namespace
}  // namespace velatrace

BENCHMARK_MAIN();
