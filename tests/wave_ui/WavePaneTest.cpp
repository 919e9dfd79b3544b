#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <memory>
#include <string>
#include <vector>

#include "wave/WavePainter.h"
#include "wave/WavePane.h"
#include "wave/WavePlot.h"

namespace velatrace {
namespace {

constexpr int kWidth = 500;   // level axis at column 450
constexpr int kHeight = 300;  // time axis at row 150

const QColor kBlack(0, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kDarkGrey(64, 64, 64);
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kPurple(128, 0, 128);

class WavePaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wave->intervalMs = 1000;
        view.scales.tscale = 7;  // 10 s across 450 columns: 45 columns per record
        view.hasSource = 1;
        const QFontMetrics metrics(WavePaneFont());
        plot = MakeWavePlot(kWidth, kHeight, metrics.horizontalAdvance(QLatin1Char('0')),
                            metrics.height(), view.scales.tscale, wave->intervalMs);
    }

    QImage Paint() {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        PaintWave(painter, image.rect(), *wave, view);
        return image;
    }

    // The label's rectangle holds exactly `text` in `colour`, drawn with its top-left corner at
    // (x, y) on a plain `background`; the pixel `skip` (a tick's end) is not compared.
    void ExpectText(const QImage& image, int x, int y, const std::string& text, QColor colour,
                    QColor background, QPoint skip = QPoint(-1, -1)) {
        SCOPED_TRACE(text);
        const QFont font = WavePaneFont();
        const QFontMetrics metrics(font);
        const QString s = QString::fromStdString(text);
        QImage expected(metrics.horizontalAdvance(s) + 2, metrics.height(), QImage::Format_RGB32);
        expected.fill(background);
        {
            QPainter painter(&expected);
            painter.setFont(font);
            painter.setPen(colour);
            painter.drawText(0, metrics.ascent(), s);
        }
        int inked = 0, differing = 0;
        for (int j = 0; j < expected.height(); ++j) {
            for (int i = 0; i < expected.width(); ++i) {
                if (!image.rect().contains(x + i, y + j) || QPoint(x + i, y + j) == skip) {
                    continue;
                }
                const QRgb want = expected.pixel(i, j);
                inked += want != background.rgb() ? 1 : 0;
                differing += image.pixel(x + i, y + j) != want ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 8) << "the text is there";
        EXPECT_EQ(differing, 0);
    }

    static int Count(const QImage& image, QRect area, QColor colour) {
        int n = 0;
        area &= image.rect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                n += image.pixel(x, y) == colour.rgb() ? 1 : 0;
            }
        }
        return n;
    }

    int LevelLabelY(int tick) const {
        return plot.mid + plot.tickStep * tick - plot.charHeight / 2;
    }

    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    WaveView view;
    WavePlot plot;
};

