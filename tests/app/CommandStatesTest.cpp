// Every command's enabled and checked state, as the rules give it for each state of the sessions,
// the sources, the transfer, the bars and panes and the wave view.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/CommandStates.h"

namespace velatrace {
namespace {

// One letter per command: 'o' enabled, '.' disabled, 'x' checked, '#' checked and disabled.
// Groups: Open | Stop Start Pause | Next Prev LevelIn LevelOut TimeIn TimeOut | DdeTransfer
// Capture Preview | Filter Format | first two cameras | four bars | Video and Wave pane.
std::string Row(const CommandInputs& in) {
    static const std::vector<std::vector<uint32_t>> groups = {
        {cmd::kFileOpen},
        {cmd::kClipStop, cmd::kClipStart, cmd::kClipPause},
        {cmd::kNextChannel, cmd::kPreviousChannel, cmd::kLevelZoomIn, cmd::kLevelZoomOut,
         cmd::kTimeZoomIn, cmd::kTimeZoomOut},
        {cmd::kDdeTransfer, cmd::kCapture, cmd::kPreview},
        {cmd::kFilter, cmd::kFormat},
        {cmd::kDeviceFirst, cmd::kDeviceFirst + 1},
        {cmd::kFileBar, cmd::kSeekBar, cmd::kCaptureBar, cmd::kChannelBar},
        {cmd::kVideoPane, cmd::kWavePane}};
    UiUpdateTable table;
    table.Assign(DeriveCommandStates(in));
    std::string row;
    for (const auto& group : groups) {
        row += row.empty() ? "" : " ";
        for (uint32_t id : group) {
            row += table.Checked(id) ? (table.Enabled(id) ? 'x' : '#')
                                     : (table.Enabled(id) ? 'o' : '.');
        }
    }
    return row;
}

TEST(CommandStates, FollowTheSessionsSourcesAndFrame) {
    // After the start-up found a camera and the logger, nothing live, nothing open.
    CommandInputs started;
    started.startedUp = started.sourceFound = started.cameraFound = true;
    started.cameraInUse = 0;
    started.channelsSelectable = true;
    started.timeStep = 7;
    using Change = std::function<void(CommandInputs&)>;
    struct Case {
        const char* what;
        Change change;
        const char* expected;
    };
    const Case cases[] = {
        {"before the start-up", [](CommandInputs& in) { in = CommandInputs{}; },
         "o ... ...... ... .. oo xxxx xx"},
        {"idle", [](CommandInputs&) {}, "o ... ooo.oo ..o oo xo xxxx xx"},
        {"previewing",
         [](CommandInputs& in) {
             in.capture = CaptureState::Previewing;
             in.captureOffered = true;
         },
         ". ... ooo.oo .ox oo xo xxxx xx"},
        {"previewing after a capture ended",
         [](CommandInputs& in) { in.capture = CaptureState::Previewing; },
         ". ... ooo.oo ..x oo xo xxxx xx"},
        {"capturing by the user",
         [](CommandInputs& in) {
             in.capture = CaptureState::CapturingByUser;
             in.captureOffered = true;
         },
         ". ... ooo.oo .xx oo xo xxxx xx"},
        {"an alarm capture after a capture ended",
         [](CommandInputs& in) { in.capture = CaptureState::CapturingByAlarm; },
         ". ... ooo.oo .#x oo xo xxxx xx"},
        {"replay playing", [](CommandInputs& in) { in.replay = ReplayState::Playing; },
         "o oxo ooo.oo ..o oo xo xxxx xx"},
        {"replay paused", [](CommandInputs& in) { in.replay = ReplayState::Paused; },
         "o oo# ooo.oo ..o oo xo xxxx xx"},
        {"replay stopped", [](CommandInputs& in) { in.replay = ReplayState::Stopped; },
         "o #o. ooo.oo ..o oo xo xxxx xx"},
        {"a wave file alone, no devices",
         [](CommandInputs& in) {
             in.sourceFound = in.cameraFound = false;
             in.cameraInUse = -1;
             in.replay = ReplayState::Playing;
         },
         "o oxo ooo.oo ... .. oo xxxx xx"},
        {"no devices",
         [](CommandInputs& in) {
             in.sourceFound = in.cameraFound = in.channelsSelectable = false;
             in.cameraInUse = -1;
         },
         "o ... ...... ... .. oo xxxx xx"},
        {"transfer connected", [](CommandInputs& in) { in.transferConnected = true; },
         "o ... ooo.oo o.o oo xo xxxx xx"},
        {"transfer connected before the start-up",
         [](CommandInputs& in) {
             in = CommandInputs{};
             in.transferConnected = true;
         },
         "o ... ...... ... .. oo xxxx xx"},
        {"video pane alone, seek bar hidden",
         [](CommandInputs& in) {
             in.frame.singlePane = 0;
             in.frame.barVisible[1] = 0;
         },
         "o ... ooo.oo ..o oo xo xoxx #o"},
        {"wave pane alone", [](CommandInputs& in) { in.frame.singlePane = 1; },
         "o ... ooo.oo ..o oo xo xxxx o#"},
        {"the second camera in use", [](CommandInputs& in) { in.cameraInUse = 1; },
         "o ... ooo.oo ..o oo ox xxxx xx"},
        {"zoom steps at their other ends",
         [](CommandInputs& in) {
             in.levelStep = 10;
             in.timeStep = 0;
         },
         "o ... oo.oo. ..o oo xo xxxx xx"},
        {"time step at its end, level between",
         [](CommandInputs& in) {
             in.levelStep = 4;
             in.timeStep = 8;
         },
         "o ... oooo.o ..o oo xo xxxx xx"},
    };
    for (const Case& c : cases) {
        CommandInputs in = started;
        c.change(in);
        EXPECT_EQ(Row(in), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace velatrace
