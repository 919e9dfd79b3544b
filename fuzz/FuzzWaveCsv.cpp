// The wave CSV loader, through the entry replay opens a recording with: any file loads its records
// into the recording without harm (every kept count readable) or is refused and loads nothing,
// keeps the recording's channel texts terminated, and never changes the live channel setup.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "wave/WaveCsv.h"

using namespace velatrace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteScratch(data, size, ".csv");
    LoggerSetup live;
    for (int c = 0; c < kChannels; ++c) {
        std::strcpy(live.channel[c].input, "DC");
        std::strcpy(live.channel[c].range, "10V");
        live.channel[c].type = kTypeVoltage;
        live.channel[c].scale = 2000.0;
    }
    live.intervalMs = 100;
    auto recording = std::make_unique<Recording>();

    const CsvLoad loaded = LoadWaveCsv(path.c_str(), live, *recording);
    const ReplayStore& store = recording->records;
    const LoggerSetup& setup = recording->setup;
    FUZZ_CHECK(loaded.records >= 0 && loaded.records <= ReplayStore::kMaxRecords);
    FUZZ_CHECK(store.Records() == loaded.records && loaded.unreadLines >= 0);
    // A refused file loads nothing and leaves the live setup; a loaded one fits in time.
    if (loaded.refusal != CsvRefusal::None) {
        FUZZ_CHECK(!recording->loaded && loaded.records == 0);
    } else {
        FUZZ_CHECK(setup.intervalMs > 0 && setup.intervalMs <= kMaxCsvIntervalMs);
        FUZZ_CHECK(int64_t{loaded.records} * setup.intervalMs / 1000 < kMaxCsvSeconds);
    }
    int64_t sum = 0;
    for (int c = 0; c < kChannels; ++c) {
        const int16_t* column = store.Column(c);
        for (int32_t r = 0; column != nullptr && r < store.Records(); ++r) {
            sum += column[r];
        }
    }
    FUZZ_CHECK(sum > INT64_MIN);
    for (const ChannelInfo& ch : setup.channel) {
        FUZZ_CHECK(std::memchr(ch.input, 0, sizeof ch.input) != nullptr);
        FUZZ_CHECK(std::memchr(ch.range, 0, sizeof ch.range) != nullptr);
    }

    recording->Clear();
    FUZZ_CHECK(live.intervalMs == 100);
    for (const ChannelInfo& ch : live.channel) {
        FUZZ_CHECK(std::strcmp(ch.input, "DC") == 0 && std::strcmp(ch.range, "10V") == 0);
        FUZZ_CHECK(ch.type == kTypeVoltage && ch.scale == 2000.0);
    }
    std::remove(path.c_str());
    return 0;
}
