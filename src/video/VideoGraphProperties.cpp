// The camera's setting dialogs: the controls act on the running camera; a format change stops,
// rebuilds and restarts the camera graph in the new format.
#include <vector>

#include "video/VideoGraph.h"

namespace velatrace {

namespace {

// Where the dialogs open, relative to their owner.
constexpr int32_t kPagesX = 30;
constexpr int32_t kPagesY = 30;

}  // namespace

void VideoGraph::ShowFilterProperties(PropertyPages& pages) {
    // While a clip is open there is no camera to set.
    if (!cameraGraph_ || !cameraBound_) {
        return;
    }
    std::vector<DeviceControl> controls;
    const MediaError hr = cameraGraph_->ReadControls(&controls);
    if (Failed(hr)) {
        Fail("CaptureGraph::ReadControls", hr);
    }
    if (hr == MediaError::None && !controls.empty()) {
        pages.ShowFilterPages(*cameraGraph_, kPagesX, kPagesY);
    }
}

bool VideoGraph::ShowFormatProperties(VideoSurface* host, PropertyPages& pages, MediaError* refusal) {
    if (refusal != nullptr) {
        *refusal = MediaError::None;
    }
    // While a clip is open (no camera graph) there is nothing to show or rebuild.
    if (clipOpen_ || !cameraGraph_ || !cameraBound_) {
        return true;
    }
    CaptureGraph& graph = *cameraGraph_;
    // The format in force, to go back to when the camera cannot deliver the one chosen.
    StreamFormat previous;
    const bool knowsPrevious = offersStreamConfig_ && graph.GetFormat(&previous) == MediaError::None &&
                               previous.formatType == FormatType::VideoInfo;
    const bool wasPreviewing = previewing_;
    if (wasPreviewing) {
        RunGraph(false);
    }
    // The pin's format may only change while nothing is connected to it.
    if (cameraGraphBuilt_ || clipGraphBuilt_) {
        TearDownGraph();
    }
    MediaError hr = graph.FindInterface(StreamKind::Interleaved, CaptureInterface::StreamConfig);
    if (Failed(hr)) {
        Fail("CaptureGraph::FindInterface(Interleaved, StreamConfig)", hr);
    }
    if (hr != MediaError::None) {
        hr = graph.FindInterface(StreamKind::Video, CaptureInterface::StreamConfig);
        if (Failed(hr)) {
            Fail("CaptureGraph::FindInterface(Video, StreamConfig)", hr);
        }
    }
    MediaError chosen = MediaError::Nothing;  // 0 once a new format is set on the pin
    MediaError refused = MediaError::None;
    if (hr == MediaError::None) {
        std::vector<VideoFormat> formats;
        hr = graph.EnumFormats(&formats);
        if (Failed(hr)) {
            Fail("CaptureGraph::EnumFormats", hr);
        } else {
            chosen = pages.ShowFormatPages(graph, formats, kPagesX, kPagesY);
            if (Failed(chosen)) {
                // The pin kept its format.
                Fail("PropertyPages::ShowFormatPages", chosen);
                refused = chosen;
            }
        }
        if (offersStreamConfig_) {
            StreamFormat format;
            hr = graph.GetFormat(&format);
            if (Failed(hr)) {
                Fail("CaptureGraph::GetFormat", hr);
            }
            if (hr == MediaError::None && format.formatType == FormatType::VideoInfo) {
                TakeStreamFormat(format);
            }
        }
    }
    // Renders both streams again in the format now set and names the capture file afresh.
    MediaError started = BuildCaptureGraph(host);
    if (Succeeded(started) && wasPreviewing) {
        started = RunGraph(true);
    }
    // A camera that takes the format on the pin but cannot build or stream in it refuses it all
    // the same: the format before comes back, so the preview is not left dead.
    if (chosen == MediaError::None && Failed(started)) {
        refused = started;
        if (knowsPrevious) {
            RunGraph(false);
            TearDownGraph();
            graph.SetFormat(previous);
            TakeStreamFormat(previous);
            if (Succeeded(BuildCaptureGraph(host)) && wasPreviewing) {
                RunGraph(true);
            }
        }
    }
    if (refusal != nullptr) {
        *refusal = refused;
    }
    return Succeeded(refused);
}

}  // namespace velatrace
