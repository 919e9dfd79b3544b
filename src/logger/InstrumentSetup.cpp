// The logger-shaped setup of an instrument, and the ranges and scales of its channels.
#include <cmath>

#include "base/FixedText.h"
#include "base/PowerOfTen.h"
#include "logger/InstrumentSource.h"

namespace velatrace {

double InstrumentScale(double range) {
    if (!(range > 0) || !std::isfinite(range)) {
        return 1.0;
    }
    // 10^k with range * 10^k below 10^8; readings up to twenty times the range still fit.
    const double k = std::floor(8.0 - std::log10(range));
    const double scale = PowerOfTen(static_cast<int>(k > 300 ? 300 : (k < -300 ? -300 : k)));
    return range * scale >= 1e8 ? scale / 10 : scale;
}

double RangeForReadings(double magnitude) {
    const double m = std::fabs(magnitude);
    if (!(m > 0) || !std::isfinite(m)) {
        return 1.0;
    }
    const double decade = PowerOfTen(static_cast<int>(std::floor(std::log10(m))));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (m <= step * decade * (1 + 1e-9)) {
            return step * decade;
        }
    }
    return 10 * decade;
}

LoggerSetup MakeInstrumentSetup(const InstrumentChoice& choice,
                                const InstrumentChannel (&channels)[kChannels]) {
    LoggerSetup setup;
    setup.intervalMs = ClampInstrumentInterval(choice.intervalMs);
    for (int c = 0; c < kChannels; ++c) {
        if (choice.channel[c][0] == '\0') {
            continue;
        }
        const InstrumentChannel& from = channels[c];
        ChannelInfo& ch = setup.channel[c];
        ch.type = kTypeInstrument;
        CopyText(ch.range, from.unit);
        // The unit goes into a comma-separated header as "unit[range]".
        for (char& u : ch.range) {
            u = (u == ',' || u == '[' || u == ']' || u == '\r' || u == '\n') ? '_' : u;
        }
        CopyText(ch.quantity, from.quantity);
        // The device's range first, then the one kept in the choice, else one from the readings.
        ch.span = from.deviceRange && from.range > 0 ? from.range
                  : choice.range[c] > 0              ? choice.range[c]
                                                     : RangeForReadings(from.reading);
        ch.scale = InstrumentScale(ch.span);
        ++setup.channelCount;
    }
    return setup;
}

}  // namespace velatrace
