#pragma once
// Level triggers: up to four conditions "CHn above/below level, hysteresis" on the records of any
// source, each starting an alarm capture when its channel crosses the level and ending it when
// the value has come back past the hysteresis band. Values are in the channel's engineering units
// (volts, degrees, %RH, or an instrument's own unit). Nothing is allocated per record.
#include <cstddef>
#include <cstdint>

namespace velatrace {

inline constexpr int kLevelTriggers = 4;
inline constexpr int32_t kTriggerChannels = 10;

// Directions of a trigger.
inline constexpr int32_t kTriggerAbove = 0;  // starts at value >= level
inline constexpr int32_t kTriggerBelow = 1;  // starts at value <= level

struct LevelTriggerSetting {
    int32_t enabled = 0;
    int32_t channel = 1;  // 1..kTriggerChannels
    int32_t direction = kTriggerAbove;
    double level = 0.0;
    double hysteresis = 0.0;  // >= 0, in the channel's unit

    bool operator==(const LevelTriggerSetting&) const = default;
};

// Whether a setting can be evaluated: channel and direction in range, level finite, hysteresis
// finite and not negative. A setting that is not is treated as disabled.
bool IsUsableTrigger(const LevelTriggerSetting& setting);

// A number as stored and typed: decimal, '.' as the separator whatever the locale, finite; the
// whole text must be the number (blanks around it are allowed). False leaves `value` as it is.
bool ParseTriggerNumber(const char* text, double& value);
// The shortest text that reads back as `value` through ParseTriggerNumber.
void FormatTriggerNumber(char* text, size_t size, double value);

class LevelTriggers {
  public:
    // Takes new settings; every trigger forgets what it saw, so each must see its value on the
    // far side of its level before it can start.
    void Configure(const LevelTriggerSetting (&settings)[kLevelTriggers]);
    // Forgets what was seen (a new live session, or the source started over).
    void Reset();

    struct Events {
        uint32_t started = 0;  // bit i: trigger i+1 crossed its level with this record
        uint32_t cleared = 0;  // bit i: trigger i+1 came back past its hysteresis
    };
    // One record: `values[c]` is channel c+1's value, `count` of them; a value that is not a
    // number (NaN) is no reading and changes nothing.
    Events Feed(const double* values, int32_t count);

    // Some trigger's condition holds (it started and has not cleared yet).
    bool AnyActive() const;
    // Any trigger is usable and enabled.
    bool AnyEnabled() const;

  private:
    enum class Phase : uint8_t {
        Unknown,  // nothing seen yet, or only values inside the condition
        Armed,    // seen on the far side of the level: the next crossing starts
        Active,   // started; waits for the value to leave the hysteresis band
    };
    LevelTriggerSetting settings_[kLevelTriggers] = {};
    bool usable_[kLevelTriggers] = {};
    Phase phase_[kLevelTriggers] = {};
};

}  // namespace velatrace
