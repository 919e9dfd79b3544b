#include "sim/SimLogger.h"

#include <algorithm>

#include "sim/Waveform.h"

namespace velatrace::sim {

SimLogger::SimLogger(const SimConfig& config, uint64_t nowMs) : config_(config) {
    if (config_.intervalMs == 0) {
        config_.intervalMs = 1;
    }
    for (int c = 0; c < kChannels; ++c) {
        const ChannelConfig& channel = config_.channel[c];
        countsPerUnit_[c] = ChannelActive(c) ? CountsPerUnit(channel.input, channel.range) : 0.0;
        trackers_[c] = AlarmTracker(channel.alarm, countsPerUnit_[c]);
    }
    Clear(nowMs);
}

bool SimLogger::ChannelActive(int channel) const {
    return channel >= 0 && channel < config_.channelCount && channel < kChannels &&
           config_.channel[channel].input != InputKind::Off;
}

void SimLogger::Clear(uint64_t nowMs) {
    startMs_ = nowMs;
    taken_ = 0;
    latest_ = Point{};
    memory_.clear();
    for (AlarmTracker& tracker : trackers_) {
        tracker.Reset();
    }
    Advance(nowMs);
}

void SimLogger::Advance(uint64_t nowMs) {
    const uint64_t elapsed = nowMs > startMs_ ? nowMs - startMs_ : 0;
    const uint64_t due = config_.startPoints + elapsed / config_.intervalMs;
    const size_t capacity = std::max<uint32_t>(config_.memoryPoints, 1);
    while (taken_ < due) {
        latest_ = MakePoint(taken_, trackers_);
        ++taken_;
        memory_.push_back(latest_);
        if (memory_.size() > capacity) {
            memory_.pop_front();  // the logger's memory overwrites its oldest point
        }
    }
}

std::vector<Point> SimLogger::TakePoints(size_t max) {
    const size_t count = std::min(max, memory_.size());
    std::vector<Point> points(memory_.begin(), memory_.begin() + static_cast<ptrdiff_t>(count));
    memory_.erase(memory_.begin(), memory_.begin() + static_cast<ptrdiff_t>(count));
    return points;
}

Point SimLogger::Latest() const {
    if (taken_ > 0) {
        return latest_;
    }
    AlarmTracker preview[kChannels];
    std::copy(std::begin(trackers_), std::end(trackers_), std::begin(preview));
    return MakePoint(0, preview);
}

Point SimLogger::MakePoint(uint64_t n, AlarmTracker (&trackers)[kChannels]) const {
    Point point;
    point.index = n;
    for (int c = 0; c < kChannels; ++c) {
        if (!ChannelActive(c)) {
            continue;
        }
        const int16_t count = ToCounts(WaveValue(config_.channel[c].wave, n), countsPerUnit_[c]);
        point.counts[c] = count;
        if (trackers[c].Update(count)) {
            point.alarmBits = static_cast<uint16_t>(point.alarmBits | (1u << c));
        }
    }
    return point;
}

}  // namespace velatrace::sim
