#pragma once
// A video object over the fake engine with two cameras, the stored stream settings of a first
// start (640 x 480 at 20 frames per second, muted), the capture naming "/cap/run_07.avi" and a
// recorded clip "/rec/run_07.avi".
#include <gtest/gtest.h>

#include <string>
#include <utility>

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
    int32_t selectedIndex = -1;

    VideoGraphFixture() {
        engine.devices = {FakeDevice{{"Cam A", "cam:a"}}, FakeDevice{{"Cam B", "cam:b"}}};
        engine.clips["/rec/run_07.avi"] = FakeClip{};
        video.LoadStream(StreamSettings{0, 20, 640, 480, kVolumeSilent, 0, 0});
        video.SetNaming("/cap/", "run", 1);
        video.SetCaptureNumber(7);
    }

    // Start-up of `v`: whether a camera's graph was built and holds its capture stream.
    bool Selects(VideoGraph&& v) {
        bool selected = false;
        v.InitCamera(&pane, &selectedIndex, &selected);
        return selected;
    }
    bool Selects(VideoGraph& v) { return Selects(std::move(v)); }
    // Start-up with the camera of the saved display name (empty: first start).
    bool StartCamera(const char* savedName = "") {
        video.LoadDisplayName(savedName, kDisplayNameSize);
        return Selects(video);
    }
    // Start-up and Preview: the camera graph runs with the capture stream off.
    void StartPreview() {
        ASSERT_TRUE(StartCamera());
        ASSERT_EQ(video.RunGraph(true), kHrOk);
        engine.calls.clear();
    }

    // The engine calls since the last look, separated by spaces.
    std::string TakeCalls() {
        std::string s;
        for (const std::string& c : engine.calls) {
            s += (s.empty() ? "" : " ") + c;
        }
        engine.calls.clear();
        return s;
    }
    std::string Trace() const { return video.LastFailure(); }
    // What the frame reads of the video object: "previewing", "capturing", "clip <play state>".
    std::string State() const {
        const char* play[] = {"Stopped", "Paused", "Running"};
        std::string s = video.IsPreviewing() ? "previewing" : "stopped";
        s += video.IsCapturing() ? " capturing" : "";
        return video.IsClipOpen() ? s + " clip " + play[static_cast<int>(video.ClipPlayState())]
                                  : s;
    }
};

}  // namespace velatrace::testing
