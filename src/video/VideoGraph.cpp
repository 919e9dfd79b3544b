// The video object's life: construction, release at shutdown and what the video pane reads.
#include "video/VideoGraph.h"

#include <cstring>

#include "base/FixedText.h"

namespace velatrace {

VideoGraph::VideoGraph(MediaEngine& engine, Clock& clock) : engine_(engine), clock_(clock) {
    ResizeDisplayName(kDisplayNameSize);
}

void VideoGraph::ResizeDisplayName(uint32_t size) {
    auto buffer = std::make_unique<char[]>(size);
    std::memset(buffer.get(), 0, size);
    gcap.pDisplayName = std::move(buffer);
    gcap.cbDisplayName = size;
}

void VideoGraph::ReleaseVideo() {
    if (!fClipOpen) {
        RunGraph(false);
        TearDownGraph();
        FreeCaptureFilters();
    } else {
        CloseClip();
    }
    // A clip whose open failed is not released by CloseClip; whatever it built goes now, so no
    // engine thread outlives the window.
    if (gcap.pCB2 || gcap.pPlay) {
        TearDownGraph();
        FreeCaptureFilters();
    }
    gcap.pmVideo.reset();
    for (auto& device : gcap.pmDevices) {
        device.reset();
    }
    hGrabBitmap.reset();
    grabBitmapBytes = 0;
    gcap.pBmpBuffer = nullptr;
    gcap.pDisplayName.reset();
    gcap.cbDisplayName = 0;
}

bool VideoGraph::TakeLatestFrame(VideoFrame* frame) {
    return gcap.pGB != nullptr && gcap.pGB->TakeLatestFrame(frame);
}

bool VideoGraph::TakeStreamError(StreamError* error) {
    return gcap.pGB != nullptr && gcap.pGB->TakeStreamError(error);
}

void VideoGraph::GetCaptureCounts(int64_t* dropped, int64_t* written) {
    *dropped = 0;
    *written = 0;
    if (gcap.pCB2) {
        gcap.pCB2->GetCaptureCounts(dropped, written);
    }
}

void VideoGraph::SetNaming(const char* folder, const char* base, int32_t autoNumber) {
    CopyText(naming.path, folder);
    CopyText(naming.filename, base);
    naming.autoNumber = autoNumber;
}

int32_t VideoGraph::DeviceNames(const char* names[], int32_t capacity) const {
    int32_t count = 0;
    for (; count < m_strm.nDevices && count < kMaxVideoDevices && count < capacity; ++count) {
        if (gcap.szDeviceNames[count][0] == '\0') {
            break;
        }
        names[count] = gcap.szDeviceNames[count];
    }
    return count;
}

}  // namespace velatrace
