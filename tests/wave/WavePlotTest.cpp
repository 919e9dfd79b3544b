#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "wave/WavePlot.h"

namespace velatrace {
namespace {

std::vector<std::string> LevelLabels(int32_t type, int32_t vscale) {
    std::vector<std::string> labels;
    for (int32_t tick : {-10, -5, 5, 10}) {
        char text[kLabelSize];
        FormatLevelLabel(text, type, vscale, tick);
        labels.emplace_back(text);
    }
    return labels;
}

std::vector<std::string> TimeLabels(const WavePlot& plot) {
    std::vector<std::string> labels;
    ForEachTimeTick(plot, [&](int32_t k, int32_t) {
        if (k > 0 && k % kMinorTicksPerDivision == 0) {
            char text[kLabelSize];
            FormatTimeLabel(text, plot, k);
            labels.emplace_back(text);
        }
    });
    return labels;
}

using Corners = std::vector<std::pair<int32_t, int32_t>>;

Corners Trace(const WaveBuffer& wave, const WavePlot& plot, int32_t displayRow, int32_t c,
              double gain) {
    Corners corners;
    TraceStaircase(wave, plot, displayRow, c, gain,
                   [&](int32_t x, int32_t y) { corners.emplace_back(x, y); });
    return corners;
}

TEST(WavePlot, LevelLabelsPerInputKind) {
    using Labels = std::vector<std::string>;
    EXPECT_EQ(LevelLabels(kTypeVoltage, 5), (Labels{" 1.0V", " 0.5V", "-0.5V", "-1.0V"}));
    EXPECT_EQ(LevelLabels(kTypeVoltage, 9), (Labels{" 0.05V", " 0.03V", "-0.03V", "-0.05V"}));
    EXPECT_EQ(LevelLabels(kTypeOff, 0), (Labels{" 50.0V", " 25.0V", "-25.0V", "-50.0V"}));
    EXPECT_EQ(LevelLabels(kTypeTemperature, 0), (Labels{"2000C", "1000C", "-1000C", "-2000C"}));
    EXPECT_EQ(LevelLabels(kTypeHumidity, 4), (Labels{"  20%", "  10%", " -10%", " -20%"}));
    EXPECT_EQ(LevelLabels(kTypeHumidity, 99), (Labels{"   2%", "   1%", "  -1%", "  -2%"}))
        << "a damaged step reads as the last one";
}

TEST(WavePlot, GeometryAndTimeAxis) {
    // 500 x 300 with a 7 x 14 character: axis 50 from the right, time axis half-way down.
    WavePlot plot = MakeWavePlot(500, 300, 7, 14, 7, 1000);
    EXPECT_EQ(plot.axisX, 450);
    EXPECT_EQ(plot.mid, 150);
    EXPECT_EQ(plot.tickStep, 14);  // (300 - 14) / 20 rounded
    EXPECT_EQ(plot.recordStep, 45.0);
    EXPECT_EQ(TimeLabels(plot), (std::vector<std::string>{"2", "4", "6", "8", "10"}));
    EXPECT_EQ(MakeWavePlot(501, 301, 7, 14, 7, 1000).mid, 151);

    using Labels = std::vector<std::string>;
    EXPECT_EQ(TimeLabels(MakeWavePlot(1920, 540, 7, 14, 4, 100)),
              (Labels{"10", "20", "30", "40", "50", "60"}));
    EXPECT_EQ(TimeLabels(MakeWavePlot(1920, 540, 7, 14, 0, 100)),
              (Labels{"50", "100", "150", "200", "250", "300"}));

    // Ticks stop at the left edge; a pane too narrow for a tick step still ends.
    int32_t ticks = 0, lastX = -1;
    ForEachTimeTick(plot, [&](int32_t, int32_t x) { ++ticks, lastX = x; });
    EXPECT_EQ(ticks, 51);
    EXPECT_EQ(lastX, 450);
    for (int32_t width : {0, 52, 49}) {
        ticks = 0;
        ForEachTimeTick(MakeWavePlot(width, 10, 7, 14, 7, 1000),
                        [&](int32_t, int32_t) { ++ticks; });
        EXPECT_LE(ticks, 1) << width;
    }
}

TEST(WavePlot, ChannelLabelAndCurveOrder) {
    auto wave = std::make_unique<WaveBuffer>();
    char text[kLabelSize];
    FormatChannelLabel(text, 9);
    EXPECT_STREQ(text, "[CH10]");

    wave->currentChannel = 4;
    EXPECT_EQ(ChannelLabelColour(*wave), wavecolour::kAxis);
    wave->alarmChannel = 3;
    EXPECT_EQ(ChannelLabelColour(*wave), wavecolour::kOtherAlarm);
    wave->currentChannel = 2;
    EXPECT_EQ(ChannelLabelColour(*wave), wavecolour::kCurrentAlarm);

    int32_t order[kChannels];
    for (ChannelInfo& ch : wave->channel) {
        ch.type = kTypeVoltage;
    }
    wave->channel[5].type = kTypeOff;
    wave->currentChannel = 9;
    ASSERT_EQ(CurveOrder(*wave, order), 9);
    EXPECT_EQ(std::vector<int32_t>(order, order + 9),
              (std::vector<int32_t>{0, 1, 2, 3, 4, 6, 7, 8, 9}));
    wave->currentChannel = 5;  // drawn last although it is off
    ASSERT_EQ(CurveOrder(*wave, order), 10);
    EXPECT_EQ(order[0], 6);
    EXPECT_EQ(order[9], 5);
}

TEST(WavePlot, LevelsMatchTheLabels) {
    const WavePlot plot = MakeWavePlot(500, 300, 7, 14, 7, 1000);
    ChannelInfo volts;
    volts.type = kTypeVoltage;
    volts.scale = 2000;                         // 10 V range
    const double gain = ChannelGain(volts, 5);  // 1 V at the top
    EXPECT_EQ(LevelY(plot, gain, 0), 150);
    EXPECT_EQ(LevelY(plot, gain, 2000), 150 - 143);  // 1 V: the top of the level span
    EXPECT_EQ(LevelY(plot, gain, -1000), 150 + 71);

    ChannelInfo heat;
    heat.type = kTypeTemperature;
    heat.scale = 10;
    EXPECT_EQ(LevelY(plot, ChannelGain(heat, 0), 20000), 7);  // 2000 C
    EXPECT_EQ(LevelY(plot, ChannelGain(heat, 10), 500), 7);   // 50 C

    ChannelInfo humid;
    humid.type = kTypeHumidity;
    humid.scale = 20000;
    EXPECT_EQ(LevelY(plot, ChannelGain(humid, 4), 4000), 7);  // 20 %

    // Far off the plot, or a scale that cannot divide: pinned just outside, never undefined.
    volts.scale = 0;
    EXPECT_EQ(LevelY(plot, ChannelGain(volts, 10), 32767), -1);
    EXPECT_EQ(LevelY(plot, ChannelGain(volts, 10), -32768), 300);
    volts.scale = 1e-300;
    EXPECT_EQ(LevelY(plot, ChannelGain(volts, 10), 32767), -1);
    EXPECT_EQ(LevelY(plot, ChannelGain(volts, 10), 0), 150);
}

TEST(WavePlot, StaircaseFromTheNewestRecordLeftwards) {
    auto wave = std::make_unique<WaveBuffer>();
    wave->intervalMs = 1000;
    const WavePlot plot = MakeWavePlot(500, 300, 7, 14, 7, 1000);  // 45 columns per record
    // Gain 20000 / 143 makes one count one row.
    const double gain = 20000.0 / 143;
    wave->samples[1][2] = 10;
    wave->samples[0][2] = 20;
    wave->samples[kRingRows - 1][2] = 30;
    wave->samples[kRingRows - 2][2] = 40;

    wave->shownCount = 3;
    EXPECT_EQ(
        Trace(*wave, plot, 2, 2, gain),
        (Corners{
            {450, 140}, {450, 140}, {405, 140}, {405, 130}, {360, 130}, {360, 120}, {315, 120}}))
        << "wraps from row 0 to row 2999";

    wave->shownCount = 0;
    EXPECT_EQ(Trace(*wave, plot, 5, 2, gain), (Corners{{450, 150}}));
    wave->shownCount = 100;
    EXPECT_TRUE(Trace(*wave, plot, 0, 2, gain).empty());

    // 11 records reach the left edge; the last step ends one column past it.
    const Corners full = Trace(*wave, plot, 2, 2, gain);
    ASSERT_EQ(full.size(), 1u + 2 * 11);
    EXPECT_EQ(full[full.size() - 2].first, 0);
    EXPECT_EQ(full.back().first, -1);

    // A huge shown count draws at most one pass through the ring, even at interval 0.
    wave->shownCount = 1 << 30;
    wave->intervalMs = 0;
    const WavePlot still = MakeWavePlot(500, 300, 7, 14, 7, 0);
    EXPECT_EQ(Trace(*wave, still, 3000, 2, gain).size(), 1u + 2 * kRingRows);
    wave->intervalMs = -5;
    EXPECT_EQ(MakeWavePlot(500, 300, 7, 14, 7, -5).recordStep, 0.0);
}

}  // namespace
}  // namespace velatrace
