#include "video/ffmpeg/FfmpegMediaEngine.h"

extern "C" {
#include <libavdevice/avdevice.h>
}

#include "video/ffmpeg/CameraList.h"
#include "video/ffmpeg/FfmpegCaptureGraph.h"
#include "video/ffmpeg/FfmpegPlaybackGraph.h"

namespace velatrace {

FfmpegMediaEngine::FfmpegMediaEngine() : wake_(std::make_shared<WakeHub>()) {
    avdevice_register_all();
}

void FfmpegMediaEngine::SetWakeCallback(WakeCallback wake) {
    wake_->Set(std::move(wake));
}

MediaError FfmpegMediaEngine::EnumerateDevices(std::vector<DeviceInfo>* devices) {
    if (!devices)
        return MediaError::MissingObject;
    *devices = ListCameras();
    return devices->empty() ? MediaError::Nothing : MediaError::None;
}

MediaError FfmpegMediaEngine::CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) {
    if (!graph)
        return MediaError::MissingObject;
    *graph = std::make_unique<FfmpegCaptureGraph>(wake_);
    return MediaError::None;
}

MediaError FfmpegMediaEngine::CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) {
    if (!graph)
        return MediaError::MissingObject;
    *graph = std::make_unique<FfmpegPlaybackGraph>(wake_);
    return MediaError::None;
}

}  // namespace velatrace
