#pragma once
// Video capture devices of Video4Linux2: their names, sizes, rates and controls through the
// driver's ioctls. Linux only; streaming itself goes through libavdevice (AvDeviceSource).
#include <memory>
#include <string>
#include <vector>

#include "video/ffmpeg/CameraDevice.h"

namespace velatrace {

// The capture devices in the order of their /dev/videoN numbers: the friendly name is the
// driver's card name, the display name the device's /dev/v4l/by-id link where it has one (stable
// across plugging), else its /dev/videoN path.
std::vector<CameraInfo> ListV4l2Cameras();

// Opens the device named by a display name of ListV4l2Cameras (or any path to a device node).
// MediaError::NotFound when there is no such capture device.
MediaError OpenV4l2Camera(const std::string& displayName, std::unique_ptr<CameraDevice>* device);

}  // namespace velatrace
