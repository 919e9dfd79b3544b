#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <memory>
#include <string>

#include "wave/ReplayStore.h"
#include "wave/WavePainter.h"
#include "wave/WavePane.h"
#include "wave/WavePlot.h"

namespace velatrace {
namespace {

constexpr int kWidth = 500;   // level axis at column 450
constexpr int kHeight = 300;  // time axis at row 150

const QRgb kBlack = qRgb(0, 0, 0), kGrey = qRgb(128, 128, 128), kDarkGrey = qRgb(64, 64, 64);
const QRgb kGreen = qRgb(0, 128, 0), kRed = qRgb(255, 0, 0), kPurple = qRgb(128, 0, 128);

class WavePaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setup.intervalMs = 1000;
        setup.bytesPerPoint = 48;
        setup.channelCount = 10;
        view.SetLiveSource(&setup, wave.get());
        Scale([](WaveScales& s) { s.tscale = 7; });  // 10 s across 450 columns: 45 per record
        view.ShowLive(true);
        const QFontMetrics metrics(WavePaneFont());
        plot = MakeWavePlot(kWidth, kHeight, metrics.horizontalAdvance(QLatin1Char('0')),
                            metrics.height(), view.Scales().tscale, setup.intervalMs);
    }

    QImage Paint() {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        PaintWave(painter, image.rect(), view);
        return image;
    }

    // The label's rectangle holds exactly `text` in `colour`, drawn with its top-left corner at
    // (x, y) on a plain `background`; the pixel `skip` (a tick's end) is not compared.
    void ExpectText(const QImage& image, int x, int y, const std::string& text, QRgb colour,
                    QRgb background, QPoint skip = QPoint(-1, -1)) {
        SCOPED_TRACE(text);
        const QFontMetrics metrics(WavePaneFont());
        const QString s = QString::fromStdString(text);
        QImage expected(metrics.horizontalAdvance(s) + 2, metrics.height(), QImage::Format_RGB32);
        expected.fill(background);
        {
            QPainter painter(&expected);
            painter.setFont(WavePaneFont());
            painter.setPen(QColor(colour));
            painter.drawText(0, metrics.ascent(), s);
        }
        int inked = 0, differing = 0;
        for (int j = 0; j < expected.height(); ++j) {
            for (int i = 0; i < expected.width(); ++i) {
                if (image.rect().contains(x + i, y + j) && QPoint(x + i, y + j) != skip) {
                    inked += expected.pixel(i, j) != background ? 1 : 0;
                    differing += image.pixel(x + i, y + j) != expected.pixel(i, j) ? 1 : 0;
                }
            }
        }
        EXPECT_GT(inked, 8) << "the text is there";
        EXPECT_EQ(differing, 0);
    }

    static int Count(const QImage& image, QRect area, QRgb colour) {
        int n = 0;
        area &= image.rect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                n += image.pixel(x, y) == colour ? 1 : 0;
            }
        }
        return n;
    }

    // Appends a logger record with these counts of channels 1 to 3 and these channels in alarm.
    void Append(int32_t a, int32_t b, int32_t c, uint16_t alarms = 0) {
        uint8_t point[48] = {};
        const int32_t counts[] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            point[2 * k] = static_cast<uint8_t>(counts[k] >> 8);
            point[2 * k + 1] = static_cast<uint8_t>(counts[k]);
        }
        point[39] = static_cast<uint8_t>(alarms);
        point[40] = static_cast<uint8_t>(alarms >> 8);
        view.RingRowsArrived(wave->AppendPoints(PointLayout(setup), point, sizeof point));
    }
    // Changes the scales as loading them from the settings would.
    template <typename Change>
    void Scale(Change&& change) {
        WaveScales scales = view.Scales();
        change(scales);
        view.SetScales(scales);
    }

    LoggerSetup setup;
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    WaveView view;
    WavePlot plot;
};

