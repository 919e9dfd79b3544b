#include "app/WaveCommands.h"

#include "app/CommandIds.h"

namespace velatrace {

bool IsWaveCommand(uint32_t id) {
    return id >= cmd::kNextChannel && id <= cmd::kTimeZoomIn;
}

bool WaveCommand(uint32_t id, WaveBuffer& wave, WaveView& view) {
    switch (id) {
        case cmd::kNextChannel:
            wave.SelectChannel(CurrentChannelIndex(wave) + 1, true);
            break;
        case cmd::kPreviousChannel:
            wave.SelectChannel(CurrentChannelIndex(wave) - 1, false);
            break;
        case cmd::kLevelZoomIn:
            view.scales.LevelZoomIn(wave);
            break;
        case cmd::kLevelZoomOut:
            view.scales.LevelZoomOut(wave);
            break;
        case cmd::kTimeZoomOut:
            view.scales.TimeZoomOut();
            break;
        case cmd::kTimeZoomIn:
            view.scales.TimeZoomIn();
            break;
        default:
            break;  // the rest of the range only repaints
    }
    return IsWaveCommand(id);
}

}  // namespace velatrace
