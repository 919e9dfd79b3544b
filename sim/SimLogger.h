#pragma once
// The measuring part of the simulated logger: takes a sample every interval of real time (the
// caller passes the time), computes each channel's count from its waveform, tracks the alarms,
// and keeps the points not yet acknowledged in a bounded memory.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/AlarmTracker.h"
#include "sim/SimConfig.h"

namespace velatrace::sim {

struct Point {
    uint64_t index = 0;              // sample index since open or the last clear
    int16_t counts[kChannels] = {};  // 0 for channels that are off
    uint16_t alarmBits = 0;          // bit c set: channel c+1 in alarm
};

class SimLogger {
  public:
    SimLogger(const SimConfig& config, uint64_t nowMs);

    // Takes every sample due by nowMs: with S start points, S + (nowMs - start) / interval
    // samples have been taken since the start (open or the last clear).
    void Advance(uint64_t nowMs);
    // Forgets every point and starts again at index 0, with the start points in memory.
    void Clear(uint64_t nowMs);

    size_t PendingPoints() const { return memory_.size(); }
    // Removes and returns up to `max` of the oldest points in memory.
    std::vector<Point> TakePoints(size_t max);
    // The newest point taken (acknowledged or not), or sample 0 before any was taken.
    Point Latest() const;

    bool ChannelActive(int channel) const;  // 0-based
    double Scale(int channel) const { return countsPerUnit_[channel]; }
    const SimConfig& Config() const { return config_; }

  private:
    Point MakePoint(uint64_t n, AlarmTracker (&trackers)[kChannels]) const;

    SimConfig config_;
    double countsPerUnit_[kChannels] = {};
    AlarmTracker trackers_[kChannels];
    uint64_t startMs_ = 0;
    uint64_t taken_ = 0;  // samples taken since the start
    Point latest_;
    std::deque<Point> memory_;
};

}  // namespace velatrace::sim
