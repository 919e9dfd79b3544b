#pragma once
// The media engine of the program, built on FFmpeg: V4L2 cameras (and the test-pattern camera),
// Motion-JPEG AVI capture and replay of common media files.
#include "video/MediaEngine.h"
#include "video/ffmpeg/WakeHub.h"

namespace velatrace {

class FfmpegMediaEngine : public MediaEngine {
  public:
    FfmpegMediaEngine();

    void SetWakeCallback(WakeCallback wake) override;
    MediaError EnumerateDevices(std::vector<DeviceInfo>* devices) override;
    MediaError CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) override;
    MediaError CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) override;

  private:
    WakeHubPtr wake_;
};

}  // namespace velatrace
