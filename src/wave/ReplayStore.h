#pragma once
// Every record of a recording opened for replay, as the logger's 16-bit counts in one column per
// channel that is on. It is separate from the live ring, which keeps its fixed 3000 rows for the
// logger; it holds a recording from its opening to its closing and is then emptied.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "logger/LoggerSetup.h"

namespace velatrace {

class ReplayStore {
  public:
    // 2^24 records: over 19 days at 100 ms, and 320 MB with all ten channels on, which leaves a
    // wide margin on a desktop machine. A longer file loads this far ("Buffer pointer overflow").
    static constexpr int32_t kMaxRecords = 1 << 24;

    // Empties the store and gives its memory back.
    void Clear();
    // Starts an empty recording of the channels whose flag is set, with room for `expected`
    // records (more are taken as they come).
    void Begin(const bool (&on)[kChannels], int64_t expected);
    // Keeps one record (the counts of all ten channels; those of channels that are off are not
    // kept). False when the store is full, at kMaxRecords or when no more memory can be had; the
    // record is then dropped and so should every later one be.
    bool Append(const int32_t (&counts)[kChannels]);
    // Gives back room reserved beyond the records kept.
    void Trim();

    int32_t Records() const { return records_; }
    // Loading stopped at the limit (also when the file held exactly that many) or out of memory.
    bool Full() const { return full_ || records_ >= kMaxRecords; }
    // Channel c's counts, oldest first, Records() of them; nullptr for a channel that is off.
    const int16_t* Column(int c) const;
    // Bytes the columns take, reserved room included.
    size_t MemoryBytes() const;

  private:
    bool Grow();

    std::vector<int16_t> column_[kChannels];
    bool on_[kChannels] = {};
    int32_t records_ = 0;
    size_t room_ = 0;  // records each column of a channel that is on has room for
    bool full_ = false;
};

}  // namespace velatrace
