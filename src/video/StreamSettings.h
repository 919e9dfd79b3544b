#pragma once
// The video stream record: the camera's size and rate, the replay volume and the open clip's
// length.
#include <cstdint>

namespace velatrace {

inline constexpr int32_t kVolumeSilent = -10000;
inline constexpr int32_t kVolumeFull = 0;

struct StreamSettings {
    int32_t nDevices = 0;  // enumerated devices, 0..4
    int32_t lrate = 0;     // frames per second
    int32_t lvw = 0;       // width in pixels
    int32_t lvh = 0;       // height in pixels
    int32_t lvolume = 0;   // hundredths of a decibel: kVolumeSilent or kVolumeFull
    int32_t fAudioOnly = 0;
    int64_t llDuration = 0;  // 100-ns units, as the stored record has it
};

}  // namespace velatrace
