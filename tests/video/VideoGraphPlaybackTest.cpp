// Replay of a recorded clip: open and close, the play-state table, position and seek arithmetic,
// mute, the grabbed frame and the mailbox.
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
};

TEST_F(Playback, OpeningAClipReplacesThePreviewAndPlays) {
    StartPreview();
    pane.client = {400, 600};
    ASSERT_TRUE(video.OpenClip(&pane, kClip));

    // The camera graph is stopped and gone before the playback graph is made.
    EXPECT_EQ(engine.IndexOf("capture.Stop"), 0);
    EXPECT_LT(engine.IndexOf("capture.Destroy"), engine.IndexOf("engine.CreatePlaybackGraph"));
    EXPECT_TRUE(video.gcap.pCB2 == nullptr);
    EXPECT_EQ(video.fPreviewing, 0);
    EXPECT_EQ(video.fClipOpen, 1);
    EXPECT_EQ(video.m_strm.nPlayState, 2);
    EXPECT_EQ(engine.play.state, PlayState::Running);
    EXPECT_EQ(video.gcap.fPlayGraphBuilt, 1);
    EXPECT_EQ(video.gcap.fSeekable, 1);
    EXPECT_EQ(video.m_strm.llDuration, 100000000);
    EXPECT_EQ(engine.play.volume, kVolumeSilent);  // replays start with the stored volume
    EXPECT_EQ(video.m_strm.fAudioOnly, 0);
    EXPECT_EQ(video.m_strm.lvw, 320);
    EXPECT_EQ(video.m_strm.lvh, 240);
    EXPECT_EQ(video.m_strm.lrate, 25);
    EXPECT_TRUE(pane.visible);
    EXPECT_EQ(pane.rectWidth, 400);
    EXPECT_EQ(pane.rectHeight, 300);
    // The grab bitmap: 24-bit rows of 960 bytes.
    EXPECT_EQ(video.bmiGrab.bmiHeader.biBitCount, 24);
    EXPECT_EQ(video.bmiGrab.bmiHeader.biWidth, 320);
    EXPECT_EQ(video.gcap.bmpBufferSize, 960 * 240);

    // After closing, the preview stays off until the camera is selected again.
    ASSERT_TRUE(video.CloseClip());
    EXPECT_EQ(video.fClipOpen, 0);
    EXPECT_EQ(video.m_strm.nPlayState, 0);
    EXPECT_EQ(video.m_strm.fAudioOnly, 1);
    EXPECT_EQ(video.m_strm.llDuration, 100000000);  // kept from the closed clip
    EXPECT_TRUE(video.hGrabBitmap == nullptr);
    EXPECT_TRUE(video.gcap.pBmpBuffer == nullptr);
    EXPECT_FALSE(engine.play.alive);
    EXPECT_EQ(video.RunGraph(true), 1);
    int32_t index = -1;
    ASSERT_TRUE(video.SelectSavedDevice(&pane, &index));
    EXPECT_EQ(video.RunGraph(true), kHrOk);
}

