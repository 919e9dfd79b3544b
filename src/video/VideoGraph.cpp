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
    if (!clipOpen_) {
        RunGraph(false);
        TearDownGraph();
        FreeGraphs();
    } else {
        CloseClip();
    }
    // Whatever is left goes now, so no engine thread outlives the window.
    if (cameraGraph_ || clipGraph_) {
        TearDownGraph();
        FreeGraphs();
    }
    cameraInUse_.reset();
    for (auto& device : devices_) {
        device.reset();
    }
    ReleaseGrabBitmap();
    displayName_.reset();
    displayNameSize_ = 0;
}

void VideoGraph::EndAfterStreamError(const StreamError& error) {
    switch (error.source) {
        case StreamErrorSource::Recorder:
            // The engine has finished the file; nothing more goes to it until a new capture.
            if (cameraGraph_ && cameraGraphBuilt_) {
                const MediaError hr = cameraGraph_->ControlStream(CaptureControl::Hold);
                if (Failed(hr)) {
                    Fail("CaptureGraph::ControlStream(Hold)", hr);
                }
            }
            capturing_ = false;
            break;
        case StreamErrorSource::Camera:
            // Stopping finishes the AVI up to the camera's last frame.
            if (cameraGraph_) {
                const MediaError hr = cameraGraph_->Stop();
                if (Failed(hr)) {
                    Fail("CaptureGraph::Stop", hr);
                }
            }
            capturing_ = false;
            previewing_ = false;
            break;
        case StreamErrorSource::Playback:
            break;
    }
}

bool VideoGraph::TakeLatestFrame(VideoFrame* frame) {
    return activeGraph_ != nullptr && activeGraph_->TakeLatestFrame(frame);
}

bool VideoGraph::TakeStreamError(StreamError* error) {
    return activeGraph_ != nullptr && activeGraph_->TakeStreamError(error);
}

void VideoGraph::GetCaptureCounts(int64_t* dropped, int64_t* written) {
    *dropped = 0;
    *written = 0;
    if (cameraGraph_) {
        cameraGraph_->GetCaptureCounts(dropped, written);
    }
}

void VideoGraph::SetNaming(const char* folder, const char* base, int32_t autoNumber) {
    CopyText(naming_.path, folder);
    CopyText(naming_.filename, base);
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
