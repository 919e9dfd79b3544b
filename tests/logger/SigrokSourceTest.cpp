// The libsigrok instrument source against libsigrok's demo device (no hardware needed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "base/FixedText.h"
#include "logger/sigrok/SigrokCatalog.h"
#include "logger/sigrok/SigrokSource.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"
#include "wave/WaveCsv.h"

namespace velatrace {
namespace {

// The demo's sine channel as sigrok-cli reads it: its lowest and highest values.
std::pair<double, double> CliSineReach() {
    std::FILE* cli =
        popen(SIGROK_CLI " -d demo --channels A1 --samples 200 -O analog 2>/dev/null", "r");
    double lo = 1e9, hi = -1e9, v = 0;
    char unit[16];
    while (cli != nullptr && std::fscanf(cli, " A1: %lf %15s DC", &v, unit) == 2) {
        v = std::string(unit) == "mV" ? v / 1000 : v;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (cli != nullptr) {
        pclose(cli);
    }
    return {lo, hi};
}

// Takes records until `n` arrived (or the source failed), in arrival order.
std::vector<std::vector<double>> TakeRecords(InstrumentSource& source, size_t n) {
    std::vector<std::vector<double>> rows;
    double batch[64][kChannels];
    while (rows.size() < n && source.Error()[0] == '\0') {
        const int32_t got = source.Take(batch, 64);
        for (int32_t k = 0; k < got; ++k) {
            rows.emplace_back(batch[k], batch[k] + kChannels);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return rows;
}

TEST(SigrokSource, DemoSineIsRecordedWithItsUnitAndReplaysFromItsCsv) {
    sigrok::SigrokCatalog catalog;
    InstrumentDevice found[4];
    ASSERT_GE(catalog.Scan("demo", "", found, 4), 1);
    EXPECT_GE(found[0].channels, 5) << "the demo's analog channels A0..A4";

    InstrumentChoice choice;
    CopyText(choice.driver, "demo");
    CopyText(choice.channel[0], "A1");  // sine
    CopyText(choice.channel[2], "A0");  // square
    choice.intervalMs = 100;
    auto source = std::make_unique<sigrok::SigrokSource>();
    ASSERT_TRUE(source->Open(choice)) << source->Error();
    InstrumentChannel channels[kChannels];
    source->Channels(channels);
    EXPECT_EQ(std::string(channels[0].unit) + channels[0].quantity, "VVoltage");
    EXPECT_EQ(std::string(channels[2].unit), "V");
    const LoggerSetup setup = MakeInstrumentSetup(choice, channels);
    EXPECT_EQ(std::make_tuple(setup.channel[0].type, setup.channel[0].span, setup.channel[1].type),
              std::make_tuple(kTypeInstrument, 10.0, kTypeOff))
        << "the range chosen from the readings: the sine reaches 10 V";

    ASSERT_TRUE(source->Start(choice.intervalMs));
    const auto rows = TakeRecords(*source, 30);
    ASSERT_EQ(rows.size(), 30u) << source->Error();
    const auto [lo, hi] = CliSineReach();
    double seenLo = 1e9, seenHi = -1e9;
    for (const auto& row : rows) {
        EXPECT_TRUE(row[0] >= lo - 1e-3 && row[0] <= hi + 1e-3) << row[0];
        EXPECT_NEAR(std::fabs(row[2]), 10.0, 1e-3) << "the square is at either level";
        seenLo = std::min(seenLo, row[0]);
        seenHi = std::max(seenHi, row[0]);
    }
    EXPECT_GT(seenHi - seenLo, (hi - lo) / 4) << "the records follow the sine, not one value";

    // Written to a CSV as a capture writes it, and replayed with its units.
    testing::TempFolder folder;
    testing::FakeClock clock;
    auto wave = std::make_unique<WaveBuffer>();
    WaveCsv csv(*wave, setup, clock);
    ASSERT_TRUE(csv.BeginCsv(folder.Folder().c_str(), "demo", 0, 0));
    double records[30][kChannels];
    for (size_t k = 0; k < rows.size(); ++k) {
        std::copy(rows[k].begin(), rows[k].end(), records[k]);
    }
    wave->AppendRecords(setup, records, 30);
    ASSERT_TRUE(csv.AppendCsv());
    csv.EndCsv();
    const std::string text = folder.Read("demo.csv");
    EXPECT_NE(text.find("\r\n100MS\r\nV[10],,V[10],,,,,,,\r\n"), std::string::npos) << text;
    Recording replay;
    ASSERT_EQ(LoadWaveCsv(folder.File("demo.csv").c_str(), LoggerSetup{}, replay).records, 30);
    const ChannelInfo& ch = replay.setup.channel[0];
    EXPECT_EQ(std::make_tuple(ch.type, std::string(ch.range), ch.span),
              std::make_tuple(kTypeInstrument, "V", 10.0));
    for (int k = 0; k < 30; ++k) {
        EXPECT_NEAR(replay.records.Column(0)[k] / ch.scale, rows[k][0], 1.01 / ch.scale);
    }

    // The device goes away: its error is told, the records that arrived before stay.
    source->EndSession();
    TakeRecords(*source, 1u << 20);
    EXPECT_STRNE(source->Error(), "");
    source->Close();
}

}  // namespace
}  // namespace velatrace
