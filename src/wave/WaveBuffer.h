#pragma once
// The one in-memory store of logger data: a fixed ring of 3000 records x 10 channels of raw
// counts, the ten channel descriptions and the cursor fields the wave pane draws from.
// Nothing in it is allocated; it is filled live from logger data blocks or from a CSV file.
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace velatrace {

inline constexpr int kChannels = 10;
inline constexpr int kRingRows = 3000;
inline constexpr int kAlarmOutputs = 4;

// Channel types.
inline constexpr int32_t kTypeOff = 0;
inline constexpr int32_t kTypeVoltage = 1;
inline constexpr int32_t kTypeTemperature = 2;
inline constexpr int32_t kTypeHumidity = 3;

struct ChannelInfo {
    char input[5] = {};  // "DC", "TEMP", "RH"
    char range[7] = {};  // "10V", "20MV", "1-5V", a thermocouple name ...
    int32_t type = kTypeOff;
    double scale = 10.0;  // counts per display unit
    // Alarm bit per record of the most recent batch (0 = first record of the batch).
    int32_t alarmFlag[kRingRows] = {};
    int32_t alarmOut = 0;  // alarm output 1..4, 0 for none
};

// Counts per display unit to divide by: a scale that cannot divide (0, infinite, not a number,
// as a garbled reply may leave) gives the raw counts instead.
inline double UsableScale(double scale) {
    return (scale != 0.0 && std::isfinite(scale)) ? scale : 1.0;
}

struct WaveBuffer {
    char samplingText[6] = {};
    ChannelInfo channel[kChannels];
    int32_t intervalMs = 0;
    int32_t samples[kRingRows][kChannels] = {};
    int32_t channelCount = 0;
    int32_t currentChannel = 0;
    int32_t writeIndex = 0;
    int32_t csvIndex = 0;
    int32_t shownCount = 0;
    int32_t bytesPerPoint = 0;
    int32_t alarmChannel = 0;
    int32_t alarmOutUsed[kAlarmOutputs] = {};
    int32_t noWait = 0;
    int32_t csvActive = 0;
    int32_t fileLoaded = 0;
    // Records already decoded from earlier pieces of a data block larger than the receive
    // buffer; the final piece's AppendPoints counts them in and clears this.
    int32_t batchCarry = 0;

    // Decodes the whole points of a data block (or its final piece) into the ring and the
    // alarm flags. Returns the number of records of the batch, earlier pieces included.
    int32_t AppendPoints(const uint8_t* block, int32_t byteCount);
    // Decodes one non-final piece of an oversized block; its records join the current batch.
    void AppendPiece(const uint8_t* block, int32_t byteCount);
    // Alarm output of the first flagged channel in the first n records of the last batch.
    int32_t ScanAlarms(int32_t n);
    // The same, counting only channels that drive one of `outputs` (bit 0 = output 1): any other
    // channel in alarm is passed over as if it were not, so it neither yields 0 nor takes a
    // turn from a channel that drives one.
    int32_t ScanAlarms(int32_t n, uint32_t outputs);
    // Makes the first channel that is on, searching from `start`, the current channel.
    bool SelectChannel(int32_t start, bool forward);
    void SetNoWait(int32_t flag) { noWait = flag; }

    // The newest row of the ring.
    int32_t NewestRow() const { return writeIndex == 0 ? kRingRows - 1 : writeIndex - 1; }
    int32_t CountActiveChannels() const;

  private:
    int32_t Scan(int32_t n, bool filtered, uint32_t outputs);
    int32_t DecodePoints(const uint8_t* block, int32_t byteCount, int32_t firstFlag);
};

}  // namespace velatrace
