#pragma once
// The live sample store: a fixed ring of 3000 records x 10 channels of raw logger counts and the
// alarm flags of the most recent batch. The capture session appends the logger's data blocks;
// everyone else reads through the const accessors. Nothing in it is allocated.
#include <cstddef>
#include <cstdint>

#include "logger/LoggerData.h"
#include "logger/LoggerSetup.h"

namespace velatrace {

inline constexpr int kRingRows = 3000;

class WaveBuffer {
  public:
    // Starts the ring over: no row written, no batch, no alarm (the logger was opened).
    void Clear();

    // Decodes the whole points of a data block (or its final piece) into the ring and the
    // alarm flags. Returns the number of records of the batch, earlier pieces included.
    int32_t AppendPoints(const PointLayout& layout, const uint8_t* block, int32_t byteCount);
    // Decodes one non-final piece of an oversized block; its records join the current batch.
    void AppendPiece(const PointLayout& layout, const uint8_t* block, int32_t byteCount);
    // Appends `n` instrument records (readings in their units) as counts of each channel's scale
    // (rounded, held within 32 bits; not-a-number gives 0); they form a batch without alarms.
    // Returns n.
    int32_t AppendRecords(const LoggerSetup& setup, const double (*records)[kChannels], int32_t n);
    // Alarm output of the first flagged channel in the first n records of the last batch.
    int32_t ScanAlarms(const LoggerSetup& setup, int32_t n);
    // The same, counting only channels that drive one of `outputs` (bit 0 = output 1): any other
    // channel in alarm is passed over as if it were not, so it neither yields 0 nor takes a
    // turn from a channel that drives one.
    int32_t ScanAlarms(const LoggerSetup& setup, int32_t n, uint32_t outputs);

    // The row the next record goes to.
    int32_t WriteIndex() const { return writeIndex_; }
    // The newest row of the ring.
    int32_t NewestRow() const { return writeIndex_ == 0 ? kRingRows - 1 : writeIndex_ - 1; }
    // The counts of ring row `row` (0..kRingRows-1), one per channel.
    const int32_t* Row(int32_t row) const { return samples_[row]; }
    int32_t Sample(int32_t row, int32_t c) const { return samples_[row][c]; }
    // Channel c's alarm flag in record k of the last batch (k < kRingRows).
    int32_t AlarmFlag(int32_t c, int32_t k) const { return alarmFlag_[c][k]; }
    // 1 + the channel the last alarm scan found in alarm, 0 for none.
    int32_t AlarmChannel() const { return alarmChannel_; }

  private:
    int32_t Scan(const LoggerSetup& setup, int32_t n, bool filtered, uint32_t outputs);
    int32_t DecodePoints(const PointLayout& layout, const uint8_t* block, int32_t byteCount,
                         int32_t firstFlag);

    int32_t samples_[kRingRows][kChannels] = {};
    // Alarm bit per channel and record of the most recent batch (0 = first record of the batch).
    int32_t alarmFlag_[kChannels][kRingRows] = {};
    int32_t writeIndex_ = 0;
    int32_t alarmChannel_ = 0;
    // Records already decoded from earlier pieces of a data block larger than the receive
    // buffer; the final piece's AppendPoints counts them in and clears this.
    int32_t batchCarry_ = 0;
};

}  // namespace velatrace
