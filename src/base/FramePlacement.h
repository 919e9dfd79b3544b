#pragma once
// Where the main window was and how it was split, as saved at close and restored at start.
#include <cstdint>

namespace velatrace {

inline constexpr int32_t kDefaultSplit = 432;
inline constexpr int32_t kDefaultFrameCx = 582;
inline constexpr int32_t kDefaultFrameCy = 747;
// The size saved for a maximised window, which restores to it on the next start.
inline constexpr int32_t kMaximisedFrameCx = 645;
inline constexpr int32_t kMaximisedFrameCy = 642;

struct FramePlacement {
    int32_t max = 0;                // 1: the window was maximised
    int32_t split = kDefaultSplit;  // splitter bar position: height of the video pane's window
    int32_t cx = kDefaultFrameCx;
    int32_t cy = kDefaultFrameCy;
    int32_t x = 0;
    int32_t y = 0;
};

// The placement the close sequence saves: the window rectangle, or for a maximised window the
// fixed size at the screen's corner.
inline FramePlacement PlacementAtClose(bool maximised, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                       int32_t split) {
    if (maximised) {
        return FramePlacement{1, split, kMaximisedFrameCx, kMaximisedFrameCy, 0, 0};
    }
    return FramePlacement{0, split, cx, cy, x, y};
}

}  // namespace velatrace
