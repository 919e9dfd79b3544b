// What the video object does with the engine's news.
#include "video/VideoGraph.h"

namespace velatrace {

bool VideoGraph::ClipReachedEnd() {
    const bool ended = fClipOpen && gcap.pPlay && gcap.pPlay->ReachedEnd();
    const bool report = ended && !clipEndReported_;
    clipEndReported_ = ended;
    return report;
}

void VideoGraph::EndAfterStreamError(const StreamError& error) {
    switch (error.source) {
        case StreamErrorSource::Recorder:
            if (fCapturing) {
                StopCapture();
            }
            break;
        case StreamErrorSource::Camera:
            if (gcap.pCB2 && (fPreviewing || fCapturing)) {
                gcap.pCB2->Stop();
            }
            fCapturing = 0;
            fPreviewing = 0;
            break;
        case StreamErrorSource::Playback:
            break;
    }
}

}  // namespace velatrace
