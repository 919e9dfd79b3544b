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
#include "wave/WaveBuffer.h"

using namespace velatrace;

namespace {
// Puts each acknowledged block into the live store, as the capture session does.
struct StoreSink : AckSink {
    StoreSink(LoggerLink& link, WaveBuffer& wave, const LoggerSetup& setup)
        : link(link), wave(wave), layout(setup) {}
    void Piece(uint32_t bytes) override {
        wave.AppendPiece(layout, link.ReceiveBuffer(), static_cast<int32_t>(bytes));
    }
    void Complete(uint32_t result, uint32_t bytes) override {
        if (result == 0) {
            appended = wave.AppendPoints(layout, link.ReceiveBuffer(), static_cast<int32_t>(bytes));
        }
    }
    LoggerLink& link;
    WaveBuffer& wave;
    PointLayout layout;
    int32_t appended = -1;
};
}  // namespace

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
    LoggerLink link(driver);
    LoggerProtocol protocol(link, clock);
    const LoggerProtocol::Connection connection = protocol.ConnectLogger(0);
    const LoggerSetup& setup = connection.setup;
    if (connection.queryResult == err::kSuccess) {
        // Two polls: the second follows one whose block may have been cut off after pieces.
        for (int poll = 0; poll < 2; ++poll) {
            StoreSink sink(link, *wave, setup);
            protocol.PollAck(0, 0, setup.bytesPerPoint, sink);
            if (sink.appended >= 0) {
                wave->ScanAlarms(setup, sink.appended);
            }
            FUZZ_CHECK(wave->WriteIndex() >= 0 && wave->WriteIndex() < kRingRows);
        }
    }
    FUZZ_CHECK(std::memchr(setup.samplingText, 0, sizeof setup.samplingText) != nullptr);
    for (const ChannelInfo& ch : setup.channel) {
        FUZZ_CHECK(std::memchr(ch.input, 0, sizeof ch.input) != nullptr);
        FUZZ_CHECK(std::memchr(ch.range, 0, sizeof ch.range) != nullptr);
        FUZZ_CHECK(ch.type >= kTypeOff && ch.type <= kTypeHumidity);
        // Values are shown and written as count / scale.
        FUZZ_CHECK(std::isfinite(ch.scale) && ch.scale > 0.0);
    }
    return 0;
}
