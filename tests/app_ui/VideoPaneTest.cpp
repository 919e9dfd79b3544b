// The video pane: the newest frame drawn where the video object placed it, on black; frames
// that do not hold what they claim are not drawn.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "video/VideoPane.h"

namespace velatrace {
namespace {

// A grey frame, 32 bits per pixel.
VideoFrame Grey(int32_t width, int32_t height, uint8_t level) {
    return VideoFrame{
        .width = width,
        .height = height,
        .stride = width * 4,
        .pixels = std::vector<uint8_t>(static_cast<size_t>(width) * height * 4, level)};
}

class VideoPaneTest : public ::testing::Test {
  protected:
    void SetUp() override { pane.SetVideoVisible(true); }
    void Show(VideoFrame f) { pane.ShowFrame(&f); }
    QRgb At(int x, int y) { return pane.grab().toImage().pixel(x, y) & 0xFFFFFF; }

    VideoPane pane;
};

TEST_F(VideoPaneTest, DrawsTheNewestFrameWherePlacedOnBlack) {
    pane.resize(400, 400);
    Show(Grey(200, 100, 0x40));  // not placed yet: fitted by its own size
    EXPECT_EQ(pane.PictureRect(), QRect(0, 0, 400, 200));
    pane.SetVideoRect(0, 0, 400, 300);  // where the video object placed it
    Show(Grey(320, 240, 0x80));
    EXPECT_EQ(pane.PictureRect(), QRect(0, 0, 400, 300));
    EXPECT_EQ(std::tuple(At(2, 2), At(397, 297), At(200, 303), At(2, 398)),
              std::tuple(0x808080u, 0x808080u, 0u, 0u));

    // Detached: the picture is forgotten, the pane is black, frames are not taken.
    pane.SetVideoVisible(false);
    Show(Grey(320, 240, 0xFF));
    EXPECT_FALSE(pane.HasPicture());
    EXPECT_EQ(At(10, 10), 0u);
}

TEST_F(VideoPaneTest, FramesThatDoNotHoldTheirRowsAreNotDrawn) {
    pane.resize(100, 100);
    VideoFrame bad[4] = {Grey(64, 48, 0xFF), Grey(64, 48, 0xFF), {}, Grey(64, 48, 0xFF)};
    bad[0].pixels.pop_back();  // one byte short
    bad[1].stride -= 4;        // rows narrower than the picture
    bad[3].height = -48;
    for (VideoFrame& f : bad) {
        Show(std::move(f));
        EXPECT_FALSE(pane.HasPicture());
    }
    // A padded stride is fine.
    VideoFrame padded = Grey(64, 48, 0xFF);
    padded.stride += 16;
    padded.pixels.resize(static_cast<size_t>(padded.stride) * 48);
    Show(std::move(padded));
    EXPECT_TRUE(pane.HasPicture());
}

}  // namespace
}  // namespace velatrace
