// The video object over the fake engine, where the frame's tests do not reach: the limits of the
// camera list and its names, traces of what failed, the clip transport and the engine made on
// first use or by its loading thread.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "FakeMediaEngine.h"
#include "FakeVideoSurface.h"
#include "video/LazyMediaEngine.h"
#include "video/VideoFitting.h"
#include "video/VideoGraph.h"

namespace velatrace::testing {
namespace {

constexpr const char* kClip = "/rec/run_07.avi";

// Two cameras, the stored stream settings of a first start (640 x 480 at 20 frames per second,
// muted), the capture naming "/cap/run_07.avi" and a recorded clip.
struct Video : ::testing::Test {
    FakeMediaEngine engine;
    FakeVideoSurface pane;
    VideoGraph video{engine};
    int32_t selectedIndex = -1;

    Video() {
        engine.devices = {FakeDevice{{"Cam A", "cam:a"}}, FakeDevice{{"Cam B", "cam:b"}}};
        engine.clips[kClip] = FakeClip{};
        video.LoadStream(StreamSettings{0, 20, 640, 480, kVolumeSilent, 0, 0});
        video.SetNaming("/cap/", "run", 1);
        video.SetCaptureNumber(7);
    }

    // Start-up with the saved camera (none: first start); whether a camera was opened.
    bool StartCamera(const char* savedName = "") {
        bool selected = false;
        video.LoadDisplayName(savedName, kDisplayNameSize);
        video.InitCamera(&pane, &selectedIndex, &selected);
        return selected;
    }
    bool Choose(const char* savedName) {
        video.LoadDisplayName(savedName, kDisplayNameSize);
        return video.SelectSavedDevice(&pane, &selectedIndex);
    }
    std::string Trace() const { return video.LastFailure(); }
};

TEST_F(Video, StartUpOpensTheCameraInTheStoredModeOrTracesWhyNot) {
    ASSERT_TRUE(StartCamera());
    // No pane, or no picture size, divides by nothing.
    EXPECT_EQ(std::tuple(FitVideoRect(0, 0, 640, 480).width, FitVideoRect(400, 300, 0, 0).height,
                         FitVideoRect(400, 300, 640, 0).width),
              std::tuple(0, 300, 400));

    // The camera cannot be opened: nothing is left open, and there is nothing to start.
    engine.failing = {{"MediaEngine::OpenCamera", MediaError::DeviceGone}};
    EXPECT_FALSE(Choose("cam:b"));
    EXPECT_EQ(Trace(), "FAILED(hr=0x8007048f) in MediaEngine::OpenCamera: No such device\n");
    EXPECT_FALSE(video.HasCamera());
    EXPECT_EQ(video.StartCamera(), MediaError::Nothing);
    engine.failing.clear();

    // A mode without frame time keeps the rate; a stored size of 0 is not asked of the camera:
    // its own size is read instead.
    engine.devices[0].mode = {320, 240, MediaTime{0}, "YUYV"};
    video.LoadStream(StreamSettings{0, 20, 0, 0, 0, 0, 0});
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(std::tuple(video.Stream().lvw, video.Stream().lvh, video.Stream().lrate),
              std::tuple(320, 240, 20));
}

TEST_F(Video, TheSavedCameraIsUsedElseTheFirstAndAtMostFourAreListed) {
    ASSERT_TRUE(StartCamera("cam:b"));
    // The saved camera is gone: the first one's replaces it, stopped, and its name is saved.
    ASSERT_EQ(video.StartCamera(), MediaError::None);
    ASSERT_TRUE(Choose("cam:unplugged"));
    EXPECT_EQ(std::tuple(selectedIndex, std::string(video.DisplayName()), engine.camera.device,
                         engine.camera.running),
              std::tuple(0, "cam:a", "cam:a", false));

    const std::string longName(200, 'n');
    engine.devices.clear();
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        engine.devices.push_back(FakeDevice{{i == 0 ? longName : "Cam " + n, "cam:" + n}});
    }
    engine.devices[2].info.nameError = MediaError::Failed;       // its names cannot be read
    const std::string longId = "cam:" + std::string(1996, 'd');  // 2000 characters
    engine.devices[0].info.displayName = longId;
    ASSERT_TRUE(StartCamera("cam:3"));
    EXPECT_EQ(std::tuple(video.Stream().nDevices, selectedIndex), std::tuple(4, 3));
    // Friendly names are cut to 119 characters. The unreadable camera keeps its slot, empty, so
    // the names stop before it; it cannot be chosen, the first camera stands in for it, and
    // its long display name grows the buffer.
    const char* names[kMaxVideoDevices] = {};
    ASSERT_EQ(video.DeviceNames(names, kMaxVideoDevices), 2);
    EXPECT_EQ(std::tuple(std::string(names[0]), std::string(names[1])),
              std::tuple(longName.substr(0, 119), "Cam 1"));
    ASSERT_TRUE(Choose("cam:2"));
    EXPECT_EQ(std::tuple(selectedIndex, video.DisplayNameSize(), std::string(video.DisplayName())),
              std::tuple(0, 2001u, longId));
    // A stored display name size beyond reason does not allocate it.
    video.LoadDisplayName("cam:a", 0xFFFFFFFFu);
    EXPECT_LE(video.DisplayNameSize(), 64u * 1024u);

