#pragma once
// The bounded hand-off of instrument records from the source's ticking thread to the GUI thread:
// a fixed ring guarded by a lock, filled one record per tick and emptied by each poll. When the
// GUI thread falls a whole ring behind, the newest records are dropped and counted, so the ones
// already waiting keep their order. Nothing is allocated after construction.
#include <cstdint>
#include <mutex>

#include "logger/LoggerSetup.h"

namespace velatrace {

class RecordHandoff {
  public:
    // 4096 records: 40 seconds at the shortest interval before anything is dropped.
    static constexpr int32_t kCapacity = 4096;

    // Ticking thread: one record of kChannels values. False when the ring is full (dropped).
    bool Put(const double (&record)[kChannels]);
    // GUI thread: moves up to `max` of the waiting records, oldest first, into `out`.
    int32_t Take(double (*out)[kChannels], int32_t max);
    // Empties the ring and the dropped count (a new start).
    void Clear();
    int64_t Dropped() const;

  private:
    mutable std::mutex mutex_;
    double ring_[kCapacity][kChannels] = {};
    int32_t head_ = 0;  // the oldest waiting record
    int32_t count_ = 0;
    int64_t dropped_ = 0;
};

}  // namespace velatrace
