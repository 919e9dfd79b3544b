// The logger's replies as the connect step and two acknowledge polls read them. The input holds
// the replies in the order they are asked for, separated by '|': the one-point block, the
// channel count, the range and alarm replies of channels 1..10, the sampling interval, then the
// acknowledge block (given to both polls), whose points are decoded as the window decodes them.
// Missing replies time out. Whatever the logger says, the channel table keeps terminated texts
// and usable scales.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "logger/FakeDriverLibrary.h"
#include "support/FakeClock.h"

using namespace velatrace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> commands = {":MEAS:OUTP:ONE?", ":INFO:CH?"};
    for (int c = 1; c <= kChannels; ++c) {
        commands.push_back(":AMP:CH" + std::to_string(c) + "?");
        commands.push_back(":ALAR:CH" + std::to_string(c) + "?");
    }
    commands.push_back(":DATA:SAMP?");
    commands.push_back(":MEAS:OUTP:ACK?");

    testing::FakeDriverLibrary driver;
    driver.text[":MEAS:OUTP:CLR?"] = ":MEAS:OUTP:CLR 0";
    driver.text[":MEAS:OUTP:STAT?"] = ":MEAS:OUTP:STAT 0";
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (size_t k = 0; k < commands.size() && !input.empty(); ++k) {
        const size_t cut = input.find('|');
        const std::string_view reply = input.substr(0, cut);
        const std::string& command = commands[k];
        if (command.starts_with(":MEAS")) {
            driver.blocks[command].assign(reply.begin(), reply.end());
        } else {
            driver.text[command] = std::string(reply);
        }
        input.remove_prefix(cut == std::string_view::npos ? input.size() : cut + 1);
    }

    auto wave = std::make_unique<WaveBuffer>();
    testing::FakeClock clock;
    LoggerLink link(driver, *wave);
    LoggerProtocol protocol(link, clock);
    if (protocol.ConnectLogger(0).queryResult == err::kSuccess) {
        // Two polls: the second follows one whose block may have been cut off after pieces.
        for (int poll = 0; poll < 2; ++poll) {
            testing::RecordingSink sink(link);
            protocol.PollAck(0, 0, sink);
            if (sink.appended >= 0) {
                wave->ScanAlarms(sink.appended);
            }
            FUZZ_CHECK(wave->writeIndex >= 0 && wave->writeIndex < kRingRows);
        }
    }
    FUZZ_CHECK(std::memchr(wave->samplingText, 0, sizeof wave->samplingText) != nullptr);
    for (const ChannelInfo& ch : wave->channel) {
        FUZZ_CHECK(std::memchr(ch.input, 0, sizeof ch.input) != nullptr);
        FUZZ_CHECK(std::memchr(ch.range, 0, sizeof ch.range) != nullptr);
        FUZZ_CHECK(ch.type >= kTypeOff && ch.type <= kTypeHumidity);
        // Values are shown and written as count / scale.
        FUZZ_CHECK(std::isfinite(ch.scale) && ch.scale > 0.0);
    }
    return 0;
}
