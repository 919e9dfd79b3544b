#pragma once
// The camera's setting dialogs, as the core sees them. The Qt layer implements them over the camera
// graph's controls and formats; each is modal and returns when the user closes it.
#include <vector>

#include "video/MediaEngine.h"

namespace velatrace {

class PropertyPages {
  public:
    virtual ~PropertyPages() = default;
    // The camera's controls (brightness and the like), shown at (x, y) of the owner. Changes act at
    // once on the device through graph.SetControl; the graph keeps running.
    virtual MediaError ShowFilterPages(CaptureGraph& graph, int32_t x, int32_t y) = 0;
    // The sizes and rates of `formats`, shown at (x, y) of the owner. A choice is set on the pin
    // through graph.SetFormat (the streams are not rendered while this is open). 0 when a format
    // was set, MediaError::Nothing when the user chose none, SetFormat's failure when the camera refused it.
    virtual MediaError ShowFormatPages(CaptureGraph& graph, const std::vector<VideoFormat>& formats,
                                    int32_t x, int32_t y) = 0;
};

// For runs without a window: no dialog is shown, nothing is chosen.
class NoPropertyPages final : public PropertyPages {
  public:
    MediaError ShowFilterPages(CaptureGraph&, int32_t, int32_t) override { return MediaError::Nothing; }
    MediaError ShowFormatPages(CaptureGraph&, const std::vector<VideoFormat>&, int32_t,
                            int32_t) override {
        return MediaError::Nothing;
    }
};

}  // namespace velatrace
