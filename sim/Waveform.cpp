#include "sim/Waveform.h"

#include <cmath>
#include <cstring>

namespace velatrace::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kFullRangeCounts = 20000.0;
constexpr double kNoRangeScale = 10.0;

// A range's value with its fractional part ("0.5V" gives 0.5), for ranges below one volt.
double LeadingDecimal(const std::string& text) {
    double value = 0.0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10.0 + (text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        double unit = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, unit /= 10.0) {
            value += (text[i] - '0') * unit;
        }
    }
    return value;
}
}  // namespace

double WaveValue(const Waveform& wave, uint64_t n) {
    const uint32_t period = wave.period == 0 ? 1 : wave.period;
    const double m = static_cast<double>(n % period);
    const double p = static_cast<double>(period);
    switch (wave.kind) {
        case WaveKind::Constant:
            return wave.a;
        case WaveKind::Sine:
            return wave.b + wave.a * std::sin(2.0 * kPi * m / p);
        case WaveKind::Ramp:
            return wave.a + (wave.b - wave.a) * m / p;
        case WaveKind::Triangle: {
            const double rise = 2.0 * m / p;  // 0..2 over one period
            return wave.a + (wave.b - wave.a) * (rise <= 1.0 ? rise : 2.0 - rise);
        }
        case WaveKind::Square:
            return 2.0 * m < p ? wave.a : wave.b;
    }
    return 0.0;
}

double CountsPerUnit(InputKind input, const std::string& range) {
    switch (input) {
        case InputKind::Off:
            return 0.0;
        case InputKind::Temp:
            return 10.0;
        case InputKind::Rh:
            return kFullRangeCounts / 100.0;
        case InputKind::Dc:
            break;
    }
    size_t digits = 0;
    while (digits < range.size() && range[digits] >= '0' && range[digits] <= '9') {
        ++digits;
    }
    if (digits == 0) {
        return kNoRangeScale;
    }
    if (range.compare(digits, 2, "MV") == 0) {
        return kNoRangeScale * 1000.0;
    }
    if (range.compare(0, 4, "1-5V") == 0) {
        return 4000.0;
    }
    // Whole volts divide as integers, like the program does ("3V" gives 6666).
    long volts = 0;
    for (size_t i = 0; i < digits && volts <= 20000; ++i) {
        volts = volts * 10 + (range[i] - '0');
    }
    if (volts > 0) {
        return static_cast<double>(static_cast<long>(kFullRangeCounts) / volts);
    }
    const double value = LeadingDecimal(range);
    return value > 0.0 ? kFullRangeCounts / value : kNoRangeScale;
}

int16_t ToCounts(double value, double countsPerUnit) {
    const double counts = value * countsPerUnit;
    if (std::isnan(counts)) {
        return 0;
    }
    if (counts <= -32768.0) {
        return INT16_MIN;
    }
    if (counts >= 32767.0) {
        return INT16_MAX;
    }
    return static_cast<int16_t>(std::lround(counts));
}

}  // namespace velatrace::sim
