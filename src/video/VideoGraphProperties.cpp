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
    if (!gcap.pCB2 || !gcap.pVCap) {
        return;
    }
    std::vector<DeviceControl> controls;
    const HResult hr = gcap.pCB2->ReadControls(&controls);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pVCap->QueryInterface(IID_ISpecifyPropertyPages, (void "
            "**)&pSpec)\n",
            hr);
    }
    if (hr == kHrOk && !controls.empty()) {
        pages.ShowFilterPages(*gcap.pCB2, kPagesX, kPagesY);
    }
}

bool VideoGraph::ShowFormatProperties(VideoSurface* host, PropertyPages& pages) {
    // While a clip is open (no camera graph) there is nothing to show or rebuild.
    if (fClipOpen || !gcap.pCB2 || !gcap.pVCap) {
        return true;
    }
    const int32_t wasPreviewing = fPreviewing;
    if (wasPreviewing) {
        RunGraph(false);
    }
    // The pin's format may only change while nothing is connected to it.
    if (gcap.fCapGraphBuilt || gcap.fPlayGraphBuilt) {
        TearDownGraph();
    }
    CaptureGraph& graph = *gcap.pCB2;
    HResult hr = graph.FindInterface(StreamKind::Interleaved, CaptureInterface::StreamConfig);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->FindInterface(&PIN_CATEGORY_CAPTURE, "
            "&MEDIATYPE_Interleaved, gcap.pVCap, IID_IAMStreamConfig, (void **)&pSC)\n",
            hr);
    }
    if (hr != kHrOk) {
        hr = graph.FindInterface(StreamKind::Video, CaptureInterface::StreamConfig);
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in gcap.pCB2->FindInterface(&PIN_CATEGORY_CAPTURE, "
                "&MEDIATYPE_Video, gcap.pVCap, IID_IAMStreamConfig, (void **)&pSC)\n",
                hr);
        }
    }
    if (hr == kHrOk) {
        std::vector<VideoFormat> formats;
        hr = graph.EnumFormats(&formats);
        if (Failed(hr)) {
            TraceFailure("FAILED(hr=0x%x) in pSpec->GetPages(&cauuid)\n", hr);
        } else {
            hr = pages.ShowFormatPages(graph, formats, kPagesX, kPagesY);
            if (Failed(hr)) {
                TraceFailure(
                    "FAILED(hr=0x%x) in OleCreatePropertyFrame(hwnd, 30, 30, NULL, 1, (IUnknown "
                    "**)&pSC, cauuid.cElems, (GUID *)cauuid.pElems, 0, 0, NULL)\n",
                    hr);
            }
        }
        if (gcap.pVSC) {
            StreamFormat format;
            hr = graph.GetFormat(&format);
            if (Failed(hr)) {
                TraceFailure("FAILED(hr=0x%x) in gcap.pVSC->GetFormat(&pmt)\n", hr);
            }
            if (hr == kHrOk && format.formatType == FormatType::VideoInfo) {
                TakeStreamFormat(format);
            }
        }
    }
    // Renders both streams again in the format now set and names the capture file afresh.
    BuildCaptureGraph(host);
    if (wasPreviewing) {
        RunGraph(true);
    }
    return true;
}

}  // namespace velatrace
