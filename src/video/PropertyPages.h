#pragma once
// The camera's setting dialogs, as the core sees them. The Qt layer implements them over the
// camera's controls and modes; each is modal and returns when the user closes it.
#include <vector>

#include "video/Camera.h"

namespace velatrace {

class PropertyPages {
  public:
    virtual ~PropertyPages() = default;
    // The camera's controls (brightness and the like), shown at (x, y) of the owner. Changes act
    // at once on the device through camera.SetControl; the camera keeps running.
    virtual MediaError ShowFilterPages(Camera& camera, int32_t x, int32_t y) = 0;
    // The sizes and rates of `modes`, shown at (x, y) of the owner, while the camera is stopped.
    // A choice is set through camera.SetMode. None when a mode was set, Nothing when the user
    // chose none, SetMode's failure when the camera refused it.
    virtual MediaError ShowFormatPages(Camera& camera, const std::vector<VideoMode>& modes,
                                       int32_t x, int32_t y) = 0;
};

// For runs without a window: no dialog is shown, nothing is chosen.
class NoPropertyPages final : public PropertyPages {
  public:
    MediaError ShowFilterPages(Camera&, int32_t, int32_t) override { return MediaError::Nothing; }
    MediaError ShowFormatPages(Camera&, const std::vector<VideoMode>&, int32_t, int32_t) override {
        return MediaError::Nothing;
    }
};

}  // namespace velatrace
