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
    trace.Clear();
    m_strm.nDevices = 0;
    // A new list replaces the old one entirely, so no stale camera stays selectable.
    for (int32_t i = 0; i < kMaxVideoDevices; ++i) {
        gcap.pmDevices[i].reset();
        gcap.szDeviceNames[i][0] = '\0';
    }
    std::vector<DeviceInfo> devices;
    const HResult hr = engine_.EnumerateDevices(&devices);
    if (hr != kHrOk) {
        // kHrFalse: no video input device at all.
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in "
                "pDevEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, "
                "&pEm, 0)\n",
                hr);
        }
        return false;
    }
    int32_t i = 0;
    for (const DeviceInfo& device : devices) {
        if (i >= kMaxVideoDevices) {
            break;
        }
        if (Failed(device.nameResult)) {
            // The device keeps its slot, with no name and no moniker.
            TraceFailure(
                "FAILED(hr=0x%x) in pM->BindToStorage(0, 0, IID_IPropertyBag, (void **)&pBag)\n",
                device.nameResult);
        } else {
            CopyText(gcap.szDeviceNames[i], device.friendlyName.c_str(), kDeviceNameSize - 1);
            gcap.pmDevices[i] = std::make_shared<DeviceMoniker>(DeviceMoniker{device.displayName});
        }
        ++i;
    }
    m_strm.nDevices = i;
    return true;
}

bool VideoGraph::InitCamera(VideoSurface* host, int32_t* selectedIndex, bool* selected) {
    const bool enumerated = EnumerateDevices();
    bool built = false;
    if (m_strm.nDevices > 0) {
        built = SelectSavedDevice(host, selectedIndex);
    }
    if (selected != nullptr) {
        *selected = built;
    }
    return enumerated && m_strm.nDevices >= 1;
}

bool VideoGraph::SelectSavedDevice(VideoSurface* host, int32_t* index) {
    DeviceMonikerPtr parsed;
    const char* saved = DisplayName();
    if (saved[0] == '\0') {
        TraceFailure("FAILED(hr=0x%x) in MkParseDisplayName(lpBC, wszVideo, &dwEaten, &pmVideo)\n",
                     kHrSyntax);
    } else {
        std::string name(saved);
        if (name.size() > kParsedNameChars) {
            name.resize(kParsedNameChars);
        }
        parsed = std::make_shared<DeviceMoniker>(DeviceMoniker{std::move(name)});
    }
    *index = 0;
    bool matched = false;
    if (parsed) {
        for (int32_t i = 0; i < kMaxVideoDevices; ++i) {
            if (gcap.pmDevices[i] && gcap.pmDevices[i]->displayName == parsed->displayName) {
                *index = i;
                matched = true;
                break;
            }
        }
    }
    DeviceMonikerPtr moniker = parsed;
    if (!matched) {
        // The saved camera is gone (or none was saved): the first one is used.
        if (m_strm.nDevices == 0) {
            return false;
        }
        moniker = gcap.pmDevices[0];
        if (!moniker) {
            return false;
        }
    }
    return ChooseDevice(host, moniker);
}

bool VideoGraph::ChooseDevice(VideoSurface* host, const DeviceMonikerPtr& moniker) {
    if (!moniker) {
        return false;
    }
    if (moniker == gcap.pmVideo) {
        return gcap.fDeviceReady != 0;
    }
    gcap.pmVideo = moniker;
    // Until the new graph holds its capture stream the device is not ready, so a later call for
    // the same device cannot report an old success.
    gcap.fDeviceReady = 0;
    if (fPreviewing) {
        RunGraph(false);
    }
    if (gcap.fCapGraphBuilt) {
        TearDownGraph();
    }
    FreeCaptureFilters();
    if (InitCaptureFilters() != kHrOk) {
        return false;
    }
    if (BuildCaptureGraph(host) != kHrOk) {
        return false;
    }
    trace.Clear();
    ReadDisplayName();
    const HResult hr = gcap.pCB2->ControlStream(CaptureControl::Hold);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->ControlStream( &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, "
            "gcap.pVCap, &start, NULL, 0, 0)\n",
            hr);
    }
    gcap.fDeviceReady = Succeeded(hr) ? 1 : 0;
    return gcap.fDeviceReady != 0;
}

void VideoGraph::ReadDisplayName() {
    if (!gcap.pmVideo) {
        return;
    }
    const std::string& name = gcap.pmVideo->displayName;
    const size_t n = name.size() + 1;
    if (n > kDisplayNameSize || !gcap.pDisplayName) {
        ResizeDisplayName(n > kDisplayNameSize ? static_cast<uint32_t>(n) : kDisplayNameSize);
    }
    CopyText(gcap.pDisplayName.get(), gcap.cbDisplayName, name.c_str(), gcap.cbDisplayName - 1);
}

void VideoGraph::LoadDisplayName(const char* name, uint32_t size) {
    uint32_t want = size > kMaxDisplayNameSize ? kMaxDisplayNameSize : size;
    if (want < kDisplayNameSize) {
        want = kDisplayNameSize;
    }
    if (!gcap.pDisplayName || want > gcap.cbDisplayName) {
        ResizeDisplayName(want);
    }
    CopyText(gcap.pDisplayName.get(), gcap.cbDisplayName, name != nullptr ? name : "");
}

}  // namespace velatrace
