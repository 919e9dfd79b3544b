#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/FixedText.h"
#include "logger/InstrumentSource.h"
#include "wave/ReplayStore.h"
#include "wave/WavePlot.h"

namespace velatrace {
namespace {

using Labels = std::vector<std::string>;

Labels TimeLabels(const WavePlot& plot) {
    Labels labels;
    ForEachTimeTick(plot, [&](int32_t k, int32_t) {
        if (k > 0 && k % kMinorTicksPerDivision == 0) {
            char text[kLabelSize];
            FormatTimeLabel(text, plot, k);
            labels.emplace_back(text);
        }
    });
    return labels;
}

// The pane test checks the labels of volts at 1 V, of humidity at 20 % and of 60 s by their
// pixels; here the other kinds and steps.
TEST(WavePlot, LabelsAndGeometry) {
    const auto levels = [](int32_t type, int32_t vscale) {
        Labels labels;
        for (int32_t tick : {-10, 5}) {
            char text[kLabelSize];
            FormatLevelLabel(text, type, vscale, tick);
            labels.emplace_back(text);
        }
        return labels;
    };
    EXPECT_EQ(levels(kTypeVoltage, 9), (Labels{" 0.05V", "-0.03V"}));
    EXPECT_EQ(levels(kTypeOff, 0), (Labels{" 50.0V", "-25.0V"}));
    EXPECT_EQ(levels(kTypeTemperature, 0), (Labels{"2000C", "-1000C"}));
    EXPECT_EQ(levels(kTypeHumidity, 99), (Labels{"   2%", "  -1%"})) << "a damaged step";

    const WavePlot plot = MakeWavePlot(500, 300, 7, 14, 7, 1000);
    EXPECT_EQ(TimeLabels(plot), (Labels{"2", "4", "6", "8", "10"}));
    EXPECT_EQ(TimeLabels(MakeWavePlot(1920, 540, 7, 14, 0, 100)),
              (Labels{"50", "100", "150", "200", "250", "300"}));

    // Ticks stop at the left edge; a pane too narrow for a tick step still ends.
    int32_t ticks = 0, lastX = -1;
    ForEachTimeTick(plot, [&](int32_t, int32_t x) { ++ticks, lastX = x; });
    EXPECT_EQ(std::tie(ticks, lastX), std::make_tuple(51, 450));
    for (int32_t width : {0, 52, 49}) {
        ticks = 0;
        ForEachTimeTick(MakeWavePlot(width, 10, 7, 14, 7, 1000),
                        [&](int32_t, int32_t) { ++ticks; });
        EXPECT_LE(ticks, 1) << width;
    }
}

TEST(WavePlot, LevelsMatchTheLabels) {
    const WavePlot plot = MakeWavePlot(500, 300, 7, 14, 7, 1000);
    const std::tuple<int32_t, double, int32_t, int32_t, int32_t> cases[] = {
        {kTypeVoltage, 2000, 5, 2000, 7},  // 1 V at the top of the level span
        {kTypeVoltage, 2000, 5, -1000, 150 + 71},
        {kTypeTemperature, 10, 0, 20000, 7},  // 2000 C
        {kTypeHumidity, 20000, 4, 4000, 7},   // 20 %
        // Far off the plot, or a scale that cannot divide: pinned just outside.
        {kTypeVoltage, 0, 10, 32767, -1},
        {kTypeVoltage, 1e-300, 10, 32767, -1},
        {kTypeVoltage, 1e-300, 10, 0, 150}};
    for (const auto& [type, scale, vscale, count, y] : cases) {
        ChannelInfo channel;
        channel.type = type;
        channel.scale = scale;
        EXPECT_EQ(LevelY(plot, ChannelGain(channel, vscale), count), y) << count;
    }
    // An instrument channel: its range (2.5 A) at the top, halved by one step in, labelled in its
    // unit; its counts are 32-bit.
    ChannelInfo amps;
    amps.type = kTypeInstrument;
    amps.span = 2.5;
    amps.scale = InstrumentScale(amps.span);
    CopyText(amps.range, "A");
    EXPECT_EQ(amps.scale, 1e7);
    EXPECT_EQ(LevelY(plot, ChannelGain(amps, 0), 25000000), 7);
    EXPECT_EQ(LevelY(plot, ChannelGain(amps, 1), 12500000), 7);
    EXPECT_EQ(LevelY(plot, ChannelGain(amps, 0), -12500000), 150 + 71);
    Labels labels;
    for (int32_t vscale : {0, 3}) {
        for (int32_t tick : {-10, 5}) {
            char text[kLabelSize];
            FormatLevelLabel(text, amps, vscale, tick);
            labels.emplace_back(text);
        }
    }
    EXPECT_EQ(labels, (Labels{"2.5A", "-1.25A", "0.25A", "-0.125A"}));
}

TEST(WavePlot, CurveOrderAndStaircaseLimits) {
    // The current channel is drawn last, over the others, even when it is off.
    auto ring = std::make_unique<WaveBuffer>();
    LoggerSetup setup;
    WaveView view;
    view.SetLiveSource(&setup, ring.get());
    int32_t order[kChannels];
    setup.channel[2].type = setup.channel[5].type = setup.channel[7].type = kTypeVoltage;
    view.SelectChannel(5);
    setup.channel[5].type = kTypeOff;  // switched off by a later channel query
    ASSERT_EQ(CurveOrder(view, order), 3);
    EXPECT_EQ(std::vector<int32_t>(order, order + 3), (std::vector<int32_t>{7, 2, 5}));

    // One row is a single point at the axis, drawn also when the ring has just wrapped to its
    // first row; a ring started over draws nothing; however many rows arrive, at most one pass
    // through the ring is drawn, even at interval 0.
    const auto corners = [&](const WavePlot& plot) {
        size_t n = 0;
        TraceStaircase(view, plot, 2, 1.0, [&](int32_t, int32_t) { ++n; });
        return n;
    };
    const WavePlot plot = MakeWavePlot(500, 300, 7, 14, 7, 1000);
    view.RingRowsArrived(1);
    EXPECT_EQ(view.DisplayRow(), kRingRows);
    EXPECT_EQ(corners(plot), 1u);
    view.RingStartedOver();
    EXPECT_EQ(corners(plot), 0u);
    view.RingRowsArrived(1 << 30);
    view.RingRowsArrived(1 << 30);
    EXPECT_EQ(corners(MakeWavePlot(500, 300, 7, 14, 7, 0)), 1u + 2 * (kRingRows - 1));
    EXPECT_EQ(MakeWavePlot(500, 300, 7, 14, 7, -5).recordStep, 0.0);
}

TEST(WavePlot, ViewKeepsItsCursorAndChannelWithTheSource) {
    auto ring = std::make_unique<WaveBuffer>();
    LoggerSetup live, recorded;
    live.channel[3].type = live.channel[8].type = recorded.channel[1].type = kTypeVoltage;
    ReplayStore store;
    store.Begin({false, true}, 0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(store.Append({}));
    }
    WaveView view;
    view.SetLiveSource(&live, ring.get());
    view.SelectChannel(4);  // off: the next channel that is on
    view.ShowRecording(recorded, store);
    view.MoveCursor(9);
    view.RingRowsArrived(2);
    view.RingStartedOver();
    EXPECT_EQ(std::tuple(view.CurrentChannel(), view.NewestRow(), view.HasCurves()),
              std::tuple(1, 4, true))
        << "its first channel on, the cursor within its records, untouched by the ring";
    view.MoveCursor(-2);
    EXPECT_EQ(view.DisplayRow(), 0);
    view.MoveCursor(5);
    view.ShowLive(true);
    EXPECT_EQ(std::tuple(view.CurrentChannel(), view.DisplayRow(), view.Source().replay),
              std::tuple(8, 0, nullptr))
        << "back to the live curves: their channel returns, the cursor starts over";
}

}  // namespace
}  // namespace velatrace
