#pragma once
// The wave pane's own state, without any widget: its view scales, the row drawn at the right edge,
// whether it has anything to draw and where its records come from.
#include <cstdint>

#include "wave/WaveBuffer.h"
#include "wave/WaveScales.h"

namespace velatrace {

class ReplayStore;

struct WaveView {
    WaveScales scales;       // vscale per channel and tscale, loaded from and saved to "Scale"
    int32_t displayRow = 0;  // one past the newest row drawn at the right edge; 0 = none
    int32_t hasSource = 0;   // 1 while a logger is connected or a loaded file has records
    // The recording being replayed, drawn in place of the live ring; nullptr while live.
    // displayRow then counts its records.
    const ReplayStore* records = nullptr;
};

// The current channel as an index that is safe to read the channel tables with.
int32_t CurrentChannelIndex(const WaveBuffer& wave);

}  // namespace velatrace
