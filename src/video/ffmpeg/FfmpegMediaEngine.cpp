#include "video/ffmpeg/FfmpegMediaEngine.h"

extern "C" {
#include <libavdevice/avdevice.h>
}

#include "video/ffmpeg/CameraList.h"
#include "video/ffmpeg/FfmpegCamera.h"
#include "video/ffmpeg/FfmpegClipPlayer.h"
#include "video/ffmpeg/SpanCopy.h"

namespace velatrace {

FfmpegMediaEngine::FfmpegMediaEngine() : wake_(std::make_shared<WakeHub>()) {
    avdevice_register_all();
}

void FfmpegMediaEngine::SetWakeCallback(WakeCallback wake) {
    wake_->Set(std::move(wake));
}

MediaError FfmpegMediaEngine::ListCameras(std::vector<CameraInfo>* cameras) {
    if (!cameras)
        return MediaError::MissingObject;
    *cameras = velatrace::ListCameras();
    return MediaError::None;
}

MediaError FfmpegMediaEngine::OpenCamera(const char* displayName, std::unique_ptr<Camera>* camera) {
    if (!camera)
        return MediaError::MissingObject;
    auto opened = std::make_unique<FfmpegCamera>(wake_);
    const MediaError error = opened->Open(displayName);
    if (Failed(error))
        return error;
    *camera = std::move(opened);
    return MediaError::None;
}

MediaError FfmpegMediaEngine::OpenClip(const char* path, std::unique_ptr<ClipPlayer>* clip) {
    if (!clip)
        return MediaError::MissingObject;
    auto opened = std::make_unique<FfmpegClipPlayer>(wake_);
    const MediaError error = opened->Open(path);
    if (Failed(error))
        return error;
    *clip = std::move(opened);
    return MediaError::None;
}

MediaError FfmpegMediaEngine::StartSpanCopy(const ExportSpan& span,
                                            std::unique_ptr<ExportJob>* job) {
    return StartSpanCopyJob(span, job);
}

MediaError FfmpegMediaEngine::StartShareVideo(const ExportSpan& span,
                                              const ShareVideoFormat& format,
                                              std::unique_ptr<ExportJob>* job) {
    return StartShareVideoJob(span, format, job);
}

}  // namespace velatrace
