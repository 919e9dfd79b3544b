#include "wave/WaveScales.h"

#include <cmath>

namespace velatrace {

namespace {
constexpr double kVoltageSpan[kMaxVscale + 1] = {50, 20, 10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02};
constexpr int32_t kTemperatureSpan[kMaxVscale + 1] = {2000, 2000, 1000, 1000, 500, 500,
                                                      200,  200,  100,  100,  50};
constexpr int32_t kHumiditySpan[kMaxVscale + 1] = {100, 100, 50, 50, 20, 20, 10, 10, 5, 5, 2};
constexpr double kRangeFraction[kMaxVscale + 1] = {1,    0.5,   0.2,   0.1,   0.05,  0.02,
                                                   0.01, 0.005, 0.002, 0.001, 0.0005};
constexpr int32_t kTimeSpan[kMaxTscale + 1] = {300, 240, 180, 120, 60, 30, 20, 10, 5};

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Temperature and humidity tables change only every second step, so their zoom moves by two.
int32_t LevelStep(int32_t type) {
    return (type == kTypeTemperature || type == kTypeHumidity) ? 2 : 1;
}

}  // namespace

double LevelSpan(int32_t type, int32_t vscale) {
    const int32_t i = Clamp(vscale, 0, kMaxVscale);
    switch (type) {
        case kTypeTemperature:
            return kTemperatureSpan[i];
        case kTypeHumidity:
            return kHumiditySpan[i];
        default:
            return kVoltageSpan[i];
    }
}

double ChannelSpan(const ChannelInfo& channel, int32_t vscale) {
    if (channel.type == kTypeInstrument) {
        const double range = channel.span > 0 && std::isfinite(channel.span) ? channel.span : 1.0;
        return range * kRangeFraction[Clamp(vscale, 0, kMaxVscale)];
    }
    return LevelSpan(channel.type, vscale);
}

int32_t TimeSpanSeconds(int32_t tscale) {
    return kTimeSpan[Clamp(tscale, 0, kMaxTscale)];
}

bool WaveScales::LevelZoomIn(int32_t channel, int32_t type) {
    const int32_t c = Clamp(channel, 0, kChannels - 1);
    int32_t v = Clamp(vscale[c], 0, kMaxVscale) + LevelStep(type);
    const bool end = v >= kMaxVscale;
    vscale[c] = end ? kMaxVscale : v;
    return end;
}

bool WaveScales::LevelZoomOut(int32_t channel, int32_t type) {
    const int32_t c = Clamp(channel, 0, kChannels - 1);
    int32_t v = Clamp(vscale[c], 0, kMaxVscale) - LevelStep(type);
    const bool end = v < 1;
    vscale[c] = end ? 0 : v;
    return end;
}

bool WaveScales::TimeZoomIn() {
    const int32_t t = Clamp(tscale, 0, kMaxTscale) + 1;
    const bool end = t >= kMaxTscale;
    tscale = end ? kMaxTscale : t;
    return end;
}

bool WaveScales::TimeZoomOut() {
    const int32_t t = Clamp(tscale, 0, kMaxTscale) - 1;
    const bool end = t < 1;
    tscale = end ? 0 : t;
    return end;
}

}  // namespace velatrace
