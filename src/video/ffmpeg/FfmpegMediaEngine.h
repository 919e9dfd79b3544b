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
    MediaError ListCameras(std::vector<CameraInfo>* cameras) override;
    MediaError OpenCamera(const char* displayName, std::unique_ptr<Camera>* camera) override;
    MediaError OpenClip(const char* path, std::unique_ptr<ClipPlayer>* clip) override;
    MediaError StartSpanCopy(const ExportSpan& span, std::unique_ptr<ExportJob>* job) override;
    MediaError StartShareVideo(const ExportSpan& span, const ShareVideoFormat& format,
                               std::unique_ptr<ExportJob>* job) override;

  private:
    WakeHubPtr wake_;
};

}  // namespace velatrace
