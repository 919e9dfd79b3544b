#pragma once
// The window the camera or clip shows its picture in (the video pane), as the core sees it. The Qt
// video pane implements it: it draws the frames it takes from it into the rectangle set here.
#include <cstdint>

#include "video/MediaEngine.h"

namespace velatrace {

struct SurfaceSize {
    int32_t width = 0;
    int32_t height = 0;
};

class VideoSurface {
  public:
    virtual ~VideoSurface() = default;
    // The size of the area the picture may cover, in pixels.
    virtual SurfaceSize ClientSize() const = 0;
    // Where the picture goes, relative to the client area's top-left corner.
    virtual void SetVideoRect(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // Attach (true): the surface shows the picture from now on. Detach (false): it stops
    // showing it and forgets the last picture.
    virtual void SetVideoVisible(bool visible) = 0;
    // Shows the newest picture: takes it by swapping with *frame (the buffer *frame gets back is
    // the surface's previous one, for reuse).
    virtual void ShowFrame(VideoFrame* /*frame*/) {}
};

}  // namespace velatrace
