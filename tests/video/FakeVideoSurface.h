#pragma once
// A video pane stand-in: a client size set by the test, and what the core asked of it.
#include "video/VideoSurface.h"

namespace velatrace::testing {

class FakeVideoSurface : public VideoSurface {
  public:
    SurfaceSize ClientSize() const override { return client; }
    void SetVideoRect(int32_t x, int32_t y, int32_t width, int32_t height) override {
        rectX = x;
        rectY = y;
        rectWidth = width;
        rectHeight = height;
        ++rectCalls;
    }
    void SetVideoVisible(bool shown) override { visible = shown; }

    SurfaceSize client{800, 600};
    bool visible = false;
    int32_t rectX = -1;
    int32_t rectY = -1;
    int32_t rectWidth = -1;
    int32_t rectHeight = -1;
    int rectCalls = 0;
};

}  // namespace velatrace::testing
