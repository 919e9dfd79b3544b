// Cameras: the list, the saved camera and its fallback, the display name, and the camera's
// setting dialogs.
#include <string>
#include <utility>

#include "VideoGraphFixture.h"

namespace velatrace::testing {
namespace {

using Devices = VideoGraphFixture;

TEST_F(Devices, TheSavedCameraIsUsedElseTheFirst) {
    ASSERT_TRUE(StartCamera("cam:b"));
    EXPECT_EQ(selectedIndex, 1);
    EXPECT_EQ(engine.capture.device, "cam:b");

    // The saved camera is gone: the running graph is stopped and replaced by the first camera's,
    // whose name replaces the saved one.
    ASSERT_EQ(video.RunGraph(true), kHrOk);
    engine.calls.clear();
    video.LoadDisplayName("cam:unplugged", kDisplayNameSize);
    ASSERT_TRUE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_EQ(selectedIndex, 0);
    EXPECT_EQ(engine.capture.device, "cam:a");
    EXPECT_STREQ(video.DisplayName(), "cam:a");
    EXPECT_EQ(engine.calls[0], "capture.Stop");
    EXPECT_LT(engine.IndexOf("capture.Destroy"), engine.IndexOf("engine.CreateCaptureGraph"));
    EXPECT_FALSE(video.IsPreviewing());

    // Choosing the camera in use again (the first, with no saved name) changes nothing.
    ASSERT_EQ(video.RunGraph(true), kHrOk);
    video.LoadDisplayName("", kDisplayNameSize);
    engine.calls.clear();
    EXPECT_TRUE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(video.IsPreviewing());

    // A rebuild that fails leaves the camera not ready, also when it is chosen once more.
    engine.SetResult("capture.BindDevice", kHrDeviceNotConnected);
    video.LoadDisplayName("cam:b", kDisplayNameSize);
    EXPECT_FALSE(video.SelectSavedDevice(&pane, &selectedIndex));
    video.LoadDisplayName("", kDisplayNameSize);
    EXPECT_FALSE(video.SelectSavedDevice(&pane, &selectedIndex));
    engine.forced.clear();
    engine.calls.clear();
    EXPECT_FALSE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(Devices, AtMostFourCamerasWithNamesCutTo119Characters) {
    const std::string longName(200, 'n');
    engine.devices.clear();
    for (int i = 0; i < 5; ++i) {
        engine.devices.push_back(MakeFakeDevice(i == 0 ? longName : "Cam " + std::to_string(i),
                                                "cam:" + std::to_string(i)));
    }
    engine.devices[2].info.nameResult = kHrFail;  // its names cannot be read
    ASSERT_TRUE(StartCamera("cam:3"));
    EXPECT_EQ(video.Stream().nDevices, 4);
    EXPECT_EQ(selectedIndex, 3);
    // The unreadable camera keeps its slot, empty, so the names stop before it.
    const char* names[kMaxVideoDevices] = {};
    ASSERT_EQ(video.DeviceNames(names, kMaxVideoDevices), 2);
    EXPECT_EQ(std::string(names[0]), longName.substr(0, 119));
    EXPECT_STREQ(names[1], "Cam 1");
    // It cannot be chosen: the first camera stands in for it.
    video.LoadDisplayName("cam:2", kDisplayNameSize);
    ASSERT_TRUE(video.SelectSavedDevice(&pane, &selectedIndex));
    EXPECT_EQ(selectedIndex, 0);

    // A new list replaces the old one: a camera no longer listed is not found.
    engine.devices.resize(1);
    ASSERT_TRUE(StartCamera("cam:3"));
    EXPECT_EQ(video.DeviceNames(names, kMaxVideoDevices), 1);
    EXPECT_EQ(selectedIndex, 0);

    // No camera is no failure; a failed list is.
    engine.devices.clear();
    engine.calls.clear();
    EXPECT_FALSE(video.InitCamera(&pane, &selectedIndex));
    EXPECT_EQ(Trace(), "");
    engine.SetResult("engine.EnumerateDevices", kHrUnexpected);
    EXPECT_FALSE(video.InitCamera(&pane, &selectedIndex));
    EXPECT_EQ(Trace(), "FAILED(hr=0x8000ffff) in MediaEngine::EnumerateDevices\n");
    EXPECT_FALSE(engine.Called("engine.CreateCaptureGraph"));
}

TEST_F(Devices, LongDisplayNamesGrowTheBuffer) {
    EXPECT_EQ(video.DisplayNameSize(), 1024u);
    const std::string longName = "cam:" + std::string(1996, 'd');  // 2000 characters
    engine.devices[0].info.displayName = longName;
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(video.DisplayNameSize(), 2001u);
    EXPECT_EQ(std::string(video.DisplayName()), longName);

    // A saved name is parsed up to 1023 characters, so that camera is no longer recognised and
    // the first one is used in its place.
    std::swap(engine.devices[0], engine.devices[1]);
    VideoGraph again{engine};
    again.LoadDisplayName(longName.c_str(), 2001);
    EXPECT_EQ(std::string(again.DisplayName()), longName);
    ASSERT_TRUE(Selects(again));
    EXPECT_EQ(selectedIndex, 0);
    // A stored size beyond reason does not allocate it.
    again.LoadDisplayName("cam:a", 0xFFFFFFFFu);
    EXPECT_LE(again.DisplayNameSize(), 64u * 1024u);
}

// Setting dialogs stand-in: notes whether the camera ran; the format pages pick the last size.
struct PickLastFormat : PropertyPages {
    explicit PickLastFormat(const bool& running) : running(running) {}
    HResult ShowFilterPages(CaptureGraph& graph, int32_t, int32_t) override {
        shown.push_back(running ? "filter while running" : "filter");
        return graph.SetControl(1, 60);
    }
    HResult ShowFormatPages(CaptureGraph& graph, const std::vector<VideoFormat>& formats, int32_t,
                            int32_t) override {
        shown.push_back(running ? "format while running" : "format");
        StreamFormat format;
        graph.GetFormat(&format);
        const VideoFormat& last = formats.back();
        format.width = last.width, format.height = last.height;
        format.avgTimePerFrame = last.avgTimePerFrame;
        return graph.SetFormat(format);
    }
    const bool& running;
    Calls shown;
};

TEST_F(Devices, FormatChangeRebuildsTheGraphAndRestartsThePreview) {
    StartPreview();
    PickLastFormat pages{engine.capture.running};
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    // Stopped and torn down while the pages are open, then rebuilt (the capture file named
    // afresh) and running again, with the capture stream off.
    EXPECT_LT(engine.IndexOf("capture.TearDown"), engine.IndexOf("capture.SetFormat(320x240)"));
    EXPECT_LT(engine.IndexOf("capture.SetFormat(320x240)"),
              engine.IndexOf("capture.SetOutputFileName(/cap/run_07.avi)"));
    EXPECT_EQ(video.Stream().lvw, 320);
    EXPECT_EQ(video.Stream().lvh, 240);
    EXPECT_EQ(video.Stream().lrate, 30);
    EXPECT_TRUE(video.IsPreviewing());
    EXPECT_EQ(engine.capture.control, CaptureControl::StopNow);
    // Without preview the rebuilt graph stays stopped, but is built.
    ASSERT_EQ(video.RunGraph(false), kHrOk);
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    EXPECT_FALSE(engine.capture.running);
    EXPECT_EQ(video.RunGraph(true), kHrOk);
    // The camera's controls act on the running graph.
    video.ShowFilterProperties(pages);
    EXPECT_EQ(pages.shown, (Calls{"format", "format", "filter while running"}));
    EXPECT_TRUE(engine.Called("capture.SetControl(1,60)"));

    // Without a stream configuration there are no format pages, only the rebuild; without
    // controls no filter pages.
    engine.devices[0].streamConfig = false;
    engine.devices[0].controls = false;
    VideoGraph plain{engine};
    ASSERT_TRUE(Selects(plain));
    ASSERT_EQ(plain.RunGraph(true), kHrOk);
    engine.calls.clear();
    EXPECT_TRUE(plain.ShowFormatProperties(&pane, pages));
    plain.ShowFilterProperties(pages);
    EXPECT_EQ(pages.shown.size(), 3u);
    EXPECT_FALSE(engine.Called("capture.EnumFormats"));
    EXPECT_TRUE(engine.Called("capture.RenderStream(Preview,Video)"));
    EXPECT_TRUE(plain.IsPreviewing());
}

}  // namespace
}  // namespace velatrace::testing
