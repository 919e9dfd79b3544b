// The video object's life: construction, release at shutdown, what the video pane reads and what
// is left after an engine error.
#include "video/VideoGraph.h"

#include <cstring>

#include "base/FixedText.h"

namespace velatrace {

VideoGraph::VideoGraph(MediaEngine& engine) : engine_(engine) {
    ResizeDisplayName(kDisplayNameSize);
}

void VideoGraph::ResizeDisplayName(uint32_t size) {
    auto buffer = std::make_unique<char[]>(size);
    std::memset(buffer.get(), 0, size);
    displayName_ = std::move(buffer);
    displayNameSize_ = size;
}

void VideoGraph::ReleaseVideo() {
    CloseClip();
    // The camera goes now, so no engine thread outlives the window.
    CloseCamera();
    cameraInUse_.reset();
    for (auto& device : devices_) {
        device.reset();
    }
    grab_ = StillImage{};
    displayName_.reset();
    displayNameSize_ = 0;
}

void VideoGraph::EndAfterStreamError(const StreamError& error) {
    if (!camera_) {
        return;
    }
    switch (error.source) {
        case StreamErrorSource::Recorder:
            // The engine has finished the file; nothing more goes to it until a new capture.
            camera_->Recording().Stop();
            break;
        case StreamErrorSource::Camera:
            // Stopping finishes the AVI up to the camera's last frame.
            camera_->Stop();
            break;
        case StreamErrorSource::Playback:
            break;
    }
}

bool VideoGraph::TakeLatestFrame(VideoFrame* frame) {
    if (clip_) {
        return clip_->TakeLatestFrame(frame);
    }
    return camera_ != nullptr && camera_->TakeLatestFrame(frame);
}

bool VideoGraph::TakeStreamError(StreamError* error) {
    if (clip_) {
        return clip_->TakeStreamError(error);
    }
    return camera_ != nullptr && camera_->TakeStreamError(error);
}

void VideoGraph::GetCaptureCounts(int64_t* dropped, int64_t* written) {
    *dropped = 0;
    *written = 0;
    if (camera_) {
        camera_->Recording().Counts(dropped, written);
    }
}

void VideoGraph::SetNaming(const char* folder, const char* base, int32_t autoNumber) {
    naming_.folder = folder != nullptr ? folder : "";
    naming_.base = base != nullptr ? base : "";
    naming_.autoNumber = autoNumber;
}

int32_t VideoGraph::DeviceNames(const char* names[], int32_t capacity) const {
    int32_t count = 0;
    for (; count < stream_.nDevices && count < kMaxVideoDevices && count < capacity; ++count) {
        if (deviceNames_[count][0] == '\0') {
            break;
        }
        names[count] = deviceNames_[count];
    }
    return count;
}

}  // namespace velatrace