// The label texts are tested in WavePlot; here where they go and in which colour.
TEST_F(WavePaneTest, VoltageChannelAxesLabelsStaircaseAndTheWidget) {
    ChannelInfo& current = setup.channel[0];
    current.type = kTypeVoltage;
    current.scale = 2000;  // 10 V range
    setup.channel[1] = current;
    setup.channel[2].scale = 2000;  // off: never drawn
    for (int c = 0; c < 3; ++c) {
        Scale([c](WaveScales& s) { s.vscale[c] = 5; });  // 1 V at the top
    }
    Append(0, 0, 0);  // the oldest row, its level held to the left
    Append(2000, 500, 1500);
    Append(-1000, 500, 1500);
    Append(1000, 500, 1500);  // newest: 0.5 V
    const QImage image = Paint();

    const int X = plot.axisX, mid = plot.mid;
    const auto y = [&](int32_t count) { return LevelY(plot, ChannelGain(current, 5), count); };
    const int yHalf = y(1000), yLow = y(-1000), yTop = y(2000), yOther = y(500);

    // Level axis from top to bottom, with long ticks at the labels and short ones between.
    EXPECT_EQ(Count(image, QRect(X, 0, 1, kHeight), kGrey), kHeight - 2) << "less two curves";
    for (int i = -kLevelTicks; i <= kLevelTicks; ++i) {
        const int length = (i != 0 && i % 5 == 0) ? 6 : 3;
        EXPECT_EQ(image.pixel(X + length - 1, mid + plot.tickStep * i), kGrey) << i;
        EXPECT_EQ(image.pixel(X + length, mid + plot.tickStep * i), kBlack) << i;
    }
    ExpectText(image, X + 8, mid + plot.tickStep * 5 - plot.charHeight / 2, "-0.5V", kGrey, kBlack);
    ExpectText(image, X + 10, mid - plot.charHeight / 2, "[CH1]", kGrey, kBlack);

    // Time axis with a division mark 30 minor ticks (270 columns) left of the axis.
    EXPECT_EQ(Count(image, QRect(1, mid, 300, 1), kGrey), 300);
    EXPECT_EQ(Count(image, QRect(X - 270, mid - 5, 1, 11), kGrey), 10);
    EXPECT_EQ(Count(image, QRect(X - 9, mid - 4, 1, 9), kGrey), 7);

    // The current channel: a staircase from the newest record at the axis leftwards, 45
    // columns per record, three records, drawn over the other channel.
    EXPECT_EQ(image.pixel(406, yHalf), kGreen);
    EXPECT_EQ(Count(image, QRect(405, yHalf, 1, yLow - yHalf + 1), kGreen), yLow - yHalf + 1);
    EXPECT_EQ(Count(image, QRect(360, yTop, 1, yLow - yTop + 1), kGreen), yLow - yTop + 1);
    EXPECT_EQ(image.pixel(320, yTop), kGreen);
    EXPECT_EQ(Count(image, QRect(0, 0, 314, kHeight), kGreen), 0) << "three records only";
    EXPECT_EQ(Count(image, QRect(X + 1, 0, 49, kHeight), kGreen), 0);

    // The other channel in dark grey under it; the channel that is off is not drawn.
    EXPECT_EQ(image.pixel(330, yOther), kDarkGrey);
    EXPECT_EQ(image.pixel(405, yOther), kGreen);
    EXPECT_EQ(Count(image, QRect(0, y(1500), X, 1), kDarkGrey), 0);

    // Older records, back across the ring's end, fill the plot to its left edge.
    for (int r = 4; r < kRingRows; ++r) {
        Append(1000, 0, 0);
    }
    EXPECT_EQ(Count(Paint(), QRect(0, yHalf, 316, 1), kGreen), 316);

    // The channel label turns red when this channel alarms, purple when another does.
    const int labelY = mid - plot.charHeight / 2;
    Append(1000, 500, 1500, 0x01);
    wave->ScanAlarms(setup, 1);
    ExpectText(Paint(), X + 10, labelY, "[CH1]", kRed, kBlack);
    Append(1000, 500, 1500, 0x02);
    wave->ScanAlarms(setup, 1);
    ExpectText(Paint(), X + 10, labelY, "[CH1]", kPurple, kBlack);

    // The pane widget paints the same picture and reports each change of its size.
    WavePane pane(view);
    int resizes = 0;
    QObject::connect(&pane, &WavePane::resized, [&resizes] { ++resizes; });
    pane.resize(kWidth, kHeight + 20);
    pane.show();
    QApplication::processEvents();
    const int before = resizes;
    pane.resize(kWidth, kHeight);
    QApplication::processEvents();
    EXPECT_EQ(resizes, before + 1);
    EXPECT_EQ(pane.grab().toImage().convertToFormat(QImage::Format_RGB32), Paint());
}

