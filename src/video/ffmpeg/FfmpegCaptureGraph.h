#pragma once
// The camera graph over FFmpeg: a camera thread reads the bound camera and puts every frame into
// the latest-frame mailbox; frames let through by ControlStream go to a CaptureRecorder, whose
// encoder thread writes them to the AVI file named last. Run opens the camera, Stop closes it.
// SwitchOutputFile hands the recorder the next file while both threads run on; the camera thread
// never touches a file.
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

class FfmpegCaptureGraph : public CaptureGraph {
  public:
    explicit FfmpegCaptureGraph(WakeHubPtr wake);
    ~FfmpegCaptureGraph() override;

    MediaError Run() override;
    MediaError Stop() override;
    bool HasVideo() const override;
    bool HasAudio() const override { return false; }
    MediaError GetVideoSize(int32_t* width, int32_t* height) override;
    MediaError GetAvgTimePerFrame(double* seconds) override;
    MediaError PutVolume(int32_t) override { return MediaError::NotOffered; }
    bool TakeLatestFrame(VideoFrame* frame) override { return mailbox_.Take(frame); }
    bool TakeStreamError(StreamError* error) override { return errors_.Take(error); }

    MediaError BindDevice(const char* displayName) override;
    MediaError FindInterface(StreamKind kind, CaptureInterface which) override;
    MediaError GetFormat(StreamFormat* format) override;
    MediaError SetFormat(const StreamFormat& format) override;
    MediaError EnumFormats(std::vector<VideoFormat>* formats) override;
    MediaError ReadControls(std::vector<DeviceControl>* controls) override;
    MediaError SetControl(uint32_t id, int32_t value) override;
    MediaError SetOutputFileName(const char* path) override;
    MediaError SwitchOutputFile(const char* path) override;
    MediaError RenderStream(PinCategory category, StreamKind kind) override;
    void TearDown() override;
    MediaError ControlStream(CaptureControl control) override;
    MediaError SetPreroll(int32_t seconds, int64_t maxBytes) override;
    void GetCaptureCounts(int64_t* dropped, int64_t* written) override;

  private:
    void CameraLoop();
    void PutPreview(const CameraFrame& frame);
    bool Rendered() const { return previewRendered_ || captureRendered_; }

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
    bool previewRendered_ = false;
    bool captureRendered_ = false;
    CaptureControl control_ = CaptureControl::Hold;
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
};

}  // namespace velatrace
