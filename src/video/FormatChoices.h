#pragma once
// What the Format dialog lists: the camera's modes in a fixed order (encoding, then largest size,
// then fastest rate), each once, with a label, and which of them is in force now.
#include <cstdint>
#include <string>
#include <vector>

#include "video/MediaTypes.h"

namespace velatrace {

// Whole frames per second of a frame time, rounded (33333 us is 30); 0 when there is no rate.
int32_t FramesPerSecond(MediaTime frameTime);
// The modes sorted for the list, duplicates dropped.
std::vector<VideoMode> SortedModes(std::vector<VideoMode> modes);
// "1280 x 720, 30 frames/s (MJPG)".
std::string ModeLabel(const VideoMode& mode);
// The entry of `modes` for the mode in force: same size and rate, else same size, else -1.
int32_t CurrentModeIndex(const std::vector<VideoMode>& modes, const VideoMode& current);

}  // namespace velatrace
