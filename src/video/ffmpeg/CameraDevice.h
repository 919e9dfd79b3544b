#pragma once
// A camera as the engine drives it: its modes and controls, and a source of frames opened in one
// mode. Implemented for V4L2 devices (Linux) and for the built-in test-pattern camera.
#include <memory>
#include <string>
#include <vector>

#include "video/MediaTypes.h"
#include "video/ffmpeg/AvPtr.h"
#include "video/ffmpeg/StopSignal.h"

namespace velatrace {

// One size, rate and encoding a camera delivers.
struct CameraMode {
    int32_t width = 0;
    int32_t height = 0;
    AVRational rate{0, 1};    // frames per second; {0, 1} when the device names none
    std::string pixelFormat;  // the device's own name of its encoding ("MJPG", "YUYV", ...)
};

// A frame as the camera delivered it.
struct CameraFrame {
    AvFramePtr picture;  // decoded picture
    AvPacketPtr jpeg;    // the camera's own Motion-JPEG data, when it delivers that
    double time = 0.0;   // capture time in seconds on the source's clock
};

// An opened camera delivering frames in one mode.
class CameraSource {
  public:
    virtual ~CameraSource() = default;
    // The mode the camera really runs in.
    virtual CameraMode Mode() const = 0;
    // Waits for the next frame. None with *frame filled; Nothing when `stop` was raised; a
    // failure when the camera is gone or broken (the source is then of no further use).
    virtual MediaError Read(CameraFrame* frame, StopSignal& stop) = 0;
    // Why Read failed, in the system's words where it gave some ("No such device").
    virtual std::string FailureReason() const = 0;
};

class CameraDevice {
  public:
    virtual ~CameraDevice() = default;
    virtual MediaError ListModes(std::vector<CameraMode>* modes) = 0;
    // The mode the device is set to now (what it delivers when nothing is asked).
    virtual MediaError CurrentMode(CameraMode* mode) = 0;
    // The mode the device would deliver for this request: the nearest size it offers, then the
    // nearest rate at that size.
    virtual CameraMode NearestMode(const CameraMode& wanted) = 0;
    virtual MediaError ReadControls(std::vector<DeviceControl>* controls) = 0;
    virtual MediaError SetControl(uint32_t id, int32_t value) = 0;
    // Opens the camera for streaming in (or near) `mode`.
    virtual MediaError Open(const CameraMode& mode, std::unique_ptr<CameraSource>* source) = 0;
};

// The frame time of a rate; 0 for an unknown rate.
MediaTime FrameTimeOfRate(AVRational rate);
// The rate of a frame time; {0, 1} for 0.
AVRational RateOfFrameTime(MediaTime frameTime);
// The mode of `modes` nearest to `wanted` (size first, then rate); `wanted` when `modes` is empty.
CameraMode ChooseNearestMode(const std::vector<CameraMode>& modes, const CameraMode& wanted);

}  // namespace velatrace
