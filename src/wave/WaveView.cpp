#include "wave/WaveView.h"

namespace velatrace {

int32_t CurrentChannelIndex(const WaveBuffer& wave) {
    const int32_t c = wave.currentChannel;
    return c < 0 ? 0 : (c >= kChannels ? kChannels - 1 : c);
}

}  // namespace velatrace
