#include "wave/WavePlot.h"

#include "base/FixedText.h"
#include "wave/WaveScales.h"

namespace velatrace {

namespace {
constexpr int32_t kFullScaleCounts = 20000;  // counts of a full-range logger reading

int32_t ClampVscale(int32_t v) {
    return v < 0 ? 0 : (v > kMaxVscale ? kMaxVscale : v);
}
}  // namespace

WavePlot MakeWavePlot(int32_t width, int32_t height, int32_t charWidth, int32_t charHeight,
                      int32_t tscale, int32_t intervalMs) {
    WavePlot plot;
    plot.width = width;
    plot.height = height;
    plot.charWidth = charWidth;
    plot.charHeight = charHeight;
    plot.axisX = width - kLevelStripWidth;
    plot.mid = static_cast<int32_t>(height / 2.0 + 0.5);
    plot.tickStep = static_cast<int32_t>((height - charHeight) / 20.0 + 0.5);
    plot.timeSpan = TimeSpanSeconds(tscale);
    plot.timeDivisions = plot.timeSpan >= 30 ? 6 : 5;
    // Whole columns per division, then tenths of it per minor tick.
    plot.minorTickStep = plot.axisX / plot.timeDivisions / 10.0;
    // A negative interval would draw to the right of the axis; it is taken as 0.
    const double interval = intervalMs > 0 ? intervalMs : 0;
    plot.recordStep = static_cast<double>(plot.axisX) / plot.timeSpan * interval / 1000.0;
    return plot;
}

size_t FormatLevelLabel(char (&out)[kLabelSize], int32_t type, int32_t vscale, int32_t tick) {
    const int32_t v = ClampVscale(vscale);
    const double span = LevelSpan(type, v);
    switch (type) {
        case kTypeTemperature:
            return FormatText(out, sizeof out, "%4dC", static_cast<int32_t>(span) * -tick / 10);
        case kTypeHumidity:
            return FormatText(out, sizeof out, "%4d%%", -tick * static_cast<int32_t>(span) / 10);
        default:
            return FormatText(out, sizeof out, v < 6 ? "% 4.1fV" : "% 4.2fV", -tick * span / 10.0);
    }
}

size_t FormatLevelLabel(char (&out)[kLabelSize], const ChannelInfo& channel, int32_t vscale,
                        int32_t tick) {
    if (channel.type != kTypeInstrument) {
        return FormatLevelLabel(out, channel.type, vscale, tick);
    }
    const double value = -tick * ChannelSpan(channel, ClampVscale(vscale)) / 10.0;
    return FormatText(out, sizeof out, "%.3g%s", value == 0 ? 0.0 : value, channel.range);
}

size_t FormatTimeLabel(char (&out)[kLabelSize], const WavePlot& plot, int32_t k) {
    const int32_t divisions = plot.timeDivisions > 0 ? plot.timeDivisions : 1;
    return FormatText(out, sizeof out, "%d",
                      plot.timeSpan / divisions * k / kMinorTicksPerDivision);
}

size_t FormatChannelLabel(char (&out)[kLabelSize], int32_t channel) {
    return FormatText(out, sizeof out, "[CH%d]", channel + 1);
}

uint32_t ChannelLabelColour(const WaveView& view) {
    // Alarms are scanned in the live ring only; a replayed recording has none.
    const int32_t alarmChannel = view.Source().live != nullptr && view.Source().replay == nullptr
                                     ? view.Source().live->AlarmChannel()
                                     : 0;
    if (alarmChannel <= 0) {
        return wavecolour::kAxis;
    }
    return alarmChannel - 1 == view.CurrentChannel() ? wavecolour::kCurrentAlarm
                                                     : wavecolour::kOtherAlarm;
}

double ChannelGain(const ChannelInfo& channel, int32_t vscale) {
    const double span = ChannelSpan(channel, ClampVscale(vscale));
    double fullScale;
    switch (channel.type) {
        case kTypeTemperature:
            fullScale = kFullScaleCounts / static_cast<int32_t>(span);
            break;
        case kTypeHumidity:
            fullScale = kFullScaleCounts / static_cast<int32_t>(span) * 100;
            break;
        default:
            fullScale = kFullScaleCounts / span;
            break;
    }
    return fullScale / UsableScale(channel.scale);
}

int32_t LevelY(const WavePlot& plot, double gain, int32_t count) {
    const double reach = static_cast<double>(plot.mid - plot.charHeight / 2);
    const double y = plot.mid - std::trunc(reach * count / kFullScaleCounts * gain);
    if (!(y >= -1.0)) {  // also catches a gain that is not a number
        return -1;
    }
    return y > plot.height ? plot.height : static_cast<int32_t>(y);
}

int32_t CurveOrder(const WaveView& view, int32_t (&order)[kChannels]) {
    const LoggerSetup& setup = view.Source().Setup();
    const int32_t current = view.CurrentChannel();
    int32_t n = 0;
    for (int32_t step = 1; step < kChannels; ++step) {
        const int32_t c = (current + step) % kChannels;
        if (setup.channel[c].type != kTypeOff) {
            order[n++] = c;
        }
    }
    order[n++] = current;
    return n;
}

}  // namespace velatrace
