#pragma once
// The wave pane's own state, without any widget: its view scales, the channel it shows in front,
// the row drawn at the right edge, how many records back it draws, whether it has anything to
// draw and the one curve source it draws from.
#include <cstdint>

#include "logger/LoggerSetup.h"
#include "wave/WaveScales.h"

namespace velatrace {

class WaveBuffer;
class ReplayStore;

// Where the curves come from: the live ring with the logger's setup, or a replayed recording
// with its own setup. The frame chooses; the pane only reads.
struct CurveSource {
    const LoggerSetup* setup = nullptr;
    const WaveBuffer* live = nullptr;     // the live ring, or
    const ReplayStore* replay = nullptr;  // the recording being replayed (displayRow counts it)

    // The setup of the curves; an empty one (every channel off) when there is none.
    const LoggerSetup& Setup() const;
};

struct WaveView {
    WaveScales scales;           // vscale per channel and tscale, loaded from and saved to "Scale"
    int32_t currentChannel = 0;  // the channel drawn in front and labelled
    int32_t displayRow = 0;      // one past the newest row drawn at the right edge; 0 = none
    int32_t shownCount = 0;      // records drawn back from the display row
    int32_t hasSource = 0;       // 1 while a logger is connected or a loaded file has records
    CurveSource source;

    // Makes the first channel of the source's setup that is on, searching from `start`, the
    // current channel. False (the channel stays) when none is on.
    bool SelectChannel(int32_t start, bool forward);
};

// The current channel as an index that is safe to read the channel tables with.
int32_t CurrentChannelIndex(const WaveView& view);

}  // namespace velatrace
