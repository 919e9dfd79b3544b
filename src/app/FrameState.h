#pragma once
// What the frame itself keeps: which bars and panes are shown.
#include <cstdint>

namespace velatrace {

struct FrameState {
    int32_t barVisible[4] = {1, 1, 1, 1};  // File, Seek, Capture, Channel bar
    int32_t singlePane = -1;               // -1 both panes, 0 video alone, 1 wave alone
};

}  // namespace velatrace
