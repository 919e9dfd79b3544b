#include "app/WaveCommands.h"

#include "app/CommandIds.h"

namespace velatrace {

bool IsWaveCommand(uint32_t id) {
    return id >= cmd::kNextChannel && id <= cmd::kTimeZoomIn;
}

bool WaveCommand(uint32_t id, WaveView& view) {
    switch (id) {
        case cmd::kNextChannel:
            view.NextChannel();
            break;
        case cmd::kPreviousChannel:
            view.PreviousChannel();
            break;
        case cmd::kLevelZoomIn:
            view.LevelZoomIn();
            break;
        case cmd::kLevelZoomOut:
            view.LevelZoomOut();
            break;
        case cmd::kTimeZoomOut:
            view.TimeZoomOut();
            break;
        case cmd::kTimeZoomIn:
            view.TimeZoomIn();
            break;
        default:
            break;  // the rest of the range only repaints
    }
    return IsWaveCommand(id);
}

}  // namespace velatrace
