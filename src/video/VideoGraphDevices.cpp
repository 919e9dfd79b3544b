// The cameras: listing them, binding the saved one (or else the first) and building its graph.
#include <utility>
#include <vector>

#include "base/FixedText.h"
#include "video/VideoGraph.h"

namespace velatrace {

namespace {

// A saved display name longer than this is cut when it is parsed.
constexpr size_t kParsedNameChars = kDisplayNameSize - 1;
// The largest display-name buffer a stored size may ask for.
constexpr uint32_t kMaxDisplayNameSize = 64 * 1024;

}  // namespace

bool VideoGraph::EnumerateDevices() {
    trace_.Clear();
    stream_.nDevices = 0;
    // A new list replaces the old one entirely, so no stale camera stays selectable.
    for (int32_t i = 0; i < kMaxVideoDevices; ++i) {
        devices_[i].reset();
        deviceNames_[i][0] = '\0';
    }
    std::vector<CameraInfo> devices;
    const MediaError error = engine_.ListCameras(&devices);
    if (Failed(error)) {
        Fail("MediaEngine::ListCameras", error);
        return false;
    }
    if (devices.empty()) {
        return false;  // no video input device at all
    }
    int32_t i = 0;
    for (const CameraInfo& device : devices) {
        if (i >= kMaxVideoDevices) {
            break;
        }
        if (Failed(device.nameError)) {
            // The device keeps its slot, with no name and no entry to bind.
            Fail("MediaEngine::ListCameras (device names)", device.nameError);
        } else {
            CopyText(deviceNames_[i], device.friendlyName.c_str(), kDeviceNameSize - 1);
            devices_[i] = std::make_shared<DeviceEntry>(DeviceEntry{device.displayName});
        }
        ++i;
    }
    stream_.nDevices = i;
    return true;
}

bool VideoGraph::InitCamera(VideoSurface* host, int32_t* selectedIndex, bool* selected) {
    const bool enumerated = EnumerateDevices();
    bool built = false;
    if (stream_.nDevices > 0) {
        built = SelectSavedDevice(host, selectedIndex);
    }
    if (selected != nullptr) {
        *selected = built;
    }
    return enumerated && stream_.nDevices >= 1;
}

bool VideoGraph::SelectSavedDevice(VideoSurface* host, int32_t* index) {
    DeviceEntryPtr parsed;
    const char* saved = DisplayName();
    if (saved[0] != '\0') {
        std::string name(saved);
        if (name.size() > kParsedNameChars) {
            name.resize(kParsedNameChars);
        }
        parsed = std::make_shared<DeviceEntry>(DeviceEntry{std::move(name)});
    }
    *index = 0;
    bool matched = false;
    if (parsed) {
        for (int32_t i = 0; i < kMaxVideoDevices; ++i) {
            if (devices_[i] && devices_[i]->displayName == parsed->displayName) {
                *index = i;
                matched = true;
                break;
            }
        }
    }
    DeviceEntryPtr device = parsed;
    if (!matched) {
        // The saved camera is gone (or none was saved): the first one is used.
        if (stream_.nDevices == 0 || !devices_[0]) {
            return false;
        }
        device = devices_[0];
    }
    return ChooseDevice(host, device);
}

bool VideoGraph::SelectDevice(VideoSurface* host, int32_t index) {
    if (index < 0 || index >= stream_.nDevices) {
        return false;
    }
    return ChooseDevice(host, devices_[index]);
}

bool VideoGraph::ChooseDevice(VideoSurface* host, const DeviceEntryPtr& device) {
    if (!device) {
        return false;
    }
    // The camera in use again: ready when it is still open (a replay closes it).
    if (device == cameraInUse_ && camera_) {
        return deviceReady_;
    }
    cameraInUse_ = device;
    // Until the new graph holds its capture stream the device is not ready, so a later call for
    // the same device cannot report an old success.
    deviceReady_ = false;
    CloseCamera();
    if (!OpenCameraInUse(host)) {
        return false;
    }
    ReadDisplayName();
    camera_->Recording().Stop();
    deviceReady_ = true;
    return deviceReady_;
}

void VideoGraph::ReadDisplayName() {
    if (!cameraInUse_) {
        return;
    }
    const std::string& name = cameraInUse_->displayName;
    const size_t n = name.size() + 1;
    if (n > kDisplayNameSize || !displayName_) {
        ResizeDisplayName(n > kDisplayNameSize ? static_cast<uint32_t>(n) : kDisplayNameSize);
    }
    CopyText(displayName_.get(), displayNameSize_, name.c_str(), displayNameSize_ - 1);
}

void VideoGraph::LoadDisplayName(const char* name, uint32_t size) {
    uint32_t want = size > kMaxDisplayNameSize ? kMaxDisplayNameSize : size;
    if (want < kDisplayNameSize) {
        want = kDisplayNameSize;
    }
    if (!displayName_ || want > displayNameSize_) {
        ResizeDisplayName(want);
    }
    CopyText(displayName_.get(), displayNameSize_, name != nullptr ? name : "");
}

}  // namespace velatrace