TEST_F(WavePaneTest, VoltageChannelAxesLabelsAndStaircase) {
    ChannelInfo& current = wave->channel[0];
    current.type = kTypeVoltage;
    current.scale = 2000;       // 10 V range
    view.scales.vscale[0] = 5;  // 1 V at the top
    wave->channel[1] = current;
    view.scales.vscale[1] = 5;
    wave->channel[2].scale = 2000;  // off: never drawn
    view.scales.vscale[2] = 5;
    wave->samples[2][0] = 1000;  // newest: 0.5 V
    wave->samples[1][0] = -1000;
    wave->samples[0][0] = 2000;
    for (int r = 0; r < 3; ++r) {
        wave->samples[r][1] = 500;
        wave->samples[r][2] = 1500;
    }
    view.displayRow = 3;
    wave->shownCount = 3;
    const QImage image = Paint();

    const int X = plot.axisX, mid = plot.mid;
    const int yHalf = LevelY(plot, ChannelGain(current, 5), 1000);
    const int yLow = LevelY(plot, ChannelGain(current, 5), -1000);
    const int yTop = LevelY(plot, ChannelGain(current, 5), 2000);
    const int yOther = LevelY(plot, ChannelGain(current, 5), 500);
    const int yOff = LevelY(plot, ChannelGain(current, 5), 1500);

    // Level axis from top to bottom, with long ticks at the labels and short ones between.
    for (int y = 0; y < kHeight; ++y) {
        if (y != yHalf && y != yOther) {
            EXPECT_EQ(image.pixel(X, y), kGrey.rgb()) << y;
        }
    }
    for (int i = -kLevelTicks; i <= kLevelTicks; ++i) {
        const int y = mid + plot.tickStep * i;
        const int length = (i != 0 && i % 5 == 0) ? 6 : 3;
        EXPECT_EQ(image.pixel(X + length - 1, y), kGrey.rgb()) << i;
        EXPECT_EQ(image.pixel(X + length, y), kBlack.rgb()) << i;
    }
    const std::vector<std::string> labels{" 1.0V", " 0.5V", "-0.5V", "-1.0V"};
    const int ticks[] = {-10, -5, 5, 10};
    for (int n = 0; n < 4; ++n) {
        ExpectText(image, X + 8, LevelLabelY(ticks[n]), labels[n], kGrey, kBlack);
    }
    ExpectText(image, X + 10, mid - plot.charHeight / 2, "[CH1]", kGrey, kBlack);

    // Time axis with a division mark 30 minor ticks (270 columns) left of the axis.
    EXPECT_EQ(Count(image, QRect(1, mid, 300, 1), kGrey), 300);
    EXPECT_EQ(Count(image, QRect(X - 270, mid - 4, 1, 10), kGrey), 10);
    EXPECT_EQ(image.pixel(X - 270, mid - 5), kBlack.rgb());
    EXPECT_EQ(Count(image, QRect(X - 9, mid - 3, 1, 7), kGrey), 7);
    EXPECT_EQ(image.pixel(X - 9, mid + 4), kBlack.rgb());

    // The current channel: a staircase from the newest record at the axis leftwards, 45
    // columns per record, three records, drawn over the other channel.
    EXPECT_EQ(image.pixel(430, yHalf), kGreen.rgb());
    EXPECT_EQ(image.pixel(406, yHalf), kGreen.rgb());
    EXPECT_EQ(Count(image, QRect(405, yHalf, 1, yLow - yHalf + 1), kGreen), yLow - yHalf + 1);
    EXPECT_EQ(image.pixel(380, yLow), kGreen.rgb());
    EXPECT_EQ(Count(image, QRect(360, yTop, 1, yLow - yTop + 1), kGreen), yLow - yTop + 1);
    EXPECT_EQ(image.pixel(320, yTop), kGreen.rgb());
    EXPECT_EQ(Count(image, QRect(0, 0, 314, kHeight), kGreen), 0) << "three records only";
    EXPECT_EQ(Count(image, QRect(X + 1, 0, 49, kHeight), kGreen), 0);

    // The other channel in dark grey under it; the channel that is off is not drawn.
    EXPECT_EQ(image.pixel(440, yOther), kDarkGrey.rgb());
    EXPECT_EQ(image.pixel(330, yOther), kDarkGrey.rgb());
    EXPECT_EQ(image.pixel(405, yOther), kGreen.rgb());
    EXPECT_EQ(Count(image, QRect(0, yOff, X, 1), kDarkGrey), 0);
}

// The label texts of each kind are tested in WavePlot; here the curve and the label's colours.
TEST_F(WavePaneTest, TemperatureChannelCurveAndAlarmColours) {
    wave->currentChannel = 3;
    ChannelInfo& current = wave->channel[3];
    current.type = kTypeTemperature;
    current.scale = 10;
    view.scales.vscale[3] = 0;  // 2000 C at the top
    for (int r = 0; r < kRingRows; ++r) {
        wave->samples[r][3] = 5000;  // 500 C
    }
    view.displayRow = 1;  // newest record in row 0, older ones wrap to row 2999
    wave->shownCount = 2999;
    const int X = plot.axisX, mid = plot.mid;

    QImage image = Paint();
    const int y = LevelY(plot, ChannelGain(current, 0), 5000);
    EXPECT_EQ(Count(image, QRect(0, y, X + 1, 1), kGreen), X + 1) << "across the whole plot";

    wave->alarmChannel = 4;  // this channel
    image = Paint();
    ExpectText(image, X + 10, mid - plot.charHeight / 2, "[CH4]", kRed, kBlack);
    wave->alarmChannel = 1;  // another channel
    image = Paint();
    ExpectText(image, X + 10, mid - plot.charHeight / 2, "[CH4]", kPurple, kBlack);
}

