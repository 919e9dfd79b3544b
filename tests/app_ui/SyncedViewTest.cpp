// The synced view as a picture: the frame on top, the curves below it, the time and the values
// over the frame; saved as a PNG and composed the same way for each picture of a shared video.
#include <gtest/gtest.h>

#include <QImage>

#include "app/SyncedView.h"
#include "support/TempFolder.h"
#include "wave/WavePainter.h"

namespace velatrace {
namespace {

// Pixels in `area` that are not black; with `textOnly` only the light ones of the white text
// (the frame under it is green).
int Painted(const QImage& image, const QRect& area, bool textOnly = false) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            count += textOnly ? qRed(c) > 128 : (c & 0xFFFFFF) != 0;
        }
    return count;
}

TEST(SyncedView, PngHoldsTheFrameTheCurvesAndTheValuesAndTheVideoComposesAlike) {
    Recording recording;
    recording.loaded = true;
    recording.setup.intervalMs = 100;
    recording.setup.channel[0].type = kTypeVoltage;
    recording.setup.channel[0].scale = 2000;
    recording.records.Begin({true}, 0);
    for (int i = 0; i < 50; ++i) {
        int32_t counts[kChannels] = {i * 200};
        ASSERT_TRUE(recording.records.Append(counts));
    }
    WaveView view;
    view.ShowRecording(recording.setup, recording.records);
    view.MoveCursor(50);

    const QRgb green = qRgb(0, 200, 0);
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(green);
    const QSize size = SyncedViewSize(picture.size());
    ASSERT_EQ(size, QSize(320, 400));
    QImage canvas(size, QImage::Format_RGB32);
    PaintSyncedView(canvas, picture, view, MediaTime{4900000}, WavePaneFont());
    testing::TempFolder folder;
    ASSERT_TRUE(canvas.save(QString::fromStdString(folder.File("view.png")), "PNG"));
    const QImage png(QString::fromStdString(folder.File("view.png")));
    ASSERT_EQ(png.size(), size);

    EXPECT_EQ(png.pixel(160, 200) & 0xFFFFFF, green & 0xFFFFFF) << "the frame";
    EXPECT_GT(Painted(png, QRect(0, 250, 320, 150)), 100) << "axes and the curve below it";
    EXPECT_GT(Painted(png, QRect(0, 0, 320, 20), true), 20) << "time and values";

    // A wave file's value is written with its unit; a clip alone shows no curves.
    WaveView none;
    QImage bare(size, QImage::Format_RGB32);
    PaintSyncedView(bare, picture, none, MediaTime{0}, WavePaneFont());
    EXPECT_EQ(Painted(bare, QRect(0, 250, 320, 150)), 0);
    EXPECT_LT(Painted(bare, QRect(0, 0, 320, 20), true) + 20,
              Painted(png, QRect(0, 0, 320, 20), true));

    // A shared video's picture at the same time is the same picture, from the copy taken.
    SyncedViewSnapshot snapshot(recording, view);
    recording.Clear();  // the replay may close while the export runs
    VideoFrame frame{320, 240, 320 * 4, MediaTime{4900000}, 1, {}};
    frame.pixels.assign(picture.constBits(), picture.constBits() + picture.sizeInBytes());
    VideoFrame out{size.width(), size.height(), size.width() * 4, MediaTime{0}, 0, {}};
    out.pixels.assign(static_cast<size_t>(out.stride) * out.height, 0);
    snapshot.Composer()(frame, MediaTime{4900000}, &out);
    const QImage composed(out.pixels.data(), out.width, out.height, out.stride,
                          QImage::Format_RGB32);
    EXPECT_EQ(composed, canvas);
}

}  // namespace
}  // namespace velatrace