TEST_F(WavePaneTest, AReplayedRecordingKeepsEveryPeakAtTheWidestZoom) {
    // An hour at 100 ms; 300 s across 450 columns puts about 7 records in each column.
    setup.intervalMs = 100;
    setup.channel[0].type = kTypeVoltage;
    setup.channel[0].scale = 2000;
    ReplayStore store;
    store.Begin({true}, 0);
    constexpr int kRecords = 36000, kSpikeBack = 1234;
    for (int i = 0; i < kRecords; ++i) {
        int32_t counts[kChannels] = {i == kRecords - 1 - kSpikeBack ? 9000 : 0};
        ASSERT_TRUE(store.Append(counts));
    }
    view.ShowRecording(setup, store);
    view.MoveCursor(kRecords);
    Scale([](WaveScales& s) { s.tscale = 0; });
    plot = MakeWavePlot(kWidth, kHeight, plot.charWidth, plot.charHeight, 0, setup.intervalMs);
    const QImage image = Paint();

    const double gain = ChannelGain(setup.channel[0], 0);
    const int yZero = LevelY(plot, gain, 0), ySpike = LevelY(plot, gain, 9000);
    ASSERT_LT(ySpike, yZero - 10);
    const int spikeX = plot.axisX - static_cast<int>(plot.recordStep * kSpikeBack);
    EXPECT_EQ(Count(image, QRect(spikeX, ySpike, 1, yZero - ySpike + 1), kGreen),
              yZero - ySpike + 1)
        << "the one record's peak, all the way up";
    EXPECT_EQ(Count(image, QRect(0, 0, plot.axisX, ySpike), kGreen), 0);
    EXPECT_EQ(Count(image, QRect(0, ySpike, plot.axisX + 1, 1), kGreen), 1) << "one column";
    EXPECT_EQ(Count(image, QRect(0, yZero, plot.axisX + 1, 1), kGreen), plot.axisX + 1)
        << "the flat level across the whole plot";
}

TEST_F(WavePaneTest, NothingToDrawShowsADarkFieldWithAxesOnly) {
    setup.channel[0].type = kTypeHumidity;
    setup.channel[0].scale = 20000;
    Scale([](WaveScales& s) { s.vscale[0] = 4; });
    setup.channel[1].type = kTypeVoltage;
    for (int r = 0; r < 10; ++r) {
        Append(3000, 3000, 0);
    }
    view.ShowLive(false);
    Scale([](WaveScales& s) { s.tscale = 4; });  // 60 s in six divisions
    plot = MakeWavePlot(kWidth, kHeight, plot.charWidth, plot.charHeight, 4, setup.intervalMs);
    const QImage image = Paint();

    const int X = plot.axisX, mid = plot.mid;
    EXPECT_EQ(Count(image, QRect(X, 0, 1, kHeight), kGrey), kHeight);
    EXPECT_EQ(Count(image, QRect(0, 0, X - 1, mid - 5), kDarkGrey), (X - 1) * (mid - 5))
        << "no curve above the time axis";
    // The fifth time label: whole columns per division, a tenth of one per tick.
    const int x = static_cast<int>(50 * (X / 6 / 10.0) + 0.5);
    ExpectText(image, X - x - plot.charWidth / 2, mid + 5, "50", kGrey, kDarkGrey,
               QPoint(X - x, mid + 5));
}

}  // namespace
}  // namespace velatrace
