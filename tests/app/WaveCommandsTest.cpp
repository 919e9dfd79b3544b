#include <gtest/gtest.h>

#include <memory>

#include "app/CommandIds.h"
#include "app/WaveCommands.h"

namespace velatrace {
namespace {

struct PaneFixture : ::testing::Test {
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    WaveView view;
    UiUpdateTable ui;

    void SetUp() override { ui.GroupEnable(cmd::kNextChannel, true); }
    bool Run(uint32_t id) { return WaveCommand(id, *wave, view, ui); }
};

TEST_F(PaneFixture, ChannelChangeSetsLevelZoomByTheNewChannelsStep) {
    wave->channel[1].type = kTypeVoltage;
    wave->channel[6].type = kTypeTemperature;
    wave->currentChannel = 1;
    view.scales.vscale[1] = 10;
    view.scales.vscale[6] = 0;
    view.scales.vscale[4] = 5;  // off, never selected

    EXPECT_TRUE(Run(cmd::kNextChannel));
    EXPECT_EQ(wave->currentChannel, 6);
    EXPECT_FALSE(ui.Enabled(cmd::kLevelZoomOut));
    EXPECT_TRUE(ui.Enabled(cmd::kLevelZoomIn));

    EXPECT_TRUE(Run(cmd::kNextChannel));  // wraps after channel 10
    EXPECT_EQ(wave->currentChannel, 1);
    EXPECT_TRUE(ui.Enabled(cmd::kLevelZoomOut));
    EXPECT_FALSE(ui.Enabled(cmd::kLevelZoomIn));

    EXPECT_TRUE(Run(cmd::kPreviousChannel));  // wraps before channel 1
    EXPECT_EQ(wave->currentChannel, 6);

    // Every channel off: the current channel stays a valid index.
    wave->channel[1].type = kTypeOff;
    wave->channel[6].type = kTypeOff;
    EXPECT_TRUE(Run(cmd::kPreviousChannel));
    EXPECT_EQ(wave->currentChannel, 6);
}

TEST_F(PaneFixture, ZoomCommandsEnableTheOppositeEndAndDisableTheirOwn) {
    wave->channel[0].type = kTypeHumidity;  // its level table changes every second step
    view.scales.vscale[0] = 0;
    ui.Enable(cmd::kLevelZoomOut, false);
    for (int32_t expected : {2, 4, 6, 8}) {
        EXPECT_TRUE(Run(cmd::kLevelZoomIn));
        EXPECT_EQ(view.scales.vscale[0], expected);
        EXPECT_TRUE(ui.Enabled(cmd::kLevelZoomOut));
        EXPECT_TRUE(ui.Enabled(cmd::kLevelZoomIn));
    }
    EXPECT_TRUE(Run(cmd::kLevelZoomIn));
    EXPECT_EQ(view.scales.vscale[0], 10);
    EXPECT_FALSE(ui.Enabled(cmd::kLevelZoomIn));
    EXPECT_TRUE(Run(cmd::kLevelZoomOut));
    EXPECT_EQ(view.scales.vscale[0], 8);
    EXPECT_TRUE(ui.Enabled(cmd::kLevelZoomIn));
    view.scales.vscale[0] = 1;  // an odd stored step still ends at 0
    EXPECT_TRUE(Run(cmd::kLevelZoomOut));
    EXPECT_EQ(view.scales.vscale[0], 0);
    EXPECT_FALSE(ui.Enabled(cmd::kLevelZoomOut));
    EXPECT_EQ(view.scales.vscale[1], 0) << "only the current channel's step moves";

    // A voltage channel moves by one; a damaged stored step is brought back into range.
    wave->channel[0].type = kTypeVoltage;
    EXPECT_TRUE(Run(cmd::kLevelZoomIn));
    EXPECT_EQ(view.scales.vscale[0], 1);
    view.scales.vscale[0] = 57;
    EXPECT_TRUE(Run(cmd::kLevelZoomIn));
    EXPECT_EQ(view.scales.vscale[0], 10);

    view.scales.tscale = 7;
    EXPECT_TRUE(Run(cmd::kTimeZoomIn));
    EXPECT_EQ(view.scales.tscale, 8);
    EXPECT_FALSE(ui.Enabled(cmd::kTimeZoomIn));
    EXPECT_TRUE(Run(cmd::kTimeZoomOut));
    EXPECT_EQ(view.scales.tscale, 7);
    EXPECT_TRUE(ui.Enabled(cmd::kTimeZoomIn));
    view.scales.tscale = 1;
    EXPECT_TRUE(Run(cmd::kTimeZoomOut));
    EXPECT_EQ(view.scales.tscale, 0);
    EXPECT_FALSE(ui.Enabled(cmd::kTimeZoomOut));
    EXPECT_TRUE(Run(cmd::kTimeZoomIn));
    EXPECT_EQ(view.scales.tscale, 1);
    EXPECT_TRUE(ui.Enabled(cmd::kTimeZoomOut));
}

TEST_F(PaneFixture, OnlyThePanesRangeIsClaimed) {
    const WaveScales before = view.scales;
    EXPECT_TRUE(Run(32784));  // inside the range: repaint only
    EXPECT_FALSE(Run(cmd::kMute));
    EXPECT_FALSE(Run(cmd::kClipInformation));
    EXPECT_EQ(view.scales.tscale, before.tscale);
    EXPECT_EQ(wave->currentChannel, 0);
}

}  // namespace
}  // namespace velatrace
