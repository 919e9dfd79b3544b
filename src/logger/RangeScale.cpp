#include "logger/RangeScale.h"

#include <cstring>

#include "base/FixedText.h"
#include "logger/LoggerSetup.h"

namespace velatrace {

namespace {
constexpr double kDefaultScale = 10.0;
constexpr double kFullRangeCounts = 20000.0;

// The decimal value a range text begins with ("0.5V" gives 0.5), without the C locale.
double LeadingDecimal(const char* text) {
    double value = 0.0;
    size_t i = 0;
    for (; text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10.0 + (text[i] - '0');
    }
    if (text[i] == '.') {
        double unit = 0.1;
        for (++i; text[i] >= '0' && text[i] <= '9'; ++i, unit /= 10.0) {
            value += (text[i] - '0') * unit;
        }
    }
    return value;
}
}  // namespace

double ScaleForRange(int32_t type, const char* range) {
    if (type == kTypeHumidity) {
        return kFullRangeCounts;
    }
    size_t digits = 0;
    while (range[digits] >= '0' && range[digits] <= '9') {
        ++digits;
    }
    if (type != kTypeVoltage || digits == 0) {
        return kDefaultScale;
    }
    if (range[digits] == 'M' && range[digits + 1] == 'V') {
        return kDefaultScale * 1000.0;
    }
    if (std::strncmp(range, "1-5V", 4) == 0) {
        return 4000.0;
    }
    const int32_t volts = LeadingInteger(range);
    if (volts > 0) {
        // Whole counts per volt; a range beyond the full scale (a garbled reply) would give 0
        // and divide every value by zero, so it is scaled by its real value instead.
        const int32_t counts = static_cast<int32_t>(kFullRangeCounts) / volts;
        return counts > 0 ? static_cast<double>(counts) : kFullRangeCounts / volts;
    }
    // A range below one volt ("0.5V") has no whole leading number: scale by its real value
    // instead of dividing by zero.
    const double value = LeadingDecimal(range);
    return value > 0.0 ? kFullRangeCounts / value : kDefaultScale;
}

}  // namespace velatrace