TEST_F(Playback, AFileThatCannotBeRenderedStillCountsAsOpen) {
    ASSERT_FALSE(video.OpenClip(&pane, "/rec/broken.avi"));
    EXPECT_EQ(video.fClipOpen, 1);
    EXPECT_EQ(video.m_strm.nPlayState, 2);
    EXPECT_FALSE(video.gcap.pMC);
    EXPECT_EQ(Trace(), "FAILED(hr=0x80040265) in PlayMovieInWindow(hwnd, lppath)\n");
    // Transport does nothing and closing does not find the clip.
    engine.calls.clear();
    EXPECT_FALSE(video.PlayClip());
    EXPECT_FALSE(video.PauseClip());
    EXPECT_FALSE(video.StopClip());
    video.SeekClip(50);
    int64_t position = -1;
    EXPECT_EQ(video.GetClipPosition(&position), 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(video.GrabFrame(), 0);
    EXPECT_FALSE(video.CloseClip());
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(video.fClipOpen, 1);

    // The next open replaces what the failed one left and works.
    ASSERT_TRUE(video.OpenClip(&pane, kClip));
    EXPECT_LT(engine.IndexOf("play.Destroy"), engine.IndexOf("play.RenderFile(/rec/run_07.avi)"));
    // Shutting down with a failed open leaves no graph behind.
    ASSERT_FALSE(video.OpenClip(&pane, "/rec/broken.avi"));
    video.ReleaseVideo();
    EXPECT_FALSE(engine.play.alive);
}

TEST_F(Playback, OpeningASecondClipClosesTheFirst) {
    engine.clips["/rec/other.mov"] = FakeClip{};
    OpenPlaying();
    ASSERT_TRUE(video.OpenClip(&pane, "/rec/other.mov"));
    // The first graph is released (which stops it) before the new one is made.
    EXPECT_EQ(engine.calls[0], "play.Destroy");
    EXPECT_EQ(engine.calls[1], "engine.CreatePlaybackGraph");
    EXPECT_EQ(engine.play.path, "/rec/other.mov");
}

TEST_F(Playback, PlayStateFollowsTheTransport) {
    OpenPlaying();
    ASSERT_TRUE(video.PauseClip());
    EXPECT_EQ(video.m_strm.nPlayState, 1);
    ASSERT_TRUE(video.PlayClip());
    EXPECT_EQ(video.m_strm.nPlayState, 2);

    // Stop rewinds, lets the rewind settle for 100 ms, then stops.
    engine.AdvancePlayback(30000000);
    engine.calls.clear();
    ASSERT_TRUE(video.StopClip());
    EXPECT_EQ(engine.calls, (std::vector<std::string>{"play.SetPosition(0)", "play.Stop"}));
    EXPECT_EQ(clock.slept, 100u);
    EXPECT_EQ(video.m_strm.nPlayState, 0);
    EXPECT_EQ(engine.play.position, 0);
    // A stopped clip is neither rewound nor waited for.
    engine.calls.clear();
    EXPECT_TRUE(video.StopClip());
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(clock.slept, 100u);

    // A transport call that fails leaves the state as it was.
    ASSERT_TRUE(video.PlayClip());
    engine.SetResult("play.Pause", kHrFail);
    EXPECT_FALSE(video.PauseClip());
    EXPECT_EQ(video.m_strm.nPlayState, 2);
}

TEST_F(Playback, SeekAndPositionWorkInWholePercent) {
    OpenPlaying();
    // A seek pauses the graph but leaves the play state to the caller.
    video.SeekClip(50);
    EXPECT_EQ(engine.calls, (std::vector<std::string>{"play.Pause", "play.SetPosition(50000000)"}));
    EXPECT_EQ(video.m_strm.nPlayState, 2);
    EXPECT_EQ(engine.play.state, PlayState::Paused);

    engine.play.position = 25000000;
    int64_t position = 0;
    EXPECT_EQ(video.GetClipPosition(&position), 25);
    EXPECT_EQ(position, 25000000);
    EXPECT_TRUE(engine.Called("play.GetState(10)"));

    // The duration is divided before multiplying, so its last two digits are lost.
    video.m_strm.llDuration = 1000000099;
    engine.play.clip.duration = 2000000000;
    engine.calls.clear();
    video.SeekClip(100);
    EXPECT_EQ(engine.calls.back(), "play.SetPosition(1000000000)");
    // Out-of-range percentages stay within the clip.
    video.SeekClip(150);
    EXPECT_EQ(engine.calls.back(), "play.SetPosition(1000000000)");
    video.SeekClip(-5);
    EXPECT_EQ(engine.calls.back(), "play.SetPosition(0)");

    // Played to the end: the position equals the duration, which the replay timer looks for.
    video.m_strm.llDuration = 100000000;
    engine.play.clip.duration = 100000000;
    ASSERT_TRUE(video.PlayClip());
    engine.AdvancePlayback(200000000);
    EXPECT_EQ(video.GetClipPosition(&position), 100);
    EXPECT_EQ(position, video.m_strm.llDuration);
    EXPECT_TRUE(video.gcap.pPlay->ReachedEnd());
}

TEST_F(Playback, AClipWithoutDurationReportsPositionZeroPercent) {
    engine.clips[kClip].seekable = false;
    OpenPlaying();
    video.m_strm.llDuration = 0;
    EXPECT_EQ(video.gcap.fSeekable, 0);
    engine.play.position = 12345;
    int64_t position = 0;
    EXPECT_EQ(video.GetClipPosition(&position), 0);
    EXPECT_EQ(position, 12345);
    // A failing position read reports 0 in both.
    engine.SetResult("play.GetCurrentPosition", kHrFail);
    EXPECT_EQ(video.GetClipPosition(&position), 0);
    EXPECT_EQ(position, 0);
}

TEST_F(Playback, MuteTogglesBetweenSilentAndFull) {
    EXPECT_FALSE(video.ToggleMute());  // no clip
    StartPreview();
    EXPECT_FALSE(video.ToggleMute());  // the camera graph has no sound
    OpenPlaying();
    ASSERT_TRUE(video.ToggleMute());
    EXPECT_EQ(engine.play.volume, kVolumeFull);
    ASSERT_TRUE(video.ToggleMute());
    EXPECT_EQ(engine.play.volume, kVolumeSilent);
    // A stored volume other than silent counts as not muted.
    video.m_strm.lvolume = -3000;
    ASSERT_TRUE(video.ToggleMute());
    EXPECT_EQ(video.m_strm.lvolume, kVolumeSilent);
}

TEST_F(Playback, AudioOnlyClipsHaveNoPictureAndNothingToGrab) {
    engine.clips[kClip].hasVideo = false;
    OpenPlaying();
    EXPECT_EQ(video.m_strm.fAudioOnly, 1);
    EXPECT_FALSE(pane.visible);
    EXPECT_TRUE(video.hGrabBitmap == nullptr);
    EXPECT_EQ(video.GrabFrame(), 0);
}

TEST_F(Playback, GrabCopiesTheFrameOnScreen) {
    StartPreview();
    EXPECT_EQ(video.GrabFrame(), 0);  // live preview has no grabber

    OpenPlaying();
    engine.SetResult("play.GetCurrentBuffer", kHrWrongState, 1);
    EXPECT_EQ(video.GrabFrame(), 0);
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x80040227) in gcap.pSG->GetCurrentBuffer(&gcap.bmpBufferSize, "
              "(long*)gcap.pBmpBuffer)\n");
    EXPECT_EQ(video.GrabFrame(), 960 * 240);
    EXPECT_EQ(video.gcap.pBmpBuffer[0], 0x5A);
    EXPECT_EQ(video.gcap.pBmpBuffer[960 * 240 - 1], 0x5A);
}

TEST_F(Playback, TheVideoPaneTakesOnlyTheNewestFrameAndReadsEngineErrors) {
    int woken = 0;
    engine.SetWakeCallback([&woken] { ++woken; });
    StartPreview();
    VideoFrame frame;
    EXPECT_FALSE(video.TakeLatestFrame(&frame));
    engine.PutFrame(640, 480);
    engine.PutFrame(320, 240);
    EXPECT_EQ(woken, 2);
    ASSERT_TRUE(video.TakeLatestFrame(&frame));
    EXPECT_EQ(frame.width, 320);
    EXPECT_EQ(frame.sequence, 2u);
    EXPECT_EQ(frame.pixels.size(), 320u * 4u * 240u);
    EXPECT_FALSE(video.TakeLatestFrame(&frame));

    engine.PutStreamError(kHrDeviceNotConnected, "camera unplugged");
    StreamError error;
    ASSERT_TRUE(video.TakeStreamError(&error));
    EXPECT_EQ(error.hr, kHrDeviceNotConnected);
    EXPECT_STREQ(error.text, "camera unplugged");
    EXPECT_FALSE(video.TakeStreamError(&error));
}

}  // namespace
}  // namespace velatrace::testing
