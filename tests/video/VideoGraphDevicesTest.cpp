// Cameras: the list, the saved camera and its fallback, the display name, and a format change.
#include <string>

#include "VideoGraphFixture.h"

namespace velatrace::testing {
namespace {

using Devices = VideoGraphFixture;

TEST_F(Devices, TheSavedCameraIsUsedElseTheFirst) {
    ASSERT_TRUE(StartCamera("cam:b"));
    EXPECT_EQ(selectedIndex, 1);
    EXPECT_EQ(engine.capture.device, "cam:b");
    EXPECT_STREQ(video.DisplayName(), "cam:b");

    // The saved camera is gone: the first one is used and its name replaces the saved one.
    VideoGraph other{engine, clock};
    other.LoadDisplayName("cam:unplugged", kDisplayNameSize);
    int32_t index = -1;
    bool selected = false;
    ASSERT_TRUE(other.InitCamera(&pane, &index, &selected));
    EXPECT_TRUE(selected);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(engine.capture.device, "cam:a");
    EXPECT_STREQ(other.DisplayName(), "cam:a");
}

TEST_F(Devices, AtMostFourCamerasWithNamesCutTo119Characters) {
    const std::string longName(200, 'n');
    engine.devices.clear();
    for (int i = 0; i < 5; ++i) {
        engine.devices.push_back(MakeFakeDevice(i == 0 ? longName : "Cam " + std::to_string(i),
                                                "cam:" + std::to_string(i)));
    }
    engine.devices[2].info.nameResult = kHrFail;  // its names cannot be read
    ASSERT_TRUE(video.EnumerateDevices());
    EXPECT_EQ(video.m_strm.nDevices, 4);
    EXPECT_EQ(std::string(video.gcap.szDeviceNames[0]), longName.substr(0, 119));
    EXPECT_STREQ(video.gcap.szDeviceNames[1], "Cam 1");
    // The unreadable camera keeps its slot, empty.
    EXPECT_STREQ(video.gcap.szDeviceNames[2], "");
    EXPECT_TRUE(video.gcap.pmDevices[2] == nullptr);
    EXPECT_EQ(video.gcap.pmDevices[3]->displayName, "cam:3");
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x80004005) in pM->BindToStorage(0, 0, IID_IPropertyBag, (void "
              "**)&pBag)\n");

    // A new list replaces the old one: fewer cameras leave no stale entries.
    engine.devices.resize(1);
    ASSERT_TRUE(video.EnumerateDevices());
    EXPECT_EQ(video.m_strm.nDevices, 1);
    EXPECT_TRUE(video.gcap.pmDevices[1] == nullptr);
    EXPECT_STREQ(video.gcap.szDeviceNames[1], "");
}

TEST_F(Devices, NoCameraOrAFailedListLeavesTheCameraNotFound) {
    engine.devices.clear();
    bool selected = true;
    int32_t index = -1;
    EXPECT_FALSE(video.InitCamera(&pane, &index, &selected));
    EXPECT_FALSE(selected);
    EXPECT_EQ(video.m_strm.nDevices, 0);
    EXPECT_FALSE(engine.Called("engine.CreateCaptureGraph"));
    EXPECT_EQ(Trace(), "");  // an empty list is no failure

    engine.devices = {MakeFakeDevice("Cam A", "cam:a")};
    engine.enumerateResult = kHrUnexpected;
    EXPECT_FALSE(video.InitCamera(&pane, &index));
    EXPECT_EQ(video.m_strm.nDevices, 0);
    EXPECT_EQ(Trace(),
              "FAILED(hr=0x8000ffff) in pDevEnum->CreateClassEnumerator("
              "CLSID_VideoInputDeviceCategory, &pEm, 0)\n");
}

TEST_F(Devices, ChoosingTheCameraInUseChangesNothing) {
    ASSERT_TRUE(StartCamera());
    ASSERT_EQ(video.RunGraph(true), kHrOk);
    engine.calls.clear();
    EXPECT_TRUE(video.ChooseDevice(&pane, video.gcap.pmVideo));
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(video.fPreviewing, 1);

    // Another camera: the running graph is stopped and replaced.
    EXPECT_TRUE(video.ChooseDevice(&pane, video.gcap.pmDevices[1]));
    EXPECT_LT(engine.IndexOf("capture.Stop"), engine.IndexOf("capture.Destroy"));
    EXPECT_EQ(engine.capture.device, "cam:b");
    EXPECT_EQ(video.fPreviewing, 0);

    // A rebuild that fails leaves the device not ready, also for a repeated choice of it.
    engine.SetResult("capture.BindDevice", kHrDeviceNotConnected);
    EXPECT_FALSE(video.ChooseDevice(&pane, video.gcap.pmDevices[0]));
    EXPECT_FALSE(video.ChooseDevice(&pane, video.gcap.pmDevices[0]));
    EXPECT_EQ(video.gcap.fDeviceReady, 0);
    EXPECT_EQ(video.gcap.pmVideo, video.gcap.pmDevices[0]);  // the new moniker stays
    EXPECT_FALSE(video.ChooseDevice(&pane, nullptr));
}

TEST_F(Devices, LongDisplayNamesGrowTheBuffer) {
    EXPECT_EQ(video.gcap.cbDisplayName, 1024u);
    const std::string longName = "cam:" + std::string(1996, 'd');  // 2000 characters
    engine.devices[0].info.displayName = longName;
    ASSERT_TRUE(StartCamera());
    EXPECT_EQ(video.gcap.cbDisplayName, 2001u);
    EXPECT_EQ(std::string(video.DisplayName()), longName);

    // A saved name is parsed up to 1023 characters, so this camera is no longer recognised and
    // the first one is used in its place.
    VideoGraph again{engine, clock};
    again.LoadDisplayName(longName.c_str(), 2001);
    EXPECT_EQ(std::string(again.DisplayName()), longName);
    int32_t index = -1;
    ASSERT_TRUE(again.InitCamera(&pane, &index));
    EXPECT_EQ(index, 0);

    // A stored size beyond reason does not allocate it.
    again.LoadDisplayName("cam:a", 0xFFFFFFFFu);
    EXPECT_LE(again.gcap.cbDisplayName, 64u * 1024u);
}

// Format dialog stand-in: picks the formats' last size, or shows nothing.
struct PickLastFormat : PropertyPages {
    HResult ShowFilterPages(CaptureGraph& graph, int32_t x, int32_t y) override {
        filterShown = true;
        wasRunningInFilter = running != nullptr && *running;
        graph.SetControl(1, 42);
        posX = x;
        posY = y;
        return kHrOk;
    }
    HResult ShowFormatPages(CaptureGraph& graph, const std::vector<VideoFormat>& formats, int32_t x,
                            int32_t y) override {
        formatShown = true;
        wasRunningInFormat = running != nullptr && *running;
        posX = x;
        posY = y;
        StreamFormat format;
        graph.GetFormat(&format);
        format.width = formats.back().width;
        format.height = formats.back().height;
        format.avgTimePerFrame = formats.back().avgTimePerFrame;
        setResult = graph.SetFormat(format);
        return kHrOk;
    }
    const bool* running = nullptr;
    bool filterShown = false;
    bool formatShown = false;
    bool wasRunningInFilter = false;
    bool wasRunningInFormat = false;
    HResult setResult = kHrFail;
    int32_t posX = 0;
    int32_t posY = 0;
};

TEST_F(Devices, FormatChangeRebuildsTheGraphAndRestartsThePreview) {
    StartPreview();
    PickLastFormat pages;
    pages.running = &engine.capture.running;
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    EXPECT_TRUE(pages.formatShown);
    EXPECT_FALSE(pages.wasRunningInFormat);  // stopped and torn down while the pages are open
    EXPECT_EQ(pages.setResult, kHrOk);
    EXPECT_EQ(pages.posX, 30);
    EXPECT_EQ(pages.posY, 30);
    EXPECT_LT(engine.IndexOf("capture.TearDown"), engine.IndexOf("capture.SetFormat(320x240)"));
    EXPECT_EQ(video.m_strm.lvw, 320);
    EXPECT_EQ(video.m_strm.lvh, 240);
    EXPECT_EQ(video.m_strm.lrate, 30);
    // Rebuilt (the capture file named afresh) and running again, with the capture stream off.
    EXPECT_EQ(engine.CallsStartingWith("capture.SetOutputFileName").size(), 1u);
    EXPECT_EQ(video.gcap.fCapGraphBuilt, 1);
    EXPECT_EQ(video.fPreviewing, 1);
    EXPECT_TRUE(engine.capture.running);
    EXPECT_EQ(engine.capture.control, CaptureControl::StopNow);

    // Without preview the rebuilt graph stays stopped.
    ASSERT_EQ(video.RunGraph(false), kHrOk);
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    EXPECT_EQ(video.gcap.fCapGraphBuilt, 1);
    EXPECT_FALSE(engine.capture.running);

    // The camera's controls act on the running graph.
    ASSERT_EQ(video.RunGraph(true), kHrOk);
    video.ShowFilterProperties(pages);
    EXPECT_TRUE(pages.filterShown);
    EXPECT_TRUE(pages.wasRunningInFilter);
    EXPECT_TRUE(engine.capture.running);
}

TEST_F(Devices, FormatWithoutStreamConfigurationOnlyRebuilds) {
    engine.devices[0].streamConfig = false;
    engine.devices[0].controls.clear();
    StartPreview();
    PickLastFormat pages;
    EXPECT_TRUE(video.ShowFormatProperties(&pane, pages));
    EXPECT_FALSE(pages.formatShown);
    EXPECT_FALSE(engine.Called("capture.EnumFormats"));
    EXPECT_EQ(video.gcap.fCapGraphBuilt, 1);
    EXPECT_EQ(video.fPreviewing, 1);
    // A camera without controls shows no filter pages.
    video.ShowFilterProperties(pages);
    EXPECT_FALSE(pages.filterShown);
}

}  // namespace
}  // namespace velatrace::testing
