#pragma once
// What is written beside a still picture: the time of its frame and the logger's ten channels at
// that instant, each with its value and unit.
#include <cstdint>

#include "logger/LoggerSetup.h"
#include "wave/WaveView.h"

namespace velatrace {

struct StillNote {
    char time[32] = {};  // "2026/12/07 14:03:05.250" live, "00:01:12.480" into a replayed clip
    struct Channel {
        bool on = false;  // a channel that is off, or no record at all, has no value
        double value = 0.0;
        char unit[8] = {};  // "V", "mV", "degC", "%RH"
    } channel[kChannels];
};

// The unit a channel's values are shown in, from its kind and range.
const char* ChannelUnit(const ChannelInfo& channel);

// Fills the channels of `note` with record `row` of what the user sees: the curve source's
// replayed recording when it has one, else its live ring (no values when `row` is outside them),
// in the units of the source's own setup.
void NoteChannels(const CurveSource& source, int32_t row, StillNote* note);

}  // namespace velatrace
