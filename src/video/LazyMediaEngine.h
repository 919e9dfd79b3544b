#pragma once
// A media engine made when it is first needed. The FFmpeg engine brings some two hundred shared
// libraries with it, whose loading would hold up the window; the program makes it here instead,
// on a thread of its own started once the window is shown (StartLoading), and the first call that
// needs the engine waits for it. Made by the factory: an engine, or nullptr when it cannot be had
// (the factory has told why), after which cameras list empty and nothing can be opened.
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "video/MediaEngine.h"

namespace velatrace {

class LazyMediaEngine : public MediaEngine {
  public:
    // Makes the engine, or returns nullptr with the reason in *problem.
    using Factory = std::function<std::unique_ptr<MediaEngine>(std::string* problem)>;

    explicit LazyMediaEngine(Factory factory);
    ~LazyMediaEngine() override;
    LazyMediaEngine(const LazyMediaEngine&) = delete;
    LazyMediaEngine& operator=(const LazyMediaEngine&) = delete;

    // Makes the engine on a thread of its own; a second call, or one after the engine is made,
    // does nothing.
    void StartLoading();

    void SetWakeCallback(WakeCallback wake) override;
    MediaError ListCameras(std::vector<CameraInfo>* cameras) override;
    MediaError OpenCamera(const char* displayName, std::unique_ptr<Camera>* camera) override;
    MediaError OpenClip(const char* path, std::unique_ptr<ClipPlayer>* clip) override;
    MediaError StartSpanCopy(const ExportSpan& span, std::unique_ptr<ExportJob>* job) override;
    MediaError StartShareVideo(const ExportSpan& span, const ShareVideoFormat& format,
                               std::unique_ptr<ExportJob>* job) override;
    // Waits for the engine: asked once the window is up, where the user is told.
    const char* Problem() const override;

  private:
    // The engine, made now unless the loading thread made it; nullptr when it cannot be had.
    MediaEngine* Engine();

    Factory factory_;
    std::thread loader_;
    bool made_ = false;  // the factory has run (and the loader, if any, is joined)
    std::unique_ptr<MediaEngine> engine_;
    std::string problem_;  // why the factory made no engine
    WakeCallback wake_;    // kept until the engine exists
};

}  // namespace velatrace
