#pragma once
// The built-in test-pattern camera: FFmpeg's test source with a running clock drawn on it, paced in
// real time like a camera. Listed after the real cameras when VELATRACE_TEST_CAMERA=1, so capture
// and replay can be exercised end to end without hardware.
#include <memory>

#include "video/ffmpeg/CameraDevice.h"

namespace velatrace {

inline constexpr char kPatternCameraDisplayName[] = "velatrace:test-pattern";
inline constexpr char kPatternCameraFriendlyName[] = "Test pattern camera";

// Whether the environment asks for the test-pattern camera.
bool PatternCameraEnabled();

std::unique_ptr<CameraDevice> MakePatternCamera();

}  // namespace velatrace
