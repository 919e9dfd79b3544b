#include "wave/WaveView.h"

namespace velatrace {

const LoggerSetup& CurveSource::Setup() const {
    static const LoggerSetup kNone;
    return setup != nullptr ? *setup : kNone;
}

bool WaveView::SelectChannel(int32_t start, bool forward) {
    const LoggerSetup& setup = source.Setup();
    int32_t c = start;
    for (int32_t tries = 0; tries < kChannels; ++tries) {
        if (forward && c >= kChannels) {
            c = 0;
        } else if (!forward && c < 0) {
            c = kChannels - 1;
        }
        if (c < 0 || c >= kChannels) {  // a start outside the table on the far side
            c = c < 0 ? 0 : kChannels - 1;
        }
        if (setup.channel[c].type != kTypeOff) {
            currentChannel = c;
            return true;
        }
        c += forward ? 1 : -1;
    }
    // No channel is on: the current channel keeps its previous, valid value.
    return false;
}

int32_t CurrentChannelIndex(const WaveView& view) {
    const int32_t c = view.currentChannel;
    return c < 0 ? 0 : (c >= kChannels ? kChannels - 1 : c);
}

}  // namespace velatrace
