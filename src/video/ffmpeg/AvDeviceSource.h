#pragma once
// A camera streamed through a libavdevice input (v4l2 on Linux): it reads the device's packets,
// decodes them, keeps Motion-JPEG packets for writing as they are, and reports a camera that
// stops answering or disappears as an error value.
#include <memory>
#include <string>

#include "video/ffmpeg/CameraDevice.h"

namespace velatrace {

// `inputFormat` is the libavdevice input ("video4linux2"), `url` the device, `mode` the mode to
// ask for (its pixel format name picks the device's encoding).
MediaError OpenAvDeviceSource(const char* inputFormat, const std::string& url,
                              const CameraMode& mode, std::unique_ptr<CameraSource>* source);

}  // namespace velatrace
