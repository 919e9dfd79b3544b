#pragma once
// The wave pane's view scales: a level step per channel and one time step, with their tables.
#include <cstdint>

#include "logger/LoggerSetup.h"

namespace velatrace {

inline constexpr int32_t kMaxVscale = 10;
inline constexpr int32_t kMaxTscale = 8;
inline constexpr int32_t kDefaultTscale = 7;

struct WaveScales {
    int32_t vscale[kChannels] = {};
    int32_t tscale = kDefaultTscale;

    // Each returns true when the end of the range was reached (the command is then disabled).
    // The level zoom acts on `channel`, of channel type `type`.
    bool LevelZoomIn(int32_t channel, int32_t type);
    bool LevelZoomOut(int32_t channel, int32_t type);
    bool TimeZoomIn();
    bool TimeZoomOut();
};

// Value at the top edge of the plot for a channel type at a level step (the bottom is its
// negative). Out-of-range steps are clamped.
double LevelSpan(int32_t type, int32_t vscale);
// The same for a channel: an instrument channel's span is its range times 1, 1/2, 1/5, 1/10 ..
// by level step, in its own unit; any other channel's is its type's.
double ChannelSpan(const ChannelInfo& channel, int32_t vscale);
// Seconds from the plot's right edge (newest) to its left edge.
int32_t TimeSpanSeconds(int32_t tscale);

}  // namespace velatrace