TEST_F(WavePaneTest, NothingToDrawShowsADarkFieldWithAxesOnly) {
    wave->channel[0].type = kTypeHumidity;
    wave->channel[0].scale = 20000;
    view.scales.vscale[0] = 4;
    wave->channel[1].type = kTypeVoltage;
    for (int r = 0; r < 10; ++r) {
        wave->samples[r][0] = 3000;
        wave->samples[r][1] = 3000;
    }
    view.displayRow = 10;
    wave->shownCount = 9;
    view.hasSource = 0;
    view.scales.tscale = 4;  // 60 s in six divisions
    plot = MakeWavePlot(kWidth, kHeight, plot.charWidth, plot.charHeight, 4, wave->intervalMs);
    const QImage image = Paint();

    EXPECT_EQ(image.pixel(10, 10), kDarkGrey.rgb());
    EXPECT_EQ(image.pixel(kWidth - 1, kHeight - 1), kDarkGrey.rgb());
    EXPECT_EQ(Count(image, image.rect(), kGreen), 0);
    const int X = plot.axisX, mid = plot.mid;
    EXPECT_EQ(Count(image, QRect(X, 0, 1, kHeight), kGrey), kHeight);
    EXPECT_EQ(Count(image, QRect(0, 0, X - 1, mid - 5), kDarkGrey), (X - 1) * (mid - 5))
        << "no curve above the time axis";

    ExpectText(image, X + 8, LevelLabelY(-10), "  20%", kGrey, kDarkGrey);
    const std::vector<std::string> seconds{"10", "20", "30", "40", "50"};
    const double step = X / 6 / 10.0;  // whole columns per division, a tenth per tick
    for (int n = 0; n < 5; ++n) {
        const int x = static_cast<int>(10 * (n + 1) * step + 0.5);
        ExpectText(image, X - x - plot.charWidth / 2, mid + 5, seconds[n], kGrey, kDarkGrey,
                   QPoint(X - x, mid + 5));
    }
}

TEST_F(WavePaneTest, PaneWidgetPaintsTheSameAndReportsResizes) {
    wave->channel[0].type = kTypeVoltage;
    wave->channel[0].scale = 2000;
    view.displayRow = 5;
    wave->shownCount = 4;
    WavePane pane(*wave, view);
    int resizes = 0;
    QObject::connect(&pane, &WavePane::resized, [&resizes] { ++resizes; });
    pane.resize(kWidth, kHeight);
    pane.show();
    QApplication::processEvents();
    const int before = resizes;
    EXPECT_GE(before, 1);
    pane.resize(kWidth, kHeight + 20);
    QApplication::processEvents();
    EXPECT_EQ(resizes, before + 1);
    pane.resize(kWidth, kHeight);
    QApplication::processEvents();

    const QImage shown = pane.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, Paint());

    // A pane that asks for the view state at each paint follows its changes.
    int32_t displayRow = 0;
    WavePane asking(*wave, [&] {
        WaveView state = view;
        state.displayRow = displayRow;
        return state;
    });
    asking.resize(kWidth, kHeight);
    const QImage empty = asking.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(empty, Paint());
    displayRow = view.displayRow;
    EXPECT_EQ(asking.grab().toImage().convertToFormat(QImage::Format_RGB32), Paint());
}

}  // namespace
}  // namespace velatrace
