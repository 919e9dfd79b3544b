#pragma once
// The values the media ports hand over: cameras and their modes and controls, pictures, stills
// and the errors engine threads report. Times are microseconds.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "video/MediaError.h"

namespace velatrace {

using MediaTime = std::chrono::microseconds;

// One camera as the system lists it.
struct CameraInfo {
    std::string friendlyName;  // what the user sees, e.g. "HD Webcam C270"
    std::string displayName;   // stable identity of the device across runs (saved in settings)
    // Result of reading the device's names; a failed read still takes the device's place in the
    // list, with both names empty.
    MediaError nameError = MediaError::None;
};

// One size and rate a camera offers (or is asked for).
struct VideoMode {
    int32_t width = 0;
    int32_t height = 0;
    MediaTime frameTime{0};   // time of one frame (33333 us is 30 frames per second); 0: unknown
    std::string pixelFormat;  // the device's own name for its encoding, e.g. "MJPG", "YUYV"
};

// The frame time of whole frames per second; 0 for a rate that is not one.
inline MediaTime FrameTimeOf(int32_t framesPerSecond) {
    return MediaTime{framesPerSecond > 0 ? 1000000 / framesPerSecond : 0};
}

enum class ControlKind : int32_t { Integer = 0, Boolean = 1, Menu = 2 };

struct ControlMenuItem {
    int32_t value = 0;
    std::string name;
};

// An adjustable camera setting (brightness, contrast, focus, power line frequency...).
struct DeviceControl {
    uint32_t id = 0;  // the engine's identity of the control, passed back to SetControl
    std::string name;
    ControlKind kind = ControlKind::Integer;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    int32_t value = 0;                       // current value
    std::vector<ControlMenuItem> menuItems;  // for ControlKind::Menu: the values allowed
};

// A picture for the video pane: 32 bits per pixel with bytes B, G, R, X in memory (the layout of
// QImage::Format_RGB32 on little-endian machines), rows top-down, `stride` bytes apart.
struct VideoFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    MediaTime timestamp{0};  // stream time of the picture
    uint64_t sequence = 0;   // counts up by one per frame a pipeline puts
    std::vector<uint8_t> pixels;
};

// A still picture: 24 bits per pixel (bytes B, G, R), rows bottom-up, each padded to a multiple of
// 4 bytes, as the clipboard takes it.
struct StillImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rows;
};

// Bytes of one row of a still of this width.
inline int64_t StillRowBytes(int32_t width) {
    return (int64_t{width} * 24 + 31) / 32 * 4;
}

// Which pipeline an engine-thread error stopped.
enum class StreamErrorSource : int32_t {
    Camera = 0,    // the camera stopped delivering: preview and recording have ended
    Recorder = 1,  // the AVI could not be written: that file is finished up to its last good
                   // frame and nothing more is written to it; the preview goes on
    Playback = 2,  // the clip could not be read on
};

// An error that happened on an engine thread (camera unplugged, disk full while writing...).
struct StreamError {
    MediaError error = MediaError::None;
    StreamErrorSource source = StreamErrorSource::Camera;
    // What failed, with the file name and the system's own reason where there is one, e.g.
    // "Cannot write /data/run_03.avi: No space left on device". NUL-terminated.
    char text[256] = {};
};

}  // namespace velatrace
