#pragma once
// Every command's enabled and checked state, derived from the facts that decide them: the live
// session, the replay, the sources found at start-up, the still transfer, the bars and panes and
// the wave view's steps. The frame derives the whole table after each change and writes it as
// it is; nothing else sets a command state.
#include <cstdint>

#include "app/FrameState.h"
#include "app/UiUpdateTable.h"
#include "session/CaptureSession.h"
#include "session/ReplaySession.h"

namespace velatrace {

struct CommandInputs {
    bool startedUp = false;  // the deferred start-up has run: the session commands have sources
    // The live session.
    CaptureState capture = CaptureState::Idle;
    bool captureOffered = false;  // the user may press Capture in this live session
    bool sourceFound = false;     // a camera or the logger was found at start-up
    bool cameraFound = false;     // a camera was found at start-up
    int32_t cameraInUse = -1;     // the listed camera in use; -1 none
    // The wave pane's channels can be selected (the logger's, or a loaded wave file's).
    bool channelsSelectable = false;
    // The replay.
    ReplayState replay = ReplayState::Closed;
    int32_t replayMarkers = 0;  // markers of the recording open
    // The still transfer's conversation is open.
    bool transferConnected = false;
    FrameState frame;
    // The current channel's level step and the time step of the wave view.
    int32_t levelStep = 0;
    int32_t timeStep = 0;
};

// The state words of the UI-update table's elements, in the table's order.
UiUpdateTable::States DeriveCommandStates(const CommandInputs& in);

// The state word of command `id` alone (0 for a command no rule limits).
uint32_t DeriveCommandState(uint32_t id, const CommandInputs& in);

}  // namespace velatrace
