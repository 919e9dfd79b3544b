#pragma once
// The simulated logger's setup: sampling, channels with their signals and alarms, memory limits
// and the faults it injects. DefaultConfig() is the demo setup used when no file is given.
#include <cstdint>
#include <string>

namespace velatrace::sim {

inline constexpr int kChannels = 10;
inline constexpr uint32_t kPointBytes = 48;
// Six decimal digits announce a block's byte count, so a block holds at most this many points.
inline constexpr uint32_t kMaxBlockPoints = 999999 / kPointBytes;
inline constexpr size_t kMaxRangeChars = 6;

enum class InputKind { Off, Dc, Temp, Rh };

// A signal as a function of the sample index n. Parameters are in the channel's unit (volts,
// degrees Celsius, percent relative humidity); `period` is in samples.
enum class WaveKind { Constant, Sine, Ramp, Triangle, Square };

struct Waveform {
    WaveKind kind = WaveKind::Constant;
    double a = 0.0;  // Constant: value; Sine: amplitude; Ramp, Triangle, Square: low end
    double b = 0.0;  // Sine: offset; Ramp, Triangle, Square: high end
    uint32_t period = 1;

    bool operator==(const Waveform&) const = default;
};

enum class AlarmMode { Off, High, Low };

struct AlarmConfig {
    AlarmMode mode = AlarmMode::Off;
    double level = 0.0;       // channel unit
    double hysteresis = 0.0;  // channel unit, >= 0
    int output = 1;           // 0..9, reported after "OUTP"

    bool operator==(const AlarmConfig&) const = default;
};

struct ChannelConfig {
    InputKind input = InputKind::Off;
    std::string range = "10V";  // at most kMaxRangeChars characters
    Waveform wave;
    AlarmConfig alarm;

    bool operator==(const ChannelConfig&) const = default;
};

struct SimConfig {
    uint32_t intervalMs = 100;
    int channelCount = kChannels;  // reported by ":INFO:CH?", 1..10; channels above it are off
    ChannelConfig channel[kChannels];
    uint32_t startPoints = 0;  // points in memory at open and after each clear
    uint32_t maxBlockPoints = kMaxBlockPoints;
    uint32_t memoryPoints = 100000;  // oldest points are overwritten beyond this
    // The logger's clock runs this many times faster than real time (sampling, clears and the
    // disconnect time alike), so a long recording can be played through in a fraction of it.
    uint32_t timeScale = 1;
    // Faults; 0 = never.
    uint32_t timeoutEvery = 0;
    uint32_t badHeaderEvery = 0;
    uint32_t shortReplyEvery = 0;
    int64_t disconnectAfterMs = -1;  // < 0: never
    // A disconnected logger is plugged in again this long after it went (logger time); < 0:
    // never. Opens before then fail; the first open after gets a logger that stays connected.
    int64_t reconnectAfterMs = -1;
    bool openFails = false;

    bool operator==(const SimConfig&) const = default;
};

SimConfig DefaultConfig();

}  // namespace velatrace::sim
