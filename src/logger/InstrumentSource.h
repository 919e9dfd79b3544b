#pragma once
// An instrument beside the logger: a measuring device reached through a library of device
// drivers, delivering one record of up to ten analog readings per interval. The source samples on
// threads of its own; the GUI thread takes the records that arrived at each poll tick.
#include <cstdint>
#include <memory>

#include "logger/LoggerSetup.h"

namespace velatrace {

inline constexpr int32_t kMinInstrumentIntervalMs = 10;
inline constexpr int32_t kMaxInstrumentIntervalMs = 24 * 3600 * 1000;

// One analog channel of an instrument, as the device describes it.
struct InstrumentChannel {
    char name[16] = {};        // the device's channel name ("A0", "P1")
    char quantity[24] = {};    // what it measures ("Voltage"), empty until known
    char unit[8] = {};         // the unit of its readings ("V"), empty until known
    double range = 0;          // the magnitude its readings reach, 0 when unknown
    bool deviceRange = false;  // the range is the device's own, not chosen from readings
    double reading = 0;        // the largest magnitude read while opening
};

// What the user chose: a driver, a connection and up to ten channels, read at an interval.
struct InstrumentChoice {
    char driver[32] = {};              // empty: no instrument, the logger is the source
    char conn[128] = {};               // "conn" option of the driver ("/dev/ttyUSB0"), may be empty
    char channel[kChannels][16] = {};  // the channels recorded as CH1.., empty for off
    double range[kChannels] = {};      // a range the user kept or the readings chose, 0 = none
    int32_t intervalMs = 100;

    bool Chosen() const { return driver[0] != '\0'; }
};

// The interval clamped into what an instrument delivers (10 ms to one day).
inline int32_t ClampInstrumentInterval(int32_t ms) {
    return ms < kMinInstrumentIntervalMs   ? kMinInstrumentIntervalMs
           : ms > kMaxInstrumentIntervalMs ? kMaxInstrumentIntervalMs
                                           : ms;
}

class InstrumentSource {
  public:
    virtual ~InstrumentSource() = default;
    // Finds and opens the chosen device and learns each chosen channel's quantity and unit from
    // its first readings. False (Error() says why) when it cannot.
    virtual bool Open(const InstrumentChoice& choice) = 0;
    // The chosen channels in the order of the choice (empty names for channels that are off).
    virtual void Channels(InstrumentChannel (&out)[kChannels]) const = 0;
    // Starts delivering one record per interval: the newest reading of each channel at each tick.
    virtual bool Start(int32_t intervalMs) = 0;
    // Moves up to `max` records that arrived into `records`, oldest first. Returns how many.
    virtual int32_t Take(double (*records)[kChannels], int32_t max) = 0;
    // Records dropped because the GUI thread did not take them in time.
    virtual int64_t Dropped() const = 0;
    virtual void Stop() = 0;
    virtual void Close() = 0;
    // Why the device stopped (it went away, the driver failed), empty while it delivers.
    virtual const char* Error() const = 0;
};

// The driver library behind the instrument dialog: its drivers, the devices a scan finds, and a
// source for the choice made.
struct InstrumentDevice {
    char description[96] = {};  // "Demo device (demo)"
    char conn[128] = {};        // the connection it was found on, may be empty
    char channel[16][16] = {};  // its analog channels
    int32_t channels = 0;
};

class InstrumentCatalog {
  public:
    virtual ~InstrumentCatalog() = default;
    // The driver names, at most `max`; returns how many.
    virtual int32_t Drivers(char (*names)[32], int32_t max) = 0;
    // Scans `driver` (with `conn` when not empty); returns the devices found, at most `max`.
    virtual int32_t Scan(const char* driver, const char* conn, InstrumentDevice* out,
                         int32_t max) = 0;
    // A new, closed source.
    virtual std::unique_ptr<InstrumentSource> NewSource() = 0;
};

// The logger-shaped setup of an opened instrument: channel c is on when chosen, its range text
// holds the unit, its scale keeps nine significant digits of the range in the ring's counts.
LoggerSetup MakeInstrumentSetup(const InstrumentChoice& choice,
                                const InstrumentChannel (&channels)[kChannels]);
// Counts per unit for a channel whose readings reach `range`: a power of ten that keeps the
// range's counts below 10^8, so every reading keeps its significant digits in 32 bits.
double InstrumentScale(double range);
// A range for readings that reach `magnitude`: the next 1, 2 or 5 times a power of ten.
double RangeForReadings(double magnitude);

}  // namespace velatrace
