#pragma once
// What the logger reports about itself when it is connected or queried: its ten channels (input,
// range, type, scale, alarm output), its sampling interval and the size of one data point. The
// connection hands it out as a value; whoever shows or records logger data keeps its own copy.
#include <cmath>
#include <cstdint>

namespace velatrace {

inline constexpr int kChannels = 10;
inline constexpr int kAlarmOutputs = 4;

// Channel types.
inline constexpr int32_t kTypeOff = 0;
inline constexpr int32_t kTypeVoltage = 1;
inline constexpr int32_t kTypeTemperature = 2;
inline constexpr int32_t kTypeHumidity = 3;
// A channel of an instrument: its range text is its unit, its span the magnitude it reaches.
inline constexpr int32_t kTypeInstrument = 4;

struct ChannelInfo {
    char input[5] = {};  // "DC", "TEMP", "RH"
    char range[7] = {};  // "10V", "20MV", "1-5V", a thermocouple name ...
    int32_t type = kTypeOff;
    double scale = 10.0;     // counts per display unit
    int32_t alarmOut = 0;    // alarm output 1..4, 0 for none
    double span = 0;         // an instrument channel's range in its unit (0: not an instrument)
    char quantity[24] = {};  // an instrument channel's quantity ("Voltage")
};

// Counts per display unit to divide by: a scale that cannot divide (0, infinite, not a number,
// as a garbled reply may leave) gives the raw counts instead.
inline double UsableScale(double scale) {
    return (scale != 0.0 && std::isfinite(scale)) ? scale : 1.0;
}

struct LoggerSetup {
    ChannelInfo channel[kChannels];
    int32_t intervalMs = 0;
    char samplingText[6] = {};  // the interval as the logger wrote it
    int32_t bytesPerPoint = 0;  // size of one point of a data block
    int32_t channelCount = 0;   // channels the logger has
    int32_t alarmOutUsed[kAlarmOutputs] = {};

    int32_t CountActiveChannels() const {
        int32_t n = 0;
        for (const ChannelInfo& ch : channel) {
            n += ch.type != kTypeOff ? 1 : 0;
        }
        return n;
    }
};

}  // namespace velatrace
