#include "app/CommandStates.h"

#include "app/CommandIds.h"
#include "wave/WaveScales.h"

namespace velatrace {

namespace {
uint32_t Word(bool enabled, bool checked) {
    return (enabled ? 0u : ui::kDisabled) | (checked ? ui::kChecked : 0u);
}
}  // namespace

uint32_t DeriveCommandState(uint32_t id, const CommandInputs& in) {
    const bool live = in.capture != CaptureState::Idle;
    const bool capturing = live && in.capture != CaptureState::Previewing;
    const bool replaying = in.replay != ReplayState::Closed;
    // The wave pane's commands wait for the start-up, which finds the logger and its channels.
    const bool channels = in.startedUp && in.channelsSelectable;
    const int32_t pane = in.frame.singlePane;
    switch (id) {
        case cmd::kFileOpen:  // a recording replaces the live session's data
            return Word(!live, false);
        case cmd::kFileBar:
        case cmd::kSeekBar:
        case cmd::kCaptureBar:
        case cmd::kChannelBar:
            return Word(true, in.frame.barVisible[id - cmd::kFileBar] != 0);
        // While one pane is alone only the hidden pane's command is enabled, so both panes can
        // never be hidden at once.
        case cmd::kVideoPane:
            return Word(pane != 0, pane != 1);
        case cmd::kWavePane:
            return Word(pane != 1, pane != 0);
        // The clip's radio group, while a recording is open: the state's button is checked and
        // Stop and Pause disabled in their own state (a stopped clip cannot pause either). Start
        // stays enabled while playing: Space, bound to it alone, pauses.
        case cmd::kClipStop:
            return Word(replaying && in.replay != ReplayState::Stopped,
                        in.replay == ReplayState::Stopped);
        case cmd::kClipStart:
            return Word(replaying, in.replay == ReplayState::Playing);
        case cmd::kClipPause:
            return Word(in.replay == ReplayState::Playing, in.replay == ReplayState::Paused);
        case cmd::kNextChannel:
        case cmd::kPreviousChannel:
            return Word(channels, false);
        // The zooms follow the steps' ends.
        case cmd::kLevelZoomIn:
            return Word(channels && in.levelStep < kMaxVscale, false);
        case cmd::kLevelZoomOut:
            return Word(channels && in.levelStep > 0, false);
        case cmd::kTimeZoomIn:
            return Word(channels && in.timeStep < kMaxTscale, false);
        case cmd::kTimeZoomOut:
            return Word(channels && in.timeStep > 0, false);
        case cmd::kDdeTransfer:
            return Word(in.startedUp && in.transferConnected, false);
        // Capture only from a live session, and once its capture has ended only after a new
        // Preview start; alarm captures go on meanwhile and show checked.
        case cmd::kCapture:
            return Word(in.startedUp && live && in.captureOffered, capturing);
        case cmd::kPreview:
            return Word(in.startedUp && in.sourceFound, live);
        // A marker goes into the running capture, or onto the recording at its cursor.
        case cmd::kMarker:
            return Word(capturing || replaying, false);
        case cmd::kNextMarker:
        case cmd::kPreviousMarker:
            return Word(replaying && in.replayMarkers > 0, false);
        case cmd::kMarkerList:
            return Word(replaying, false);
        case cmd::kFilter:
        case cmd::kFormat:
            return Word(in.startedUp && in.cameraFound, false);
        default:
            break;
    }
    if (id >= cmd::kDeviceFirst && id <= cmd::kDeviceLast) {
        return Word(true, in.cameraInUse == static_cast<int32_t>(id - cmd::kDeviceFirst));
    }
    return 0;
}

UiUpdateTable::States DeriveCommandStates(const CommandInputs& in) {
    UiUpdateTable::States states{};
    for (std::size_t i = 0; i < states.size(); ++i) {
        states[i] = DeriveCommandState(UiUpdateTable::kIds[i], in);
    }
    return states;
}

}  // namespace velatrace
