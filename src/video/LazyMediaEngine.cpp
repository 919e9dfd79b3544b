#include "video/LazyMediaEngine.h"

#include <utility>

namespace velatrace {

LazyMediaEngine::LazyMediaEngine(Factory factory) : factory_(std::move(factory)) {}

LazyMediaEngine::~LazyMediaEngine() {
    if (loader_.joinable()) {
        loader_.join();
    }
}

void LazyMediaEngine::StartLoading() {
    if (made_ || loader_.joinable()) {
        return;
    }
    // Only the loader touches engine_ until it is joined.
    loader_ = std::thread([this] { engine_ = factory_(&problem_); });
}

MediaEngine* LazyMediaEngine::Engine() {
    if (!made_) {
        if (loader_.joinable()) {
            loader_.join();
        } else {
            engine_ = factory_(&problem_);
        }
        made_ = true;
        if (engine_ != nullptr && wake_) {
            engine_->SetWakeCallback(std::move(wake_));
        }
        wake_ = {};
    }
    return engine_.get();
}

void LazyMediaEngine::SetWakeCallback(WakeCallback wake) {
    // Before the engine exists there is nothing to wake for: keep the function for it.
    if (!made_) {
        wake_ = std::move(wake);
        return;
    }
    if (engine_ != nullptr) {
        engine_->SetWakeCallback(std::move(wake));
    }
}

MediaError LazyMediaEngine::ListCameras(std::vector<CameraInfo>* cameras) {
    MediaEngine* engine = Engine();
    if (engine == nullptr) {
        if (cameras != nullptr) {
            cameras->clear();
        }
        return MediaError::Failed;
    }
    return engine->ListCameras(cameras);
}

MediaError LazyMediaEngine::OpenCamera(const char* displayName, std::unique_ptr<Camera>* camera) {
    MediaEngine* engine = Engine();
    return engine == nullptr ? MediaError::Failed : engine->OpenCamera(displayName, camera);
}

MediaError LazyMediaEngine::OpenClip(const char* path, std::unique_ptr<ClipPlayer>* clip) {
    MediaEngine* engine = Engine();
    return engine == nullptr ? MediaError::Failed : engine->OpenClip(path, clip);
}

MediaError LazyMediaEngine::StartSpanCopy(const ExportSpan& span, std::unique_ptr<ExportJob>* job) {
    MediaEngine* engine = Engine();
    return engine == nullptr ? MediaError::Failed : engine->StartSpanCopy(span, job);
}

MediaError LazyMediaEngine::StartShareVideo(const ExportSpan& span, const ShareVideoFormat& format,
                                            std::unique_ptr<ExportJob>* job) {
    MediaEngine* engine = Engine();
    return engine == nullptr ? MediaError::Failed : engine->StartShareVideo(span, format, job);
}

const char* LazyMediaEngine::Problem() const {
    // Asking is a use: the engine is made (or its loading waited for) first.
    const MediaEngine* engine = const_cast<LazyMediaEngine*>(this)->Engine();
    return engine == nullptr ? problem_.c_str() : engine->Problem();
}

}  // namespace velatrace
