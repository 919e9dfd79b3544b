// Painting the wave pane at 1920 x 540 with ten channels of 3000 records each, all in view,
// against the floor of drawing the same staircase segments with one QPainter::drawLines call;
// and the widest zoom of a replayed day (864,000 records) against one drawLines of 2 x 1920
// segments per channel (goal: within 1.5x).
#include <benchmark/benchmark.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "wave/ReplayStore.h"
#include "wave/WavePainter.h"
#include "wave/WavePlot.h"

namespace velatrace {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 540;

// The view's source points at the setup and ring, which stay where they are when a scene moves.
struct Scene {
    std::unique_ptr<LoggerSetup> setup = std::make_unique<LoggerSetup>();
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    WaveView view;
};

// Record r of channel c: a noisy sine wave.
int32_t NoisySine(int32_t r, int c, std::mt19937& random) {
    std::uniform_int_distribution<int> noise(-300, 300);
    return static_cast<int32_t>(8000 * std::sin(r * (0.01 + 0.003 * c) + c) + noise(random));
}

// Ten voltage and temperature channels with noisy sine waves; 300 s at 100 ms puts every one
// of the 3000 records in view.
Scene FullScene() {
    Scene scene;
    LoggerSetup& setup = *scene.setup;
    std::mt19937 random(7);
    std::vector<uint8_t> points(static_cast<size_t>(kRingRows) * 2 * kChannels);
    WaveScales scales;
    scales.tscale = 0;
    for (int c = 0; c < kChannels; ++c) {
        setup.channel[c].type = c % 3 == 2 ? kTypeTemperature : kTypeVoltage;
        setup.channel[c].scale = c % 3 == 2 ? 10 : 2000;
        scales.vscale[c] = c % 3 == 2 ? 2 : 4;
        for (int r = 0; r < kRingRows; ++r) {
            const int32_t count = NoisySine(r, c, random);
            points[(r * kChannels + c) * 2] = static_cast<uint8_t>(count >> 8);
            points[(r * kChannels + c) * 2 + 1] = static_cast<uint8_t>(count);
        }
    }
    setup.intervalMs = 100;
    setup.bytesPerPoint = 2 * kChannels;
    // A whole ring of the logger's points: the write row is back at 0.
    const int32_t rows = scene.wave->AppendPoints(PointLayout(setup), points.data(),
                                                  static_cast<int32_t>(points.size()));
    scene.view.SetScales(scales);
    scene.view.SetLiveSource(scene.setup.get(), scene.wave.get());
    scene.view.ShowLive(true);
    scene.view.SelectChannel(4);
    scene.view.RingRowsArrived(rows);
    return scene;
}

WavePlot ScenePlot(const Scene& scene) {
    const QFontMetrics metrics(WavePaneFont());
    return MakeWavePlot(kWidth, kHeight, metrics.horizontalAdvance(QLatin1Char('0')),
                        metrics.height(), scene.view.Scales().tscale, scene.setup->intervalMs);
}

// Times `draw(painter)` on a black image in the curve pen. A clip rectangle lets the raster
// engine take its faster clipped-line path (about twice as fast here as no clip at all), so the
// floors are measured with it.
template <typename Draw>
void TimeDrawing(benchmark::State& state, Draw&& draw) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPen pen(QColor(0, 128, 0));
    pen.setCosmetic(true);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setClipRect(image.rect());
        painter.setPen(pen);
        draw(painter);
        painter.end();
        benchmark::ClobberMemory();
    }
}

// The segments the pane's curves consist of: two per record and channel.
std::vector<QLine> CurveSegments(const Scene& scene) {
    const WavePlot plot = ScenePlot(scene);
    std::vector<QLine> lines;
    int32_t order[kChannels];
    const int32_t count = CurveOrder(scene.view, order);
    for (int32_t n = 0; n < count; ++n) {
        const int32_t c = order[n];
        QPoint last;
        bool first = true;
        TraceStaircase(scene.view, plot, c,
                       ChannelGain(scene.setup->channel[c], scene.view.Scales().vscale[c]),
                       [&](int32_t x, int32_t y) {
                           if (!first) {
                               lines.emplace_back(last, QPoint(x, y));
                           }
                           last = QPoint(x, y);
                           first = false;
                       });
    }
    return lines;
}

