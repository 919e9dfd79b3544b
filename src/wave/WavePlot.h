#pragma once
// The wave pane's picture worked out as numbers: where the axes, ticks and labels go, what the
// labels say and in which colour, and the staircase each channel's curve follows. The Qt painter
// only turns these into pixels, so everything here can be checked without a screen.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "wave/WaveBuffer.h"
#include "wave/WaveView.h"

namespace velatrace {

// Colours of the pane as 0xRRGGBB.
namespace wavecolour {
inline constexpr uint32_t kErase = 0x000000;  // the window's background, painted on every paint
inline constexpr uint32_t kAxis = 0x808080;   // axes, ticks and label text
inline constexpr uint32_t kEmptyField = 0x404040;
inline constexpr uint32_t kOtherChannel = 0x404040;
inline constexpr uint32_t kCurrentChannel = 0x008000;
inline constexpr uint32_t kCurrentAlarm = 0xFF0000;  // channel label: the current channel alarms
inline constexpr uint32_t kOtherAlarm = 0x800080;    // channel label: another channel alarms
}  // namespace wavecolour

inline constexpr int32_t kLevelStripWidth = 50;  // the level axis sits this far from the right
inline constexpr int32_t kLevelTicks = 10;       // level ticks on each side of the time axis
inline constexpr int32_t kMinorTicksPerDivision = 10;
inline constexpr size_t kLabelSize = 10;  // label buffers, terminator included

// Geometry of one paint, from the client size, the pane font's extent of "0" and the scales.
// Coordinates are relative to the client area's top-left corner.
struct WavePlot {
    int32_t width = 0;
    int32_t height = 0;
    int32_t charWidth = 0;      // width of "0"
    int32_t charHeight = 0;     // height of "0"
    int32_t axisX = 0;          // column of the level axis; the time axis runs left from it
    int32_t mid = 0;            // row of the time axis
    int32_t tickStep = 0;       // rows between level ticks
    int32_t timeSpan = 0;       // seconds across the plot
    int32_t timeDivisions = 0;  // labelled divisions of the time axis
    double minorTickStep = 0;   // columns between time ticks
    double recordStep = 0;      // columns between two records of a curve
};

WavePlot MakeWavePlot(int32_t width, int32_t height, int32_t charWidth, int32_t charHeight,
                      int32_t tscale, int32_t intervalMs);

// Label of level tick `tick` (-10 at the top .. 10 at the bottom) for a channel type and step.
size_t FormatLevelLabel(char (&out)[kLabelSize], int32_t type, int32_t vscale, int32_t tick);
// Label of time tick `k` (a multiple of 10): seconds back from the right edge.
size_t FormatTimeLabel(char (&out)[kLabelSize], const WavePlot& plot, int32_t k);
size_t FormatChannelLabel(char (&out)[kLabelSize], int32_t channel);
// Colour of the channel label: red when the current channel alarms, purple when another does.
uint32_t ChannelLabelColour(const WaveBuffer& wave);

// Calls fn(k, x) for each time tick, x being its distance left of the level axis.
template <typename Fn>
void ForEachTimeTick(const WavePlot& plot, Fn&& fn) {
    for (int32_t k = 0;; ++k) {
        const double x = std::trunc(k * plot.minorTickStep + 0.5);
        if (x > plot.axisX) {
            return;
        }
        fn(k, static_cast<int32_t>(x));
        if (plot.minorTickStep <= 0) {
            return;  // a plot too narrow for a tick step would repeat the same tick forever
        }
    }
}

// Pixels per count of the channel's curve, relative to full scale (counts / 20000).
double ChannelGain(const ChannelInfo& channel, int32_t vscale);
// Row of a count for a channel of the given gain. Rows beyond the plot are pinned just outside
// it: curves are made of horizontal and vertical lines only, so the visible pixels stay the same.
int32_t LevelY(const WavePlot& plot, double gain, int32_t count);

// The channels in drawing order: the others from the one after the current channel, wrapping,
// skipping those that are off, and the current channel last. Returns how many there are.
int32_t CurveOrder(const WaveBuffer& wave, int32_t (&order)[kChannels]);

// Walks channel c's curve from the newest record at the level axis to the left, as a staircase:
// each record holds its level for one record interval. Calls point(x, y) for each corner in
// order (the first call is where the pen starts). Draws nothing when displayRow is 0 and stops at
// the left edge, after shownCount records, or after one pass through the ring.
template <typename Point>
void TraceStaircase(const WaveBuffer& wave, const WavePlot& plot, int32_t displayRow, int32_t c,
                    double gain, Point&& point) {
    if (displayRow <= 0 || c < 0 || c >= kChannels) {
        return;
    }
    const int32_t left = -1;  // one column past the left edge ends every line off the plot
    const double leftmost = static_cast<double>(plot.axisX) - left;
    int32_t r = (displayRow - 1) % kRingRows;
    int32_t y = LevelY(plot, gain, wave.samples[r][c]);
    point(plot.axisX, y);
    const int32_t count = wave.shownCount < kRingRows ? wave.shownCount : kRingRows;
    double x = 0;  // x(k), the distance of record k from the axis
    for (int32_t k = 0; k < count && x <= plot.axisX; ++k) {
        point(plot.axisX - static_cast<int32_t>(x), y);
        x = std::trunc(plot.recordStep * (k + 1));
        point(x > leftmost ? left : plot.axisX - static_cast<int32_t>(x), y);
        r = r == 0 ? kRingRows - 1 : r - 1;
        y = LevelY(plot, gain, wave.samples[r][c]);
    }
}

}  // namespace velatrace
