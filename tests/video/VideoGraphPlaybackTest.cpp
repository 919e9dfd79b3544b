// Replay of a recorded clip: open and close, the play state, position and seek arithmetic, the
// clip's end, mute, the grabbed frame and the mailbox.
#include <string>

#include "VideoGraphFixture.h"

namespace velatrace::testing {
namespace {

constexpr const char* kClip = "/rec/run_07.avi";

struct Playback : VideoGraphFixture {
    void OpenPlaying() {
        ASSERT_TRUE(video.OpenClip(&pane, kClip));
        engine.calls.clear();
    }
    // The clip position as (percent, 100-ns units).
    std::pair<int32_t, int64_t> Position(VideoGraph& v) {
        int64_t at = -1;
        const int32_t percent = v.GetClipPosition(&at);
        return {percent, at};
    }
};

TEST_F(Playback, OpeningAClipReplacesThePreviewAndPlays) {
    StartPreview();
    pane.client = {400, 600};
    ASSERT_TRUE(video.OpenClip(&pane, kClip));
    // The camera graph is stopped and gone before the playback graph is made.
    EXPECT_EQ(engine.IndexOf("capture.Stop"), 0);
    EXPECT_LT(engine.IndexOf("capture.Destroy"), engine.IndexOf("engine.CreatePlaybackGraph"));
    EXPECT_EQ(State(), "stopped clip Running");
    EXPECT_EQ(engine.play.state, PlayState::Running);
    EXPECT_EQ(engine.play.volume, kVolumeSilent);  // replays start with the stored volume
    EXPECT_EQ(std::tuple(video.ClipDuration(), video.Stream().lrate), std::tuple(100000000, 25));
    EXPECT_EQ(std::pair(pane.rect.width, pane.rect.height), std::pair(400, 300));
    // The grab: 24-bit rows of 960 bytes, filled from the frame on screen.
    const BitmapInfoHeader& grab = video.GrabbedFormat().bmiHeader;
    EXPECT_EQ(std::tuple(grab.biBitCount, grab.biWidth), std::tuple(24, 320));
    engine.SetResult("play.GetCurrentBuffer", kHrWrongState);
    EXPECT_EQ(video.GrabFrame(), 0);
    EXPECT_EQ(Trace(), "FAILED(hr=0x80040227) in PlaybackGraph::GetCurrentBuffer\n");
    engine.forced.clear();
    EXPECT_EQ(video.GrabFrame(), 960 * 240);
    EXPECT_EQ(video.GrabbedPixels()[960 * 240 - 1], 0x5A);

    // After closing, the preview stays off until the camera is selected again.
    ASSERT_TRUE(video.CloseClip());
    EXPECT_EQ(State(), "stopped");
    EXPECT_EQ(video.ClipDuration(), 100000000);  // kept from the closed clip
    EXPECT_TRUE(video.GrabbedPixels() == nullptr);
    EXPECT_FALSE(engine.play.alive);
    EXPECT_EQ(video.RunGraph(true), 1);
    ASSERT_TRUE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_EQ(video.RunGraph(true), kHrOk);
    EXPECT_EQ(video.GrabFrame(), 0);  // the live preview has no grabber
}

TEST_F(Playback, AFileThatCannotBeRenderedStillCountsAsOpen) {
    ASSERT_FALSE(video.OpenClip(&pane, "/rec/broken.avi"));
    EXPECT_EQ(State(), "stopped clip Running");
    EXPECT_EQ(Trace(), "FAILED(hr=0x80040265) in PlaybackGraph::RenderFile\n");
    // Transport does nothing and closing does not find the clip.
    engine.calls.clear();
    EXPECT_FALSE(video.PlayClip() || video.PauseClip() || video.StopClip());
    video.SeekClip(50);
    EXPECT_EQ(Position(video), std::pair(0, int64_t{0}));
    EXPECT_FALSE(video.ClipReachedEnd() || video.CloseClip());
    EXPECT_EQ(TakeCalls(), "");
    EXPECT_EQ(State(), "stopped clip Running");
    // The next open replaces what the failed one left; the one after releases the graph of the
    // first (which stops it) before its own is made.
    ASSERT_TRUE(video.OpenClip(&pane, kClip));
    EXPECT_LT(engine.IndexOf("play.Destroy"), engine.IndexOf("play.RenderFile(/rec/run_07.avi)"));
    engine.calls.clear();
    ASSERT_TRUE(video.OpenClip(&pane, kClip));
    EXPECT_EQ(std::pair(engine.calls[0], engine.calls[1]),
              std::pair(std::string("play.Destroy"), std::string("engine.CreatePlaybackGraph")));
    // Shutting down with a failed open leaves no graph behind.
    ASSERT_FALSE(video.OpenClip(&pane, "/rec/broken.avi"));
    video.ReleaseVideo();
    EXPECT_FALSE(engine.play.alive);
}

TEST_F(Playback, PlayStateFollowsTheTransportAndMuteToggles) {
    OpenPlaying();
    ASSERT_TRUE(video.PauseClip());
    EXPECT_EQ(State(), "stopped clip Paused");
    ASSERT_TRUE(video.PlayClip());
    // Stop rewinds, then stops, without holding up the GUI thread; once only.
    engine.AdvancePlayback(30000000);
    engine.calls.clear();
    ASSERT_TRUE(video.StopClip());
    EXPECT_TRUE(video.StopClip());
    EXPECT_EQ(TakeCalls(), "play.SetPosition(0) play.Stop");
    EXPECT_EQ(clock.slept, 0u);
    EXPECT_EQ(State(), "stopped clip Stopped");
    // A transport call that fails leaves the state as it was.
    ASSERT_TRUE(video.PlayClip());
    engine.SetResult("play.Pause", kHrFail);
    EXPECT_FALSE(video.PauseClip());
    EXPECT_EQ(State(), "stopped clip Running");

    // Mute toggles between silent and full; a stored volume between counts as not muted.
    ASSERT_TRUE(video.ToggleMute());
    EXPECT_EQ(engine.play.volume, kVolumeFull);
    ASSERT_TRUE(video.ToggleMute());
    EXPECT_EQ(engine.play.volume, kVolumeSilent);
    video.LoadStream(StreamSettings{0, 20, 640, 480, -3000, 0, 0});
    ASSERT_TRUE(video.ToggleMute());
    EXPECT_EQ(engine.play.volume, kVolumeSilent);
    video.CloseClip();
    EXPECT_FALSE(video.ToggleMute());  // no clip
}

TEST_F(Playback, SeekAndPositionWorkInWholePercentAndTheEndIsReportedOnce) {
    OpenPlaying();
    // A seek pauses the graph but leaves the play state to the caller.
    video.SeekClip(50);
    EXPECT_EQ(TakeCalls(), "play.Pause play.SetPosition(50000000)");
    EXPECT_EQ(State(), "stopped clip Running");
    engine.play.position = 25000000;
    EXPECT_EQ(Position(video), std::pair(25, int64_t{25000000}));
    // Played to the end: the position equals the duration, and the end is told once; sought
    // back and played to the end again, it is told again.
    ASSERT_TRUE(video.PlayClip());
    EXPECT_FALSE(video.ClipReachedEnd());
    engine.AdvancePlayback(200000000);
    EXPECT_EQ(Position(video), std::pair(100, video.ClipDuration()));
    EXPECT_TRUE(video.ClipReachedEnd());
    EXPECT_FALSE(video.ClipReachedEnd());
    video.SeekClip(90);
    ASSERT_TRUE(video.PlayClip());
    engine.AdvancePlayback(200000000);
    EXPECT_TRUE(video.ClipReachedEnd());

    // The duration is divided before multiplying, so its last two digits are lost; percentages
    // outside 0..100 stay within the clip.
    engine.clips[kClip].duration = 1000000099;
    OpenPlaying();
    video.SeekClip(150);
    video.SeekClip(-5);
    EXPECT_EQ(TakeCalls(),
              "play.Pause play.SetPosition(1000000000) play.Pause play.SetPosition(0)");

    // Without a duration the percentage is 0; a failing position read reports 0 in both.
    engine.clips[kClip].seekable = false;
    VideoGraph unseekable{engine};
    ASSERT_TRUE(unseekable.OpenClip(&pane, kClip));
    engine.play.position = 12345;
    EXPECT_EQ(Position(unseekable), std::pair(0, int64_t{12345}));
    engine.SetResult("play.GetCurrentPosition", kHrFail);
    EXPECT_EQ(Position(unseekable), std::pair(0, int64_t{0}));
}

TEST_F(Playback, AudioOnlyClipsHaveNoPictureAndErrorsLeaveTheClipOpen) {
    engine.clips[kClip].hasVideo = false;
    OpenPlaying();
    EXPECT_EQ(video.Stream().fAudioOnly, 1);
    EXPECT_FALSE(pane.visible);
    EXPECT_EQ(video.GrabFrame(), 0);
    // The pane reads frames and errors from the graph in use.
    VideoFrame frame;
    EXPECT_FALSE(video.TakeLatestFrame(&frame));
    engine.mailbox.Put(VideoFrame{320, 240, 1280, 0, 0, {}});
    ASSERT_TRUE(video.TakeLatestFrame(&frame));
    EXPECT_EQ(frame.width, 320);
    engine.error.source = StreamErrorSource::Playback;
    engine.hasError = true;
    StreamError error;
    ASSERT_TRUE(video.TakeStreamError(&error));
    EXPECT_FALSE(video.TakeStreamError(&error));
    video.EndAfterStreamError(error);
    EXPECT_EQ(State(), "stopped clip Running");
}

}  // namespace
}  // namespace velatrace::testing
