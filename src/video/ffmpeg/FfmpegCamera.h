#pragma once
// The camera over FFmpeg: a camera thread reads the opened device and puts every frame into the
// latest-frame mailbox; frames let through by the recorder go to a CaptureRecorder, whose encoder
// thread writes them to the AVI file named last. Start opens the device for streaming, Stop
// closes it. SetFile while running hands the recorder the next file while both threads run on;
// the camera thread never touches a file.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "video/LatestFrameMailbox.h"
#include "video/MediaEngine.h"
#include "video/ffmpeg/CameraDevice.h"
#include "video/ffmpeg/CaptureRecorder.h"
#include "video/ffmpeg/PictureConverter.h"
#include "video/ffmpeg/StreamErrors.h"
#include "video/ffmpeg/WakeHub.h"

namespace velatrace {

class FfmpegCamera final : public Camera {
  public:
    explicit FfmpegCamera(WakeHubPtr wake);
    ~FfmpegCamera() override;

    // Opens the device with this display name; called once, by the engine.
    MediaError Open(const char* displayName);

    // Camera.
    MediaError Modes(std::vector<VideoMode>* modes) override;
    VideoMode Mode() const override;
    MediaError SetMode(const VideoMode& mode) override;
    MediaError Controls(std::vector<DeviceControl>* controls) override;
    MediaError SetControl(uint32_t id, int32_t value) override;
    MediaError Start() override;
    void Stop() override;
    bool TakeLatestFrame(VideoFrame* frame) override { return mailbox_.Take(frame); }
    bool TakeStreamError(StreamError* error) override { return errors_.Take(error); }
    Recorder& Recording() override { return recording_; }

  private:
    // The recorder's side of the camera.
    class RecorderSide final : public Recorder {
      public:
        explicit RecorderSide(FfmpegCamera& camera) : camera_(camera) {}
        MediaError SetFile(const char* path) override { return camera_.SetFile(path); }
        MediaError Start(bool withPretrigger) override {
            return camera_.LetThrough(true, withPretrigger);
        }
        void Stop() override { camera_.LetThrough(false, false); }
        MediaError KeepPretrigger(int32_t seconds, int64_t maxBytes) override {
            return camera_.KeepPretrigger(seconds, maxBytes);
        }
        void Counts(int64_t* dropped, int64_t* written) const override {
            *dropped = camera_.counters_.dropped.load();
            *written = camera_.counters_.written.load();
        }

      private:
        FfmpegCamera& camera_;
    };

    MediaError SetFile(const char* path);
    MediaError LetThrough(bool letThrough, bool withPretrigger);
    MediaError KeepPretrigger(int32_t seconds, int64_t maxBytes);

    void CameraLoop();
    void PutPreview(const CameraFrame& frame);

    WakeHubPtr wake_;
    LatestFrameMailbox mailbox_;
    StreamErrors errors_;
    CaptureCounters counters_;

    std::unique_ptr<CameraDevice> device_;
    std::string displayName_;
    std::string cameraName_;  // for messages: the name the user sees and the device's identity
    CameraMode requested_;
    CameraMode delivered_;
    std::string outputPath_;
    bool letThrough_ = false;
    int32_t prerollSec_ = 0;
    int64_t prerollBytes_ = 0;

    // While running.
    bool running_ = false;
    std::atomic<bool> cameraLost_{false};  // the camera thread ended on a camera failure
    std::unique_ptr<CameraSource> source_;
    std::unique_ptr<CaptureRecorder> recorder_;
    std::string recordingPath_;  // the file the recorder writes (or last wrote)
    StopSignal stop_;
    std::thread camera_;
    PictureConverter previewConverter_;  // camera thread only
    RecorderSide recording_{*this};
};

}  // namespace velatrace
