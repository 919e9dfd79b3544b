#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "app/CommandIds.h"
#include "app/CommandStates.h"
#include "app/WaveCommands.h"

namespace velatrace {
namespace {

struct PaneFixture : ::testing::Test {
    PaneFixture() { view.SetLiveSource(&setup, nullptr); }

    LoggerSetup setup;
    WaveView view;

    bool Run(uint32_t id) { return WaveCommand(id, view); }
    // The current channel, its level step, the time step and which zoom commands are enabled.
    std::string State() const {
        const int32_t c = view.CurrentChannel();
        const WaveScales& scales = view.Scales();
        CommandInputs in;
        in.startedUp = in.channelsSelectable = true;
        in.levelStep = scales.vscale[c];
        in.timeStep = scales.tscale;
        UiUpdateTable ui;
        ui.Assign(DeriveCommandStates(in));
        return "ch" + std::to_string(c) + " v" + std::to_string(scales.vscale[c]) + " t" +
               std::to_string(scales.tscale) + " " + (ui.Enabled(cmd::kLevelZoomIn) ? "L+" : "") +
               (ui.Enabled(cmd::kLevelZoomOut) ? "L-" : "") +
               (ui.Enabled(cmd::kTimeZoomIn) ? "T+" : "") +
               (ui.Enabled(cmd::kTimeZoomOut) ? "T-" : "");
    }
    // Changes the stored scales as loading them would.
    void Scale(void (*change)(WaveScales&)) {
        WaveScales scales = view.Scales();
        change(scales);
        view.SetScales(scales);
    }
    // Runs each command and compares the state after it.
    void Expect(std::initializer_list<std::pair<uint32_t, const char*>> steps) {
        for (const auto& [id, state] : steps) {
            EXPECT_TRUE(Run(id)) << id;
            EXPECT_EQ(State(), state) << "after " << id;
        }
    }
};

TEST_F(PaneFixture, ChannelChangeSetsLevelZoomByTheNewChannelsStep) {
    setup.channel[1].type = kTypeVoltage;
    setup.channel[6].type = kTypeTemperature;
    view.SelectChannel(1);
    Scale([](WaveScales& s) {
        s.vscale[1] = 10;
        s.vscale[4] = 5;  // off, never selected
    });
    Expect({{cmd::kNextChannel, "ch6 v0 t7 L+T+T-"},
            {cmd::kNextChannel, "ch1 v10 t7 L-T+T-"},       // wraps after channel 10
            {cmd::kPreviousChannel, "ch6 v0 t7 L+T+T-"}});  // wraps before channel 1

    // Every channel off: the current channel stays a valid index.
    setup.channel[1].type = kTypeOff;
    setup.channel[6].type = kTypeOff;
    EXPECT_TRUE(Run(cmd::kPreviousChannel));
    EXPECT_EQ(view.CurrentChannel(), 6);
}

TEST_F(PaneFixture, ZoomCommandsEnableTheOppositeEndAndDisableTheirOwn) {
    setup.channel[0].type = kTypeHumidity;  // its level table changes every second step
    Expect({{cmd::kLevelZoomIn, "ch0 v2 t7 L+L-T+T-"},
            {cmd::kLevelZoomIn, "ch0 v4 t7 L+L-T+T-"},
            {cmd::kLevelZoomIn, "ch0 v6 t7 L+L-T+T-"},
            {cmd::kLevelZoomIn, "ch0 v8 t7 L+L-T+T-"},
            {cmd::kLevelZoomIn, "ch0 v10 t7 L-T+T-"},
            {cmd::kLevelZoomOut, "ch0 v8 t7 L+L-T+T-"}});
    Scale([](WaveScales& s) { s.vscale[0] = 1; });  // an odd stored step still ends at 0
    Expect({{cmd::kLevelZoomOut, "ch0 v0 t7 L+T+T-"}});
    EXPECT_EQ(view.Scales().vscale[1], 0) << "only the current channel's step moves";

    // A voltage channel moves by one; a damaged stored step is brought back into range.
    setup.channel[0].type = kTypeVoltage;
    Expect({{cmd::kLevelZoomIn, "ch0 v1 t7 L+L-T+T-"}});
    Scale([](WaveScales& s) { s.vscale[0] = 57; });
    Expect({{cmd::kLevelZoomIn, "ch0 v10 t7 L-T+T-"},
            {cmd::kTimeZoomIn, "ch0 v10 t8 L-T-"},
            {cmd::kTimeZoomOut, "ch0 v10 t7 L-T+T-"}});
    Scale([](WaveScales& s) { s.tscale = 1; });
    Expect({{cmd::kTimeZoomOut, "ch0 v10 t0 L-T+"}, {cmd::kTimeZoomIn, "ch0 v10 t1 L-T+T-"}});
}

}  // namespace
}  // namespace velatrace
