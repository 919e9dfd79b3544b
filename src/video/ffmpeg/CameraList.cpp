#include "video/ffmpeg/CameraList.h"

#include "video/ffmpeg/PatternCamera.h"
#if defined(__linux__)
#include "video/ffmpeg/V4l2Camera.h"
#elif defined(_WIN32)
#include "video/ffmpeg/DshowCamera.h"
#endif

namespace velatrace {

std::vector<CameraInfo> ListCameras() {
    std::vector<CameraInfo> devices;
#if defined(__linux__)
    devices = ListV4l2Cameras();
#elif defined(_WIN32)
    devices = ListDshowCameras();
#endif
    if (PatternCameraEnabled()) {
        CameraInfo pattern;
        pattern.friendlyName = kPatternCameraFriendlyName;
        pattern.displayName = kPatternCameraDisplayName;
        devices.push_back(std::move(pattern));
    }
    return devices;
}

MediaError OpenCamera(const std::string& displayName, std::unique_ptr<CameraDevice>* device) {
    if (displayName == kPatternCameraDisplayName) {
        if (!PatternCameraEnabled())
            return MediaError::NotFound;
        *device = MakePatternCamera();
        return MediaError::None;
    }
#if defined(__linux__)
    return OpenV4l2Camera(displayName, device);
#elif defined(_WIN32)
    return OpenDshowCamera(displayName, device);
#else
    return MediaError::NotFound;
#endif
}

}  // namespace velatrace
