#pragma once
// A channel's alarm state, driven by a level threshold with hysteresis and evaluated on raw
// counts so that the bits in a data block are exact.
#include <cstdint>

#include "sim/SimConfig.h"

namespace velatrace::sim {

class AlarmTracker {
  public:
    AlarmTracker() = default;
    AlarmTracker(const AlarmConfig& alarm, double countsPerUnit);

    // Takes the next sample's count and returns whether the channel is in alarm.
    // High: on at count >= level, off again below level - hysteresis.
    // Low: on at count <= level, off again above level + hysteresis.
    bool Update(int16_t count);
    void Reset() { active_ = false; }
    bool Active() const { return active_; }

  private:
    AlarmMode mode_ = AlarmMode::Off;
    int32_t level_ = 0;
    int32_t hysteresis_ = 0;
    bool active_ = false;
};

}  // namespace velatrace::sim
