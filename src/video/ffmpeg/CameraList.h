#pragma once
// The cameras the engine offers: the system's video capture devices, then the test-pattern camera
// when it is enabled.
#include <memory>
#include <string>
#include <vector>

#include "video/ffmpeg/CameraDevice.h"

namespace velatrace {

std::vector<CameraInfo> ListCameras();

// Opens a camera by its display name. MediaError::NotFound when no such camera is present.
MediaError OpenCamera(const std::string& displayName, std::unique_ptr<CameraDevice>* device);

}  // namespace velatrace
