#include "wave/WavePainter.h"

#include <QColor>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVarLengthArray>
#include <vector>

#include "wave/WavePlot.h"

namespace velatrace {

namespace {
constexpr int kLineHeight = 14;  // the pane font's cell height in pixels

QColor Colour(uint32_t rgb) {
    return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QPen LinePen(uint32_t rgb) {
    QPen pen(Colour(rgb));
    pen.setWidth(1);
    pen.setCosmetic(true);
    return pen;
}

// A horizontal or vertical line that, like the Windows line primitives, leaves out its end point.
void AddLine(QVarLengthArray<QLine, 128>& lines, int x1, int y1, int x2, int y2) {
    const int dx = x2 > x1 ? 1 : (x2 < x1 ? -1 : 0);
    const int dy = y2 > y1 ? 1 : (y2 < y1 ? -1 : 0);
    if (dx != 0 || dy != 0) {
        lines.append(QLine(x1, y1, x2 - dx, y2 - dy));
    }
}

// Text whose top-left corner is at (x, y).
void DrawLabel(QPainter& painter, const QFontMetrics& metrics, int x, int y, const char* text) {
    painter.drawText(x, y + metrics.ascent(), QString::fromUtf8(text));
}

void DrawAxes(QPainter& painter, const QFontMetrics& metrics, const WavePlot& plot,
              const WaveView& view) {
    const LoggerSetup& setup = view.Source().Setup();
    const int X = plot.axisX;
    const int mid = plot.mid;
    const int current = view.CurrentChannel();
    QVarLengthArray<QLine, 128> lines;
    AddLine(lines, X, 0, X, plot.height);

    // Level ticks, labelled at the half and full span above and below the time axis.
    struct Label {
        int x, y;
        char text[kLabelSize];
    };
    QVarLengthArray<Label, 96> labels;
    for (int i = -kLevelTicks; i <= kLevelTicks; ++i) {
        const int y = mid + plot.tickStep * i;
        if (i != 0 && i % 5 == 0) {
            AddLine(lines, X, y, X + 6, y);
            Label label{X + 8, y - plot.charHeight / 2, {}};
            FormatLevelLabel(label.text, setup.channel[current], view.Scales().vscale[current], i);
            labels.append(label);
        } else {
            AddLine(lines, X, y, X + 3, y);
        }
    }

    // Time axis and its ticks, labelled in seconds back from the level axis at each division.
    AddLine(lines, X, mid, 0, mid);
    ForEachTimeTick(plot, [&](int32_t k, int32_t x) {
        if (k > 0 && k % kMinorTicksPerDivision == 0) {
            AddLine(lines, X - x, mid + 5, X - x, mid - 5);
            Label label{X - x - plot.charWidth / 2, mid + 5, {}};
            FormatTimeLabel(label.text, plot, k);
            labels.append(label);
        } else {
            AddLine(lines, X - x, mid + 3, X - x, mid - 4);
        }
    });

    painter.setPen(LinePen(wavecolour::kAxis));
    painter.drawLines(lines.constData(), static_cast<int>(lines.size()));
    for (const Label& label : labels) {
        DrawLabel(painter, metrics, label.x, label.y, label.text);
    }

    char channelLabel[kLabelSize];
    FormatChannelLabel(channelLabel, current);
    painter.setPen(Colour(ChannelLabelColour(view)));
    DrawLabel(painter, metrics, X + 10, mid - plot.charHeight / 2, channelLabel);
}

void DrawCurves(QPainter& painter, const WavePlot& plot, const WaveView& view) {
    const LoggerSetup& setup = view.Source().Setup();
    int32_t order[kChannels];
    const int32_t count = CurveOrder(view, order);
    // Records closer than a pixel are drawn as one line per pixel column.
    const bool columns = plot.recordStep < 1.0;
    std::vector<QPoint> points;
    std::vector<QLine> lines;
    if (columns) {
        lines.reserve(static_cast<size_t>(plot.axisX > 0 ? plot.axisX + 2 : 2));
    } else {
        points.reserve(2 * kRingRows + 1);
    }
    const QPen otherPen = LinePen(wavecolour::kOtherChannel);
    const QPen currentPen = LinePen(wavecolour::kCurrentChannel);
    for (int32_t n = 0; n < count; ++n) {
        const int32_t c = order[n];
        const double gain = ChannelGain(setup.channel[c], view.Scales().vscale[c]);
        painter.setPen(n == count - 1 ? currentPen : otherPen);
        points.clear();
        lines.clear();
        WithCurveRecords(view, c, [&](int32_t available, auto&& countBack) {
            if (columns) {
                TraceColumns(plot, available, gain, countBack,
                             [&lines](int32_t x, int32_t top, int32_t bottom) {
                                 lines.emplace_back(x, top, x, bottom);
                             });
            } else {
                TraceSteps(plot, available, gain, countBack, [&points](int32_t x, int32_t y) {
                    if (points.empty() || points.back() != QPoint(x, y)) {
                        points.emplace_back(x, y);
                    }
                });
            }
        });
        if (!lines.empty()) {
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        } else if (points.size() >= 2) {  // a lone starting point draws nothing
            painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        }
    }
}
void DrawMarkers(QPainter& painter, const WavePlot& plot, const WaveView& view) {
    QVarLengthArray<QLine, 128> lines;
    ForEachMarkerLine(view, plot, [&](int32_t x) { lines.append(QLine(x, 0, x, plot.height)); });
    if (!lines.isEmpty()) {
        QPen pen = LinePen(wavecolour::kMarker);
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawLines(lines.constData(), static_cast<int>(lines.size()));
    }
}
}  // namespace

QFont WavePaneFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    // The face has no lighter cut, so the thin weight asked for renders as regular; asking for
    // thin elsewhere would pick a hairline face that is hard to read in grey on black.
    font.setWeight(QFont::Normal);
    for (int pixels = kLineHeight; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= kLineHeight) {
            break;
        }
    }
    return font;
}

void PaintWave(QPainter& painter, const QRect& rect, const WaveView& view, const QFont* paneFont) {
    painter.save();
    painter.translate(rect.topLeft());
    const QRect client(0, 0, rect.width(), rect.height());
    painter.setClipRect(client);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    painter.fillRect(client, Colour(wavecolour::kErase));
    if (!view.HasCurves()) {
        painter.fillRect(client, Colour(wavecolour::kEmptyField));
    }

    const QFont font = paneFont != nullptr ? *paneFont : WavePaneFont();
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const WavePlot plot =
        MakeWavePlot(rect.width(), rect.height(), metrics.horizontalAdvance(QLatin1Char('0')),
                     metrics.height(), view.Scales().tscale, view.Source().Setup().intervalMs);

    DrawAxes(painter, metrics, plot, view);
    if (view.HasCurves()) {
        DrawCurves(painter, plot, view);
        DrawMarkers(painter, plot, view);
    }
    painter.restore();
}

}  // namespace velatrace
