// The video pane: the newest frame drawn where the video object placed it, on black; frames
// that do not hold what they claim are not drawn; wakes from engine threads coalesce.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <thread>

#include "video/VideoFitting.h"
#include "video/VideoPane.h"

namespace velatrace {
namespace {

// A frame of one colour, 32 bits per pixel as B, G, R, X.
VideoFrame Solid(int32_t width, int32_t height, QRgb colour) {
    VideoFrame f;
    f.width = width;
    f.height = height;
    f.stride = width * 4;
    f.pixels.resize(static_cast<size_t>(f.stride) * height);
    for (size_t i = 0; i + 3 < f.pixels.size(); i += 4) {
        f.pixels[i] = static_cast<uint8_t>(qBlue(colour));
        f.pixels[i + 1] = static_cast<uint8_t>(qGreen(colour));
        f.pixels[i + 2] = static_cast<uint8_t>(qRed(colour));
        f.pixels[i + 3] = 0xFF;
    }
    return f;
}

class VideoPaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pane.SetFrameSource([this](VideoFrame* f) {
            ++takes;
            if (!pending) {
                return false;
            }
            std::swap(*f, next);
            pending = false;
            return true;
        });
    }
    void Offer(VideoFrame f) {
        next = std::move(f);
        pending = true;
        pane.NotifyFrame();
        QCoreApplication::processEvents();
    }
    // Places the picture as the video object does for a video of w x h.
    void Fit(int32_t w, int32_t h) {
        const SurfaceSize client = pane.ClientSize();
        const VideoRect r = FitVideoRect(client.width, client.height, w, h);
        pane.SetVideoRect(0, 0, r.width, r.height);
    }
    QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

    VideoPane pane;
    VideoFrame next;
    bool pending = false;
    int takes = 0;
};

TEST_F(VideoPaneTest, DrawsTheNewestFrameTopLeftWithItsAspectOnBlack) {
    pane.resize(400, 400);
    EXPECT_EQ(pane.ClientSize().width, 400);
    pane.SetVideoVisible(true);
    Offer(Solid(200, 100, qRgb(0, 255, 0)));  // not placed yet: fitted by its own size
    EXPECT_EQ(pane.PictureRect(), QRect(0, 0, 400, 200));
    Fit(320, 240);
    Offer(Solid(320, 240, qRgb(255, 0, 0)));
    ASSERT_TRUE(pane.HasPicture());
    EXPECT_EQ(pane.PictureRect(), QRect(0, 0, 400, 300));
    QImage image = pane.grab().toImage();
    EXPECT_EQ(At(image, 2, 2), 0xFF0000u);
    EXPECT_EQ(At(image, 397, 297), 0xFF0000u);
    EXPECT_EQ(At(image, 200, 303), 0x000000u);
    EXPECT_EQ(At(image, 2, 398), 0x000000u);

    // A wide pane: the picture keeps its height and leaves the right side black.
    pane.resize(600, 200);
    Fit(320, 240);
    Offer(Solid(320, 240, qRgb(0, 0, 255)));
    EXPECT_EQ(pane.PictureRect(), QRect(0, 0, 266, 200));
    image = pane.grab().toImage();
    EXPECT_EQ(At(image, 262, 100), 0x0000FFu);
    EXPECT_EQ(At(image, 270, 100), 0x000000u);

    // Nothing new: the last picture stays.
    pane.NotifyFrame();
    QCoreApplication::processEvents();
    EXPECT_TRUE(pane.HasPicture());
    EXPECT_EQ(At(pane.grab().toImage(), 10, 10), 0x0000FFu);

    // Detached: the picture is forgotten, the pane is black.
    pane.SetVideoVisible(false);
    EXPECT_FALSE(pane.HasPicture());
    EXPECT_EQ(At(pane.grab().toImage(), 10, 10), 0x000000u);
}

TEST_F(VideoPaneTest, FramesThatDoNotHoldTheirRowsAreNotDrawn) {
    pane.resize(100, 100);
    pane.SetVideoVisible(true);
    VideoFrame shortBuffer = Solid(64, 48, qRgb(255, 0, 0));
    shortBuffer.pixels.resize(shortBuffer.pixels.size() - 1);
    VideoFrame narrowStride = Solid(64, 48, qRgb(255, 0, 0));
    narrowStride.stride = 64 * 4 - 4;
    VideoFrame empty;
    VideoFrame negative = Solid(64, 48, qRgb(255, 0, 0));
    negative.height = -48;
    for (VideoFrame* f : {&shortBuffer, &narrowStride, &empty, &negative}) {
        Offer(std::move(*f));
        EXPECT_FALSE(pane.HasPicture());
        EXPECT_EQ(At(pane.grab().toImage(), 50, 50), 0x000000u);
    }
    // A padded stride is fine.
    VideoFrame padded = Solid(64, 48, qRgb(255, 0, 0));
    padded.stride = 64 * 4 + 16;
    padded.pixels.assign(static_cast<size_t>(padded.stride) * 48, 0x80);
    Offer(std::move(padded));
    EXPECT_TRUE(pane.HasPicture());
}

TEST_F(VideoPaneTest, WakesFromEngineThreadsCoalesceIntoOneTake) {
    pane.SetVideoVisible(true);
    std::thread engine([this] {
        for (int i = 0; i < 1000; ++i) {
            pane.NotifyFrame();
        }
    });
    engine.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(takes, 1);
    pane.NotifyFrame();
    QCoreApplication::processEvents();
    EXPECT_EQ(takes, 2);

    // A detached pane takes nothing.
    pane.SetVideoVisible(false);
    pane.NotifyFrame();
    QCoreApplication::processEvents();
    EXPECT_EQ(takes, 2);
}

}  // namespace
}  // namespace velatrace
