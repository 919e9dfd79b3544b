#include "app/WaveCommands.h"

#include "app/CommandIds.h"

namespace velatrace {

bool IsWaveCommand(uint32_t id) {
    return id >= cmd::kNextChannel && id <= cmd::kTimeZoomIn;
}

bool WaveCommand(uint32_t id, WaveView& view) {
    const int32_t current = CurrentChannelIndex(view);
    const int32_t type = view.source.Setup().channel[current].type;
    switch (id) {
        case cmd::kNextChannel:
            view.SelectChannel(current + 1, true);
            break;
        case cmd::kPreviousChannel:
            view.SelectChannel(current - 1, false);
            break;
        case cmd::kLevelZoomIn:
            view.scales.LevelZoomIn(current, type);
            break;
        case cmd::kLevelZoomOut:
            view.scales.LevelZoomOut(current, type);
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
