#include "sim/AlarmTracker.h"

#include <algorithm>
#include <cmath>

namespace velatrace::sim {

namespace {
// Thresholds beyond the 16-bit count range simply never (or always) trip.
int32_t ToThreshold(double value, double countsPerUnit) {
    const double counts = value * countsPerUnit;
    if (std::isnan(counts)) {
        return 0;
    }
    return static_cast<int32_t>(std::lround(std::clamp(counts, -1.0e6, 1.0e6)));
}
}  // namespace

AlarmTracker::AlarmTracker(const AlarmConfig& alarm, double countsPerUnit)
    : mode_(alarm.mode),
      level_(ToThreshold(alarm.level, countsPerUnit)),
      hysteresis_(ToThreshold(alarm.hysteresis, countsPerUnit)) {}

bool AlarmTracker::Update(int16_t count) {
    switch (mode_) {
        case AlarmMode::Off:
            active_ = false;
            break;
        case AlarmMode::High:
            active_ = active_ ? count >= level_ - hysteresis_ : count >= level_;
            break;
        case AlarmMode::Low:
            active_ = active_ ? count <= level_ + hysteresis_ : count <= level_;
            break;
    }
    return active_;
}

}  // namespace velatrace::sim
