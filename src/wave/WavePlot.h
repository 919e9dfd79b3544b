#pragma once
// The wave pane's picture worked out as numbers: where the axes, ticks and labels go, what the
// labels say and in which colour, and the staircase each channel's curve follows. The Qt painter
// only turns these into pixels, so everything here can be checked without a screen.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "wave/ReplayStore.h"
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
inline constexpr uint32_t kMarker = 0xE8B84A;        // a marker's line
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
// The same for a channel: an instrument channel's label is its value and unit ("-5V").
size_t FormatLevelLabel(char (&out)[kLabelSize], const ChannelInfo& channel, int32_t vscale,
                        int32_t tick);
// Label of time tick `k` (a multiple of 10): seconds back from the right edge.
size_t FormatTimeLabel(char (&out)[kLabelSize], const WavePlot& plot, int32_t k);
size_t FormatChannelLabel(char (&out)[kLabelSize], int32_t channel);
// Colour of the channel label: red when the current channel alarms, purple when another does.
uint32_t ChannelLabelColour(const WaveView& view);

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
int32_t CurveOrder(const WaveView& view, int32_t (&order)[kChannels]);

// Walks a curve from the newest record at the level axis to the left, as a staircase: each
// record holds its level for one record interval. `countBack(k)` is the count k records back from
// the newest, for k < available. Calls point(x, y) for each corner in order (the first call is
// where the pen starts) and stops at the left edge or after `available` records.
template <typename CountBack, typename Point>
void TraceSteps(const WavePlot& plot, int32_t available, double gain, CountBack&& countBack,
                Point&& point) {
    const int32_t left = -1;  // one column past the left edge ends every line off the plot
    const double leftmost = static_cast<double>(plot.axisX) - left;
    point(plot.axisX, LevelY(plot, gain, countBack(0)));
    double x = 0;  // x(k), the distance of record k from the axis
    for (int32_t k = 0; k < available && x <= plot.axisX; ++k) {
        const int32_t y = LevelY(plot, gain, countBack(k));
        point(plot.axisX - static_cast<int32_t>(x), y);
        x = std::trunc(plot.recordStep * (k + 1));
        point(x > leftmost ? left : plot.axisX - static_cast<int32_t>(x), y);
    }
}

// The same curve where records are closer than a pixel: each pixel column gets one vertical line
// from the highest to the lowest level its records reach (the record that steps into it from the
// right included), so a single record's peak stays visible at any zoom and the work per paint is
// bounded by the plot's width. Calls column(x, yTop, yBottom) from the axis to the left.
template <typename CountBack, typename Column>
void TraceColumns(const WavePlot& plot, int32_t available, double gain, CountBack&& countBack,
                  Column&& column) {
    if (available <= 0 || plot.axisX < 0) {
        return;
    }
    // Records beyond the left edge are never read; without a step every record would sit in the
    // axis column, so at most a ring's worth of them is looked at.
    int64_t limit = available;
    const double reach = plot.recordStep > 0 ? (plot.axisX + 1) / plot.recordStep + 1 : kRingRows;
    if (reach < static_cast<double>(limit)) {
        limit = static_cast<int64_t>(reach);
    }
    int32_t at = 0;  // the column being gathered, as a distance from the axis
    int32_t previous = LevelY(plot, gain, countBack(0));
    int32_t top = previous;
    int32_t bottom = previous;
    int64_t k = 0;
    for (; k < limit; ++k) {
        const int32_t x =
            static_cast<int32_t>(std::trunc(plot.recordStep * static_cast<double>(k)));
        if (x > plot.axisX) {
            break;
        }
        const int32_t y = LevelY(plot, gain, countBack(static_cast<int32_t>(k)));
        if (x != at) {
            column(plot.axisX - at, top, bottom);
            at = x;
            top = bottom = previous;  // the step from the newer record is drawn in this column
        }
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        previous = y;
    }
    column(plot.axisX - at, top, bottom);
    // The oldest record drawn holds its level into the next column.
    const double end = std::trunc(plot.recordStep * static_cast<double>(k));
    if (k == available && end > at && end <= plot.axisX) {
        column(plot.axisX - static_cast<int32_t>(end), previous, previous);
    }
}

// Hands channel c's records of the view's source to fn(available, countBack): those of the
// replayed recording, or the live ring's, newest first from the display row. Nothing when
// displayRow is 0. At most shownCount records, and at most one pass through the ring.
template <typename Fn>
void WithCurveRecords(const WaveView& view, int32_t c, Fn&& fn) {
    if (view.DisplayRow() <= 0 || c < 0 || c >= kChannels) {
        return;
    }
    const int32_t shown = view.ShownCount() > 0 ? view.ShownCount() : 0;
    if (const ReplayStore* replay = view.Source().replay) {
        const int32_t records = replay->Records();
        const int32_t newest = (view.DisplayRow() < records ? view.DisplayRow() : records) - 1;
        if (newest < 0) {
            return;
        }
        const int16_t* column = replay->Column(c);
        const int32_t available = shown < newest + 1 ? shown : newest + 1;
        if (column == nullptr) {
            fn(available, [](int32_t) { return int32_t{0}; });
        } else {
            fn(available, [column, newest](int32_t k) { return int32_t{column[newest - k]}; });
        }
        return;
    }
    const WaveBuffer* ring = view.Source().live;
    if (ring == nullptr) {
        return;
    }
    const int32_t newest = (view.DisplayRow() - 1) % kRingRows;
    fn(shown < kRingRows ? shown : kRingRows, [ring, newest, c](int32_t k) {
        const int32_t r = newest - k;
        return ring->Sample(r < 0 ? r + kRingRows : r, c);
    });
}

// Calls fn(x) for each marker of the replayed recording whose record is drawn, x its column: the
// newest record drawn at the level axis, older ones to the left where their steps begin.
template <typename Fn>
void ForEachMarkerLine(const WaveView& view, const WavePlot& plot, Fn&& fn) {
    const std::vector<Marker>* markers = view.Markers();
    if (markers == nullptr || view.DisplayRow() <= 0) {
        return;
    }
    const int64_t records = view.Source().replay->Records();
    const int64_t newest = (view.DisplayRow() < records ? view.DisplayRow() : records) - 1;
    for (const Marker& marker : *markers) {
        const int64_t k = newest - marker.record;
        if (marker.record < 0 || k < 0 || k >= view.ShownCount()) {
            continue;
        }
        const double x = std::trunc(plot.recordStep * static_cast<double>(k));
        if (x <= plot.axisX) {
            fn(plot.axisX - static_cast<int32_t>(x));
        }
    }
}

// Channel c's curve as a staircase (see TraceSteps).
template <typename Point>
void TraceStaircase(const WaveView& view, const WavePlot& plot, int32_t c, double gain,
                    Point&& point) {
    WithCurveRecords(view, c, [&](int32_t available, auto&& countBack) {
        TraceSteps(plot, available, gain, countBack, point);
    });
}

}  // namespace velatrace
