#include "sim/ReplyText.h"

#include <charconv>
#include <cstdio>

namespace velatrace::sim {

namespace {
// Formats into a small local buffer; every reply is far shorter than it.
template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}
// Shortest text of a number, with a decimal point whatever the process's locale.
std::string Number(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("0");
}
}  // namespace

const char* InputName(InputKind input) {
    switch (input) {
        case InputKind::Dc:
            return "DC";
        case InputKind::Temp:
            return "TEMP";
        case InputKind::Rh:
            return "RH";
        case InputKind::Off:
            break;
    }
    return "OFF";
}

std::string ChannelCountReply(int channelCount) {
    return Format(":INFO:CH %d", channelCount);
}

std::string AmpReply(int channel, const ChannelConfig& config, bool on) {
    return Format(":AMP:CH%d:INP %s;RANG %s", channel,
                  InputName(on ? config.input : InputKind::Off), config.range.c_str());
}

std::string AlarmReply(int channel, const AlarmConfig& alarm) {
    if (alarm.mode == AlarmMode::Off) {
        return Format(":ALAR:CH%d:MODE OFF", channel);
    }
    return Format(":ALAR:CH%d:MODE %s;LEV %s;HYST %s;OUTP %d", channel,
                  alarm.mode == AlarmMode::High ? "HI" : "LO", Number(alarm.level).c_str(),
                  Number(alarm.hysteresis).c_str(), alarm.output);
}

std::string SamplingReply(uint32_t intervalMs) {
    if (intervalMs % 1000 == 0) {
        return Format(":DATA:SAMP %uS", intervalMs / 1000);
    }
    return Format(":DATA:SAMP %uMS", intervalMs);
}

}  // namespace velatrace::sim
