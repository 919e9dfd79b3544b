#pragma once
// Video capture devices of DirectShow, through libavdevice's "dshow" input: listed by the
// device list it gives, opened as "video=<name>". The listing needs no Windows headers, so it
// is built and tested everywhere; the devices exist on Windows only.
#include <memory>
#include <string>
#include <vector>

#include "video/ffmpeg/CameraDevice.h"

struct AVDeviceInfoList;

namespace velatrace {

// The cameras of a dshow device list in its order: the video devices only (a device naming no
// media type counts as video), the friendly name its description, the display name its device
// name (the device's own unique name, stable across plugging). A device whose names are missing
// keeps its place with empty names and MediaError::BadName.
std::vector<CameraInfo> CamerasFromDeviceList(const AVDeviceInfoList* list);

// The system's DirectShow video devices; empty where there is no dshow input.
std::vector<CameraInfo> ListDshowCameras();

// Opens a device named by a display name of ListDshowCameras. MediaError::NotFound when no such
// device is present.
MediaError OpenDshowCamera(const std::string& displayName, std::unique_ptr<CameraDevice>* device);

}  // namespace velatrace
