// The camera's setting dialogs: the controls act on the running camera; a mode change stops the
// camera, sets the mode and starts it again.
#include <vector>

#include "video/VideoGraph.h"

namespace velatrace {

namespace {

// Where the dialogs open, relative to their owner.
constexpr int32_t kPagesX = 30;
constexpr int32_t kPagesY = 30;

}  // namespace

void VideoGraph::ShowFilterProperties(PropertyPages& pages) {
    // While a clip is open there is no camera to set.
    if (!camera_) {
        return;
    }
    std::vector<DeviceControl> controls;
    const MediaError error = camera_->Controls(&controls);
    if (Failed(error)) {
        Fail("Camera::Controls", error);
    }
    if (Succeeded(error) && !controls.empty()) {
        pages.ShowFilterPages(*camera_, kPagesX, kPagesY);
    }
}

bool VideoGraph::ShowFormatProperties(VideoSurface* host, PropertyPages& pages, bool* running,
                                      MediaError* refusal) {
    const bool restart = *running;
    if (refusal != nullptr) {
        *refusal = MediaError::None;
    }
    // While a clip is open (no camera) there is nothing to show or restart.
    if (!camera_) {
        return true;
    }
    trace_.Clear();
    Camera& camera = *camera_;
    // The mode in force, to go back to when the camera cannot deliver the one chosen.
    const VideoMode previous = camera.Mode();
    // The mode may only change while the camera is stopped.
    camera.Stop();
    MediaError chosen = MediaError::Nothing;  // None once a new mode is set
    MediaError refused = MediaError::None;
    std::vector<VideoMode> modes;
    const MediaError listed = camera.Modes(&modes);
    if (Failed(listed)) {
        Fail("Camera::Modes", listed);
    } else {
        chosen = pages.ShowFormatPages(camera, modes, kPagesX, kPagesY);
        if (Failed(chosen)) {
            // The camera kept its mode.
            Fail("PropertyPages::ShowFormatPages", chosen);
            refused = chosen;
        }
    }
    TakeMode(camera.Mode());
    MediaError started = restart ? StartCamera() : MediaError::None;
    // A camera that takes the mode but cannot stream in it refuses it all the same: the mode
    // before comes back, so the preview is not left dead.
    if (chosen == MediaError::None && Failed(started)) {
        refused = started;
        camera.Stop();
        camera.SetMode(previous);
        TakeMode(previous);
        if (restart) {
            started = StartCamera();
        }
    }
    *running = restart && Succeeded(started);
    FitVideoWindow(host);
    if (refusal != nullptr) {
        *refusal = refused;
    }
    return Succeeded(refused);
}

}  // namespace velatrace
