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
    std::vector<DeviceInfo> devices;
    const MediaError hr = engine_.EnumerateDevices(&devices);
    if (hr != MediaError::None) {
        // MediaError::Nothing: no video input device at all.
        if (Failed(hr)) {
            Fail("MediaEngine::EnumerateDevices", hr);
        }
        return false;
    }
    int32_t i = 0;
    for (const DeviceInfo& device : devices) {
        if (i >= kMaxVideoDevices) {
            break;
        }
        if (Failed(device.nameResult)) {
            // The device keeps its slot, with no name and no entry to bind.
            Fail("MediaEngine::EnumerateDevices (device names)", device.nameResult);
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
    if (device == cameraInUse_) {
        return deviceReady_;
    }
    cameraInUse_ = device;
    // Until the new graph holds its capture stream the device is not ready, so a later call for
    // the same device cannot report an old success.
    deviceReady_ = false;
    if (previewing_) {
        RunGraph(false);
    }
    if (cameraGraphBuilt_) {
        TearDownGraph();
    }
    FreeGraphs();
    if (CreateCameraGraph() != MediaError::None) {
        return false;
    }
    if (BuildCaptureGraph(host) != MediaError::None) {
        return false;
    }
    trace_.Clear();
    ReadDisplayName();
    const MediaError hr = cameraGraph_->ControlStream(CaptureControl::Hold);
    if (Failed(hr)) {
        Fail("CaptureGraph::ControlStream(Hold)", hr);
    }
    deviceReady_ = Succeeded(hr);
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
