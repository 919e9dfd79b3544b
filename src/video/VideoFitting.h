#pragma once
// Where the picture goes in the video pane: at the top-left corner, as large as fits with the
// video's aspect kept; the uncovered rest of the pane lies to the right or below.
#include <cstdint>

namespace velatrace {

struct VideoRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// `clientWidth` x `clientHeight` is the pane, `videoWidth` x `videoHeight` the picture. Sizes are
// truncated. An empty pane gives an empty rectangle; a picture without a size fills the pane.
VideoRect FitVideoRect(int32_t clientWidth, int32_t clientHeight, int32_t videoWidth,
                       int32_t videoHeight);

// The number of rows of a format whose height is negative for top-down row order.
int32_t AbsoluteHeight(int32_t height);

}  // namespace velatrace
