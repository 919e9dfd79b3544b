#pragma once
// A media engine made when it is first needed. The FFmpeg engine brings some two hundred shared
// libraries with it, whose loading would hold up the window; the program makes it here instead,
// on a thread of its own started once the window is shown (StartLoading), and the first call that
// needs the engine waits for it. Made by the factory: an engine, or nullptr when it cannot be had
// (the factory has told why), after which devices list empty and graphs cannot be made.
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "video/MediaEngine.h"

namespace velatrace {

class LazyMediaEngine : public MediaEngine {
  public:
    using Factory = std::function<std::unique_ptr<MediaEngine>()>;

    explicit LazyMediaEngine(Factory factory);
    ~LazyMediaEngine() override;
    LazyMediaEngine(const LazyMediaEngine&) = delete;
    LazyMediaEngine& operator=(const LazyMediaEngine&) = delete;

    // Makes the engine on a thread of its own; a second call, or one after the engine is made,
    // does nothing.
    void StartLoading();

    void SetWakeCallback(WakeCallback wake) override;
    HResult EnumerateDevices(std::vector<DeviceInfo>* devices) override;
    HResult CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) override;
    HResult CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) override;

  private:
    // The engine, made now unless the loading thread made it; nullptr when it cannot be had.
    MediaEngine* Engine();

    Factory factory_;
    std::thread loader_;
    bool made_ = false;  // the factory has run (and the loader, if any, is joined)
    std::unique_ptr<MediaEngine> engine_;
    WakeCallback wake_;  // kept until the engine exists
};

}  // namespace velatrace
