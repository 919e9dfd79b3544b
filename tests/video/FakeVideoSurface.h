#pragma once
// A video pane stand-in: a client size set by the test, and what the core asked of it.
#include "video/VideoSurface.h"

namespace velatrace::testing {

class FakeVideoSurface : public VideoSurface {
  public:
    SurfaceSize ClientSize() const override { return client; }
    void SetVideoRect(int32_t, int32_t, int32_t width, int32_t height) override {
        rect = {width, height};
    }
    void SetVideoVisible(bool shown) override { visible = shown; }

    SurfaceSize client{800, 600};
    SurfaceSize rect{-1, -1};  // the picture's size; it always sits at the top-left
    bool visible = false;
};

}  // namespace velatrace::testing
