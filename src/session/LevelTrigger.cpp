#include "session/LevelTrigger.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "base/FixedText.h"

namespace velatrace {

bool IsUsableTrigger(const LevelTriggerSetting& s) {
    return s.channel >= 1 && s.channel <= kTriggerChannels &&
           (s.direction == kTriggerAbove || s.direction == kTriggerBelow) &&
           std::isfinite(s.level) && std::isfinite(s.hysteresis) && s.hysteresis >= 0.0;
}

bool ParseTriggerNumber(const char* text, double& value) {
    if (text == nullptr) {
        return false;
    }
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && (*begin == ' ' || *begin == '\t')) {
        ++begin;
    }
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) {
        --end;
    }
    // from_chars takes no leading '+', which a user may type.
    if (begin < end && *begin == '+') {
        ++begin;
    }
    double parsed = 0.0;
    const auto [at, ec] = std::from_chars(begin, end, parsed, std::chars_format::general);
    if (begin == end || ec != std::errc() || at != end || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

void FormatTriggerNumber(char* text, size_t size, double value) {
    if (size == 0) {
        return;
    }
    char digits[40];
    const auto [at, ec] = std::to_chars(digits, digits + sizeof digits - 1, value);
    *(ec == std::errc() ? at : digits) = '\0';
    CopyText(text, size, digits);
}

void LevelTriggers::Configure(const LevelTriggerSetting (&settings)[kLevelTriggers]) {
    for (int i = 0; i < kLevelTriggers; ++i) {
        settings_[i] = settings[i];
        usable_[i] = settings[i].enabled != 0 && IsUsableTrigger(settings[i]);
    }
    Reset();
}

void LevelTriggers::Reset() {
    for (Phase& p : phase_) {
        p = Phase::Unknown;
    }
}

LevelTriggers::Events LevelTriggers::Feed(const double* values, int32_t count) {
    Events events;
    for (int i = 0; i < kLevelTriggers; ++i) {
        if (!usable_[i] || settings_[i].channel > count) {
            continue;
        }
        const LevelTriggerSetting& s = settings_[i];
        const double v = values[s.channel - 1];
        if (std::isnan(v)) {
            continue;
        }
        const bool above = s.direction == kTriggerAbove;
        const bool inCondition = above ? v >= s.level : v <= s.level;
        switch (phase_[i]) {
            case Phase::Unknown:
                // A value already past the level when watching begins is no crossing.
                if (!inCondition) {
                    phase_[i] = Phase::Armed;
                }
                break;
            case Phase::Armed:
                if (inCondition) {
                    phase_[i] = Phase::Active;
                    events.started |= 1u << i;
                }
                break;
            case Phase::Active: {
                const bool cleared =
                    above ? v < s.level - s.hysteresis : v > s.level + s.hysteresis;
                if (cleared) {
                    phase_[i] = Phase::Armed;
                    events.cleared |= 1u << i;
                }
                break;
            }
        }
    }
    return events;
}

bool LevelTriggers::AnyActive() const {
    for (const Phase p : phase_) {
        if (p == Phase::Active) {
            return true;
        }
    }
    return false;
}

bool LevelTriggers::AnyEnabled() const {
    for (const bool u : usable_) {
        if (u) {
            return true;
        }
    }
    return false;
}

}  // namespace velatrace
