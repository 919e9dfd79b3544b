#pragma once
// A video object over the fake engine with two cameras, the stored stream settings of a first
// start and the capture naming "/cap/run_07.avi".
#include <gtest/gtest.h>

#include <string>

#include "FakeMediaEngine.h"
#include "FakeVideoSurface.h"
#include "support/FakeClock.h"
#include "video/VideoGraph.h"

namespace velatrace::testing {

struct VideoGraphFixture : ::testing::Test {
    FakeMediaEngine engine;
    FakeClock clock;
    FakeVideoSurface pane;
    VideoGraph video{engine, clock};

    VideoGraphFixture() {
        engine.devices = {MakeFakeDevice("Cam A", "cam:a"), MakeFakeDevice("Cam B", "cam:b")};
        video.m_strm.lrate = 20;
        video.m_strm.lvw = 640;
        video.m_strm.lvh = 480;
        video.m_strm.lvolume = kVolumeSilent;
        CopyPath(video.naming.path, "/cap/");
        CopyPath(video.naming.filename, "run");
        video.naming.autoNumber = 1;
        video.naming.number = 7;
        engine.clips["/rec/run_07.avi"] = FakeClip{};
    }

    static void CopyPath(char (&dst)[kCapturePathSize], const char* src) {
        std::snprintf(dst, sizeof dst, "%s", src);
    }

    // Start-up with the camera of the saved display name (empty: first start).
    bool StartCamera(const char* savedName = "") {
        video.LoadDisplayName(savedName, kDisplayNameSize);
        int32_t index = -1;
        const bool found = video.InitCamera(&pane, &index);
        selectedIndex = index;
        return found;
    }

    // Start-up and Preview: the camera graph runs with the capture stream off.
    void StartPreview() {
        ASSERT_TRUE(StartCamera());
        ASSERT_EQ(video.RunGraph(true), kHrOk);
        engine.calls.clear();
    }

    std::string Trace() const { return video.trace.Text(); }

    int32_t selectedIndex = -1;
};

}  // namespace velatrace::testing