    engine.failing = {{"MediaEngine::ListCameras", MediaError::Unexpected}};
    EXPECT_FALSE(video.InitCamera(&pane, &selectedIndex));
    EXPECT_EQ(Trace(), "FAILED(hr=0x8000ffff) in MediaEngine::ListCameras: Unexpected failure\n");
}

TEST_F(Video, RecordingWaitsForItsCommandAndAFileThatCannotBeMadeIsTraced) {
    ASSERT_TRUE(StartCamera());
    ASSERT_TRUE(video.StartRecording(true));
    // Starting the camera never records: the recorder holds first.
    ASSERT_EQ(video.StartCamera(), MediaError::None);
    EXPECT_EQ(std::tuple(engine.camera.running, engine.camera.recording), std::tuple(true, false));
    // The next file cannot be created: traced, and the camera still runs.
    engine.failing = {{"Recorder::SetFile", MediaError::FileInUse}};
    video.SetCaptureNumber(8);
    video.NextCaptureFile(true);
    EXPECT_EQ(std::tuple(Trace(), engine.camera.running),
              std::tuple("FAILED(hr=0x80070020) in Recorder::SetFile: File in use or cannot be "
                         "created\n",
                         true));
}

TEST_F(Video, AClipReplacesTheCameraAndItsTransportSeeksRewindsAndMutes) {
    ASSERT_TRUE(StartCamera());
    ASSERT_EQ(video.StartCamera(), MediaError::None);
    ASSERT_TRUE(video.OpenClip(&pane, kClip));
    EXPECT_EQ(
        std::tuple(engine.camera.open, engine.clip.playing, video.HasCamera(), engine.clip.volume),
        std::tuple(false, true, false, kVolumeSilent));
    // A seek pauses the clip; played to its end, the end stands until rewound.
    video.SeekClip(MediaTime{2500000});
    EXPECT_EQ(std::tuple(video.ClipPosition().count(), engine.clip.playing),
              std::tuple(2500000, false));
    ASSERT_TRUE(video.PlayClip());
    engine.AdvancePlayback(MediaTime{20000000});
    EXPECT_TRUE(video.ClipReachedEnd());
    video.RewindClip();
    EXPECT_EQ(std::tuple(video.ClipReachedEnd(), video.ClipPosition().count(), engine.clip.playing),
              std::tuple(false, 0, false));
    // Mute toggles between silent and full.
    EXPECT_TRUE(video.ToggleMute());
    EXPECT_EQ(std::tuple(engine.clip.volume, video.Stream().lvolume),
              std::tuple(kVolumeFull, kVolumeFull));

    // A clip without pictures hides the picture and has nothing to grab.
    engine.clips[kClip].hasVideo = false;
    ASSERT_TRUE(video.OpenClip(&pane, kClip));
    EXPECT_EQ(std::tuple(pane.visible, video.Stream().fAudioOnly, video.GrabFrame()),
              std::tuple(false, 1, nullptr));
    // Choosing the camera the clip took opens it again rather than calling the closed one ready.
    EXPECT_TRUE(video.SelectDevice(&pane, 0) && video.HasCamera() && engine.camera.open);
}

// The program's engine is made after the window is shown: by its loading thread, or by the first
// call that needs it (the deferred start-up's camera scan); without one there are no cameras and
// no clips, and nothing breaks.
TEST(LazyEngine, MadeOnceByTheLoaderOrTheFirstCallAndWithoutOneNothingOpens) {
    struct WakeEngine : FakeMediaEngine {
        WakeCallback wake;
        void SetWakeCallback(WakeCallback w) override { wake = std::move(w); }
    };
    for (const bool loader : {true, false}) {
        int made = 0;
        WakeEngine* real = nullptr;
        LazyMediaEngine lazy([&](std::string*) {
            ++made;
            auto engine = std::make_unique<WakeEngine>();
            engine->devices = {FakeDevice{{"Cam A", "cam:a"}}};
            real = engine.get();
            return engine;
        });
        bool woken = false;
        lazy.SetWakeCallback([&woken] { woken = true; });
        if (loader) {
            lazy.StartLoading();
        }
        VideoGraph video{lazy};
        FakeVideoSurface pane;
        int32_t index = -1;
        EXPECT_TRUE(video.InitCamera(&pane, &index)) << loader;
        lazy.StartLoading();  // too late: the engine is there
        ASSERT_EQ(made, 1) << loader;
        EXPECT_EQ(real->camera.device, "cam:a");
        // The wake set before the engine existed reaches it.
        ASSERT_TRUE(real->wake);
        real->wake();
        EXPECT_TRUE(woken);
    }

    LazyMediaEngine none([](std::string* problem) {
        *problem = "no module";
        return std::unique_ptr<MediaEngine>();
    });
    none.StartLoading();
    none.SetWakeCallback([] {});
    VideoGraph video{none};
    FakeVideoSurface pane;
    int32_t index = -1;
    std::vector<CameraInfo> devices{CameraInfo{}};
    EXPECT_TRUE(Failed(none.ListCameras(&devices)));
    EXPECT_TRUE(devices.empty());
    EXPECT_FALSE(video.InitCamera(&pane, &index));
    EXPECT_FALSE(video.OpenClip(&pane, kClip));
    EXPECT_EQ(video.GrabFrame(), nullptr);
    EXPECT_STREQ(none.Problem(), "no module");
}

}  // namespace
}  // namespace velatrace::testing