// Times the whole pane's paint of a scene, in the font the pane fits once.
void TimePaint(benchmark::State& state, const Scene& scene) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const QFont font = WavePaneFont();
    for (auto _ : state) {
        QPainter painter(&image);
        PaintWave(painter, image.rect(), scene.view, &font);
        painter.end();
        benchmark::ClobberMemory();
    }
}

void BM_PaintWavePane(benchmark::State& state) {
    const Scene scene = FullScene();
    TimePaint(state, scene);
    state.counters["segments"] = static_cast<double>(CurveSegments(scene).size());
}
BENCHMARK(BM_PaintWavePane)->Unit(benchmark::kMicrosecond);

void BM_DrawLinesFloor(benchmark::State& state) {
    const Scene scene = FullScene();
    const std::vector<QLine> lines = CurveSegments(scene);
    TimeDrawing(state, [&](QPainter& painter) {
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    });
    state.counters["segments"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_DrawLinesFloor)->Unit(benchmark::kMicrosecond);

// For comparison: the same segments as one polyline per channel, with nothing else drawn.
void BM_DrawPolylinesOnly(benchmark::State& state) {
    const Scene scene = FullScene();
    const std::vector<QLine> lines = CurveSegments(scene);
    std::vector<std::vector<QPoint>> polylines;
    for (const QLine& line : lines) {
        if (polylines.empty() || polylines.back().back() != line.p1()) {
            polylines.push_back({line.p1()});
        }
        polylines.back().push_back(line.p2());
    }
    TimeDrawing(state, [&](QPainter& painter) {
        for (const std::vector<QPoint>& points : polylines) {
            painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        }
    });
    state.counters["polylines"] = static_cast<double>(polylines.size());
}
BENCHMARK(BM_DrawPolylinesOnly)->Unit(benchmark::kMicrosecond);

// A day at 100 ms of the same ten channels, replayed, its end at the level axis, at the widest
// zoom (300 s: 3000 records over 1870 columns).
struct DayScene {
    Scene scene = FullScene();
    std::unique_ptr<ReplayStore> store = std::make_unique<ReplayStore>();
};

std::unique_ptr<DayScene> WidestDay() {
    auto day = std::make_unique<DayScene>();
    std::mt19937 random(7);
    bool on[kChannels];
    std::fill(on, on + kChannels, true);
    constexpr int32_t kRecords = 864000;
    day->store->Begin(on, kRecords);
    int32_t counts[kChannels];
    for (int32_t r = 0; r < kRecords; ++r) {
        for (int c = 0; c < kChannels; ++c) {
            counts[c] = NoisySine(r, c, random);
        }
        day->store->Append(counts);
    }
    day->scene.view.ShowRecording(*day->scene.setup, *day->store);
    day->scene.view.SelectChannel(4);
    day->scene.view.MoveCursor(kRecords);
    return day;
}

void BM_PaintWidestZoomOfADay(benchmark::State& state) {
    const auto day = WidestDay();
    TimePaint(state, day->scene);
}
BENCHMARK(BM_PaintWidestZoomOfADay)->Unit(benchmark::kMicrosecond);

// The floor: per channel one drawLines of 2 x 1920 segments, a vertical and a horizontal one per
// column, following the same curves.
void BM_DrawLinesTwoPerColumn(benchmark::State& state) {
    const auto day = WidestDay();
    const Scene& scene = day->scene;
    const WavePlot plot = ScenePlot(scene);
    std::vector<std::vector<QLine>> channels(kChannels);
    for (int c = 0; c < kChannels; ++c) {
        const int16_t* column = day->store->Column(c);
        const double gain = ChannelGain(scene.setup->channel[c], scene.view.Scales().vscale[c]);
        for (int x = 0; x < kWidth; ++x) {
            const int32_t record = scene.view.DisplayRow() - 1 - (kWidth - 1 - x) * 3000 / kWidth;
            const int y = LevelY(plot, gain, column[record]);
            const int y2 = LevelY(plot, gain, column[record - 1]);
            channels[c].emplace_back(x, y, x, y2);
            channels[c].emplace_back(x, y2, x + 1, y2);
        }
    }
    TimeDrawing(state, [&](QPainter& painter) {
        for (const std::vector<QLine>& lines : channels) {
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        }
    });
    state.counters["segments"] = 2.0 * kWidth * kChannels;
}
BENCHMARK(BM_DrawLinesTwoPerColumn)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velatrace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
