// The wave CSV loader, through the entry replay opens a recording with: any file loads its records
// into the replay store without harm (every kept count readable) or is refused without changing
// anything, leaves the ring's write row inside the ring and its channel texts terminated, and
// closing it puts the live channel setup back as it was.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "support/FakeClock.h"
#include "wave/WaveCsv.h"

using namespace velatrace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteScratch(data, size, ".csv");
    auto wave = std::make_unique<WaveBuffer>();
    for (int c = 0; c < kChannels; ++c) {
        std::strcpy(wave->channel[c].input, "DC");
        std::strcpy(wave->channel[c].range, "10V");
        wave->channel[c].type = kTypeVoltage;
        wave->channel[c].scale = 2000.0;
    }
    wave->intervalMs = 100;
    testing::FakeClock clock;
    WaveCsv csv(*wave, clock);

    const CsvLoad loaded = csv.OpenRecordedWave(path.c_str());
    const ReplayStore& store = csv.Replay();
    FUZZ_CHECK(loaded.records >= 0 && loaded.records <= ReplayStore::kMaxRecords);
    FUZZ_CHECK(store.Records() == loaded.records && loaded.unreadLines >= 0);
    // A refused file loads nothing and leaves the live setup; a loaded one fits in time.
    if (loaded.refusal != CsvRefusal::None) {
        FUZZ_CHECK(wave->fileLoaded == 0 && loaded.records == 0 && wave->intervalMs == 100);
    } else {
        FUZZ_CHECK(wave->intervalMs > 0 && wave->intervalMs <= kMaxCsvIntervalMs);
        FUZZ_CHECK(int64_t{loaded.records} * wave->intervalMs / 1000 < kMaxCsvSeconds);
    }
    int64_t sum = 0;
    for (int c = 0; c < kChannels; ++c) {
        const int16_t* column = store.Column(c);
        for (int32_t r = 0; column != nullptr && r < store.Records(); ++r) {
            sum += column[r];
        }
    }
    FUZZ_CHECK(sum > INT64_MIN);
    FUZZ_CHECK(wave->writeIndex >= 0 && wave->writeIndex < kRingRows);
    for (const ChannelInfo& ch : wave->channel) {
        FUZZ_CHECK(std::memchr(ch.input, 0, sizeof ch.input) != nullptr);
        FUZZ_CHECK(std::memchr(ch.range, 0, sizeof ch.range) != nullptr);
    }

    csv.RestoreLiveSetup();
    FUZZ_CHECK(wave->intervalMs == 100 && wave->writeIndex == 0);
    for (const ChannelInfo& ch : wave->channel) {
        FUZZ_CHECK(std::strcmp(ch.input, "DC") == 0 && std::strcmp(ch.range, "10V") == 0);
        FUZZ_CHECK(ch.type == kTypeVoltage && ch.scale == 2000.0);
    }
    std::remove(path.c_str());
    return 0;
}
