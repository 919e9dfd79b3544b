#include "video/ffmpeg/DshowCamera.h"

extern "C" {
#include <libavdevice/avdevice.h>
}

#include "video/ffmpeg/AvDeviceSource.h"

namespace velatrace {
namespace {

constexpr const char* kDshowInput = "dshow";

bool OffersVideo(const AVDeviceInfo& device) {
    if (device.nb_media_types <= 0 || device.media_types == nullptr)
        return true;
    for (int i = 0; i < device.nb_media_types; ++i) {
        if (device.media_types[i] == AVMEDIA_TYPE_VIDEO)
            return true;
    }
    return false;
}

// DirectShow chooses the device's sizes and rates itself; the mode asked for is tried first,
// then the device's own.
class DshowCamera : public CameraDevice {
  public:
    explicit DshowCamera(std::string displayName) : url_("video=" + std::move(displayName)) {}

    MediaError ListModes(std::vector<CameraMode>* modes) override {
        modes->clear();
        if (current_.width > 0)
            modes->push_back(current_);
        return MediaError::None;
    }
    MediaError CurrentMode(CameraMode* mode) override {
        if (current_.width <= 0)
            return MediaError::NotOffered;
        *mode = current_;
        return MediaError::None;
    }
    CameraMode NearestMode(const CameraMode& wanted) override { return wanted; }
    MediaError ReadControls(std::vector<DeviceControl>* controls) override {
        controls->clear();
        return MediaError::None;
    }
    MediaError SetControl(uint32_t, int32_t) override { return MediaError::NotOffered; }
    MediaError Open(const CameraMode& mode, std::unique_ptr<CameraSource>* source) override {
        MediaError hr = OpenAvDeviceSource(kDshowInput, url_, mode, source);
        if (Failed(hr) && hr != MediaError::DeviceGone && (mode.width > 0 || mode.rate.num > 0))
            hr = OpenAvDeviceSource(kDshowInput, url_, CameraMode{}, source);
        if (Succeeded(hr))
            current_ = (*source)->Mode();
        return hr;
    }

  private:
    std::string url_;
    CameraMode current_;
};

}  // namespace

std::vector<CameraInfo> CamerasFromDeviceList(const AVDeviceInfoList* list) {
    std::vector<CameraInfo> cameras;
    if (list == nullptr || list->devices == nullptr)
        return cameras;
    for (int i = 0; i < list->nb_devices; ++i) {
        const AVDeviceInfo* device = list->devices[i];
        if (device == nullptr || !OffersVideo(*device))
            continue;
        CameraInfo info;
        if (device->device_name == nullptr || device->device_name[0] == '\0' ||
            device->device_description == nullptr) {
            info.nameError = MediaError::BadName;
        } else {
            info.friendlyName = device->device_description;
            info.displayName = device->device_name;
        }
        cameras.push_back(std::move(info));
    }
    return cameras;
}

std::vector<CameraInfo> ListDshowCameras() {
    avdevice_register_all();
    const AVInputFormat* input = av_find_input_format(kDshowInput);
    AVDeviceInfoList* list = nullptr;
    if (input == nullptr || avdevice_list_input_sources(input, nullptr, nullptr, &list) < 0) {
        avdevice_free_list_devices(&list);
        return {};
    }
    std::vector<CameraInfo> cameras = CamerasFromDeviceList(list);
    avdevice_free_list_devices(&list);
    return cameras;
}

MediaError OpenDshowCamera(const std::string& displayName, std::unique_ptr<CameraDevice>* device) {
    for (const CameraInfo& camera : ListDshowCameras()) {
        if (!displayName.empty() && camera.displayName == displayName) {
            *device = std::make_unique<DshowCamera>(displayName);
            return MediaError::None;
        }
    }
    return MediaError::NotFound;
}

}  // namespace velatrace
