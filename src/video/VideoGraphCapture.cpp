// The camera in use: opening it in the stored mode, starting and stopping it, letting its frames
// into the AVI file and moving on to the next file.
#include <climits>

#include "session/CaptureNaming.h"
#include "session/Pretrigger.h"
#include "video/VideoFitting.h"
#include "video/VideoGraph.h"

namespace velatrace {

bool VideoGraph::OpenCameraInUse(VideoSurface* host) {
    trace_.Clear();
    if (camera_) {
        return true;
    }
    if (!cameraInUse_) {
        return false;
    }
    std::unique_ptr<Camera> camera;
    const MediaError error = engine_.OpenCamera(cameraInUse_->displayName.c_str(), &camera);
    if (Failed(error) || !camera) {
        Fail("MediaEngine::OpenCamera", Failed(error) ? error : MediaError::MissingObject);
        return false;
    }
    // A clip left from a failed open makes way for the camera.
    clip_.reset();
    camera_ = std::move(camera);
    ApplyStoredMode();
    const std::string path = CaptureFileName();
    const MediaError named = camera_->Recording().SetFile(path.c_str());
    if (Failed(named)) {
        Fail("Recorder::SetFile", named);
    }
    fileNamed_ = Succeeded(named);
    SetPretrigger(pretriggerSec_);
    AttachVideoWindow(host);
    return true;
}

void VideoGraph::ApplyStoredMode() {
    const VideoMode current = camera_->Mode();
    // A stored size that is not a size (0 or negative) is not asked of the camera; the camera's
    // own size is read instead. The stored rate is asked along with the size, so a rate chosen in
    // the Format dialog outlives the run; without one the camera's own rate stays.
    if (stream_.lvw > 0 && stream_.lvh > 0) {
        VideoMode stored = current;
        stored.width = stream_.lvw;
        stored.height = stream_.lvh;
        if (stream_.lrate > 0) {
            stored.frameTime = FrameTimeOf(stream_.lrate);
        }
        camera_->SetMode(stored);  // the device may refuse; what it delivers is read later
    }
    TakeMode(camera_->Mode());
}

void VideoGraph::TakeMode(const VideoMode& mode) {
    // A mode without a frame time has no rate: the previous rate stays.
    const int64_t frameTime = mode.frameTime.count();
    if (frameTime > 0 && 1000000 / frameTime < INT32_MAX) {
        stream_.lrate = static_cast<int32_t>(1000000 / frameTime);
    }
    stream_.lvw = mode.width;
    stream_.lvh = AbsoluteHeight(mode.height);
}

MediaError VideoGraph::StartCamera() {
    if (!camera_) {
        return MediaError::Nothing;
    }
    trace_.Clear();
    // Starting never records: the recorder holds first.
    camera_->Recording().Stop();
    const MediaError error = camera_->Start();
    if (Failed(error)) {
        Fail("Camera::Start", error);
        return error;
    }
    TakeMode(camera_->Mode());
    FitVideoWindow(attachedSurface_);
    return MediaError::None;
}

void VideoGraph::StopCamera() {
    if (camera_) {
        camera_->Stop();
    }
}

bool VideoGraph::StartRecording(bool withPretrigger) {
    if (!camera_) {
        return false;
    }
    trace_.Clear();
    // Without a file of its own (its name was refused) nothing is recorded, so no earlier
    // capture's file is written over.
    const MediaError error = fileNamed_
                                 ? camera_->Recording().Start(withPretrigger && keepsPretrigger_)
                                 : MediaError::NotConnected;
    if (Failed(error)) {
        Fail("Recorder::Start", error);
    }
    return true;
}

void VideoGraph::SetPretrigger(int32_t seconds) {
    pretriggerSec_ = seconds < 0 ? 0 : seconds;
    keepsPretrigger_ = false;
    if (camera_) {
        const MediaError error =
            camera_->Recording().KeepPretrigger(pretriggerSec_, kPretriggerMemoryLimit);
        if (Failed(error)) {
            Fail("Recorder::KeepPretrigger", error);
        }
        keepsPretrigger_ = Succeeded(error) && pretriggerSec_ > 0;
    }
}

bool VideoGraph::StopRecording() {
    if (!camera_) {
        return false;
    }
    camera_->Recording().Stop();
    return true;
}

bool VideoGraph::NextCaptureFile(bool rename) {
    if (!camera_) {
        return false;
    }
    trace_.Clear();
    camera_->Recording().Stop();
    if (!rename) {
        // Stopping the camera finishes the file being written.
        camera_->Stop();
        return true;
    }
    // A running camera finishes the file and goes on with the next one: the preview does not
    // pause. Nothing is let through until the next start.
    const std::string path = CaptureFileName();
    const MediaError error = camera_->Recording().SetFile(path.c_str());
    if (Failed(error)) {
        Fail("Recorder::SetFile", error);
    }
    // A name refused whole leaves the recorder without a file; one that cannot be created now
    // is still the recorder's, which reports it when it records.
    fileNamed_ = !path.empty() && error != MediaError::InvalidArgument;
    return true;
}

std::string VideoGraph::CaptureFileName() const {
    // A name too long for the naming is refused whole (left empty), never cut into another.
    char path[260];
    FormatCaptureName(path, sizeof path, naming_.folder.c_str(), naming_.base.c_str(),
                      naming_.autoNumber, naming_.number, "avi");
    return path;
}

void VideoGraph::AttachVideoWindow(VideoSurface* host) {
    if (host == nullptr) {
        DetachSurface();
        return;
    }
    if (attachedSurface_ != host) {
        DetachSurface();
    }
    attachedSurface_ = host;
    host->SetVideoVisible(true);
    FitVideoWindow(host);
}

void VideoGraph::DetachSurface() {
    if (attachedSurface_ != nullptr) {
        attachedSurface_->SetVideoVisible(false);
        attachedSurface_ = nullptr;
    }
}

void VideoGraph::FitVideoWindow(VideoSurface* host) {
    if (host == nullptr || host != attachedSurface_) {
        return;
    }
    const SurfaceSize client = host->ClientSize();
    const VideoRect rect = FitVideoRect(client.width, client.height, stream_.lvw, stream_.lvh);
    host->SetVideoRect(0, 0, rect.width, rect.height);
}

void VideoGraph::CloseCamera() {
    DetachSurface();
    fileNamed_ = false;
    keepsPretrigger_ = false;
    camera_.reset();
}

}  // namespace velatrace
