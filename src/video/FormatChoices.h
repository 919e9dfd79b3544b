#pragma once
// What the Format dialog lists: the camera's modes in a fixed order (encoding, then largest size,
// then fastest rate), each once, with a label, and which of them is in force now.
#include <cstdint>
#include <string>
#include <vector>

#include "video/MediaEngine.h"

namespace velatrace {

// Whole frames per second of a 100-ns frame time (333333 is 30); 0 when there is no rate.
int32_t FramesPerSecond(int64_t avgTimePerFrame);
// The modes sorted for the list, duplicates dropped.
std::vector<VideoFormat> SortedFormats(std::vector<VideoFormat> formats);
// "1280 x 720, 30 frames/s (MJPG)".
std::string FormatLabel(const VideoFormat& format);
// The entry of `formats` for the pin's format: same size and rate, else same size, else -1.
int32_t CurrentFormatIndex(const std::vector<VideoFormat>& formats, const StreamFormat& current);
// The stream format that asks the pin for `chosen`, starting from the pin's `current` one.
StreamFormat ChosenStreamFormat(const StreamFormat& current, const VideoFormat& chosen);

}  // namespace velatrace
