#pragma once
// The real frame core with the tests' stand-ins for the window, timers and video pane, the FFmpeg
// engine, the system clock and a logger driver library: the program without its window, as the
// benchmarks drive it. Made and started up (the deferred start-up included) on construction.
#include <atomic>
#include <memory>

#include "app/MainFrame.h"
#include "app/SystemClock.h"
#include "logger/DriverLibraryDl.h"
#include "support/FakeHost.h"
#include "video/FakeVideoSurface.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"

namespace velatrace::bench {

struct HeadlessFrame {
    HeadlessFrame(RegistryStore& registry, const char* driverPath) : driver(driverPath) {
        engine.SetWakeCallback([this] { woken.store(true, std::memory_order_release); });
        frame = std::make_unique<MainFrame>(FramePorts{host.Ports(), timers, clock, registry,
                                                       driver, engine, &pane, transfer, pages});
        frame->Create();
        frame->OnTimer(kTimerStartup);
    }

    SystemClock clock;
    testing::FakeHost host;
    testing::FakeTimers timers;
    testing::FakeVideoSurface pane;
    NoStillTransfer transfer;
    NoPropertyPages pages;
    DriverLibraryDl driver;
    FfmpegMediaEngine engine;
    std::atomic<bool> woken{false};  // the engine has news for the frame
    std::unique_ptr<MainFrame> frame;
};

}  // namespace velatrace::bench
