// The camera graph: building it for the device in use, running and stopping it, letting the
// capture stream through to the AVI file and moving on to the next file.
#include "session/CaptureNaming.h"
#include "video/VideoFitting.h"
#include "video/VideoGraph.h"

namespace velatrace {

namespace {}  // namespace

HResult VideoGraph::InitCaptureFilters() {
    trace.Clear();
    gcap.fCapGraphBuilt = 0;
    gcap.fPlayGraphBuilt = 0;
    if (gcap.pCB2) {
        return 1;
    }
    HResult hr = engine_.CreateCaptureGraph(&gcap.pCB2);
    if (Succeeded(hr) && !gcap.pCB2) {
        hr = kHrPointer;
    }
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in CoCreateInstance((REFCLSID)CLSID_CaptureGraphBuilder2, NULL, "
            "CLSCTX_INPROC, (REFIID)IID_ICaptureGraphBuilder2, (void **)&gcap.pCB2)\n",
            hr);
        gcap.pCB2.reset();
        return hr;
    }
    if (gcap.pmVideo) {
        hr = gcap.pCB2->BindDevice(gcap.pmVideo->displayName.c_str());
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in gcap.pmVideo->BindToObject(0, 0, IID_IBaseFilter, "
                "(void**)&gcap.pVCap)\n",
                hr);
        } else {
            gcap.pVCap = true;
        }
    }
    if (!gcap.pVCap) {
        FreeCaptureFilters();
        return kHrFail;
    }
    // The camera graph is its own filter graph; a playback graph left from a clip whose open
    // failed is replaced by it.
    gcap.pPlay.reset();
    gcap.pGB = gcap.pCB2.get();
    FindCaptureInterfaces();
    ApplyStreamFormat(true);
    return kHrOk;
}

HResult VideoGraph::FindCaptureInterfaces() {
    trace.Clear();
    gcap.pVC = false;
    gcap.pVSC = false;
    if (!gcap.pCB2) {
        return kHrOk;
    }
    HResult hr = gcap.pCB2->FindInterface(StreamKind::Interleaved, CaptureInterface::Compression);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->FindInterface(&PIN_CATEGORY_CAPTURE, "
            "&MEDIATYPE_Interleaved, gcap.pVCap, IID_IAMVideoCompression, (void **)&gcap.pVC)\n",
            hr);
    }
    if (hr != kHrOk) {
        hr = gcap.pCB2->FindInterface(StreamKind::Video, CaptureInterface::Compression);
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in gcap.pCB2->FindInterface(&PIN_CATEGORY_CAPTURE, "
                "&MEDIATYPE_Video, gcap.pVCap, IID_IAMVideoCompression, (void **)&gcap.pVC)\n",
                hr);
        }
    }
    gcap.pVC = (hr == kHrOk);

    hr = gcap.pCB2->FindInterface(StreamKind::Interleaved, CaptureInterface::StreamConfig);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->FindInterface(&PIN_CATEGORY_CAPTURE, "
            "&MEDIATYPE_Interleaved, gcap.pVCap, IID_IAMStreamConfig, (void **)&gcap.pVSC)\n",
            hr);
    }
    if (hr != kHrOk) {
        hr = gcap.pCB2->FindInterface(StreamKind::Video, CaptureInterface::StreamConfig);
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in gcap.pCB2->FindInterface(&PIN_CATEGORY_CAPTURE, "
                "&MEDIATYPE_Video, gcap.pVCap, IID_IAMStreamConfig, (void **)&gcap.pVSC)\n",
                hr);
        }
    }
    gcap.pVSC = (hr == kHrOk);
    return kHrOk;
}

HResult VideoGraph::ApplyStreamFormat(bool apply) {
    if (!gcap.pVSC || !gcap.pCB2) {
        return kHrOk;
    }
    StreamFormat format;
    const HResult hr = gcap.pCB2->GetFormat(&format);
    if (hr != kHrOk) {
        if (Failed(hr)) {
            TraceFailure("FAILED(hr=0x%x) in gcap.pVSC && gcap.pVSC->GetFormat(&pmt)\n", hr);
        }
        return kHrOk;
    }
    if (format.formatType == FormatType::VideoInfo) {
        // A stored size that is not a size (0 or negative) is not asked of the camera; the
        // camera's own size is read instead.
        if (apply && m_strm.lvw > 0 && m_strm.lvh > 0) {
            format.width = m_strm.lvw;
            format.height = m_strm.lvh;
            const int64_t stride =
                ((static_cast<int64_t>(format.width) * format.bitCount + 31) & ~int64_t{31}) / 8;
            const int64_t imageSize = stride * AbsoluteHeight(format.height);
            format.imageSize = imageSize > INT32_MAX ? INT32_MAX : static_cast<int32_t>(imageSize);
            gcap.pCB2->SetFormat(format);  // the device may refuse; what it delivers is read later
        }
        TakeStreamFormat(format);
    }
    return kHrOk;
}

void VideoGraph::TakeStreamFormat(const StreamFormat& format) {
    // A format without a frame time has no rate: the previous rate stays.
    if (format.avgTimePerFrame > 0) {
        m_strm.lrate = static_cast<int32_t>(10000000 / format.avgTimePerFrame);
    }
    m_strm.lvw = format.width;
    m_strm.lvh = AbsoluteHeight(format.height);
}

HResult VideoGraph::BuildCaptureGraph(VideoSurface* host) {
    if (gcap.fCapGraphBuilt) {
        return kHrOk;
    }
    if (fCapturing || fPreviewing || !gcap.pVCap || !gcap.pCB2) {
        return kHrFail;
    }
    trace.Clear();
    fPreviewing = 0;
    fCapturing = 0;

    char path[kCapturePathSize];
    MakeCaptureFileName(path, sizeof path);
    HResult hr = gcap.pCB2->SetOutputFileName(path);
    if (Failed(hr)) {
        // The capture render below then fails and ends the build.
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->SetOutputFileName(&guid, T2W(szpath), &gcap.pMux, "
            "&gcap.pSink)\n",
            hr);
    } else {
        gcap.pMux = true;
        gcap.pSink = true;
    }

    hr = gcap.pCB2->RenderStream(PinCategory::Capture, StreamKind::Interleaved);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->RenderStream(&PIN_CATEGORY_CAPTURE, "
            "&MEDIATYPE_Interleaved, gcap.pVCap, NULL, gcap.pMux)\n",
            hr);
    }
    if (hr != kHrOk) {
        hr = gcap.pCB2->RenderStream(PinCategory::Capture, StreamKind::Video);
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in gcap.pCB2->RenderStream(&PIN_CATEGORY_CAPTURE, "
                "&MEDIATYPE_Video, gcap.pVCap, NULL, gcap.pMux)\n",
                hr);
        }
        if (hr != kHrOk) {
            TearDownGraph();
            return kHrFail;
        }
    }

    // A camera without a preview stream of its own still previews (split off the capture).
    hr = gcap.pCB2->RenderStream(PinCategory::Preview, StreamKind::Interleaved);
    if (hr != kHrOk && hr != kHrNoPreview) {
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in gcap.pCB2->RenderStream(&PIN_CATEGORY_PREVIEW, "
                "&MEDIATYPE_Interleaved, gcap.pVCap, NULL, NULL)\n",
                hr);
        }
        hr = gcap.pCB2->RenderStream(PinCategory::Preview, StreamKind::Video);
        if (hr != kHrOk && hr != kHrNoPreview) {
            if (Failed(hr)) {
                TraceFailure(
                    "FAILED(hr=0x%x) in gcap.pCB2->RenderStream(&PIN_CATEGORY_PREVIEW, "
                    "&MEDIATYPE_Video, gcap.pVCap, NULL, NULL)\n",
                    hr);
            }
            TearDownGraph();
            return kHrFail;
        }
    }

    gcap.pBA = gcap.pCB2->HasAudio();
    if (!gcap.pCB2->HasVideo()) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pGB->QueryInterface(IID_IVideoWindow, (void **)&gcap.pVW)\n",
            kHrNoInterface);
        return kHrNoInterface;
    }
    gcap.pVW = true;
    AttachVideoWindow(host);
    gcap.fCapGraphBuilt = 1;
    return kHrOk;
}

HResult VideoGraph::RunGraph(bool run) {
    if (!run && !fPreviewing) {
        return 1;
    }
    if (run && fPreviewing) {
        return kHrOk;
    }
    if (run && !gcap.fCapGraphBuilt && !gcap.fPlayGraphBuilt) {
        return 1;
    }
    trace.Clear();
    if (!gcap.pGB) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pGB->QueryInterface(IID_IMediaControl, (void **)&pmc)\n",
            kHrNoInterface);
        fPreviewing = 0;
        return kHrNoInterface;
    }
    HResult hr;
    if (!run) {
        hr = gcap.pGB->Stop();
        if (Failed(hr)) {
            TraceFailure("FAILED(hr=0x%x) in pmc->Stop()\n", hr);
        }
        fPreviewing = 0;
    } else {
        // Running the graph never records: the capture stream is stopped first.
        StopCapture();
        hr = gcap.pGB->Run();
        if (Failed(hr)) {
            TraceFailure("FAILED(hr=0x%x) in pmc->Run()\n", hr);
        }
        fPreviewing = Succeeded(hr) ? 1 : 0;
    }
    return hr;
}

bool VideoGraph::StartCapture() {
    if (fCapturing) {
        return true;
    }
    if (!gcap.pCB2) {
        return false;
    }
    trace.Clear();
    const HResult hr = gcap.pCB2->ControlStream(CaptureControl::StartNow);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, "
            "gcap.pVCap, NULL, &stop, 0, 0)\n",
            hr);
    }
    // Marked as capturing even when the call failed, so the next Capture command ends it.
    fCapturing = 1;
    return true;
}

bool VideoGraph::StopCapture() {
    if (!gcap.pCB2) {
        return false;
    }
    trace.Clear();
    const HResult hr = gcap.pCB2->ControlStream(CaptureControl::StopNow);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pCB2->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, "
            "gcap.pVCap, NULL, NULL, 0, 0)\n",
            hr);
    }
    fCapturing = 0;
    return true;
}

HResult VideoGraph::NextCaptureFile(bool rename) {
    if (!gcap.pGB) {
        return 0;
    }
    const int32_t wasPreviewing = fPreviewing;
    // Stopping the graph finishes the file being written.
    HResult hr = gcap.pGB->Stop();
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in pmc->Stop()\n", hr);
    }
    fPreviewing = 0;
    if (!StopCapture()) {
        return 0;
    }
    trace.Clear();
    if (rename) {
        char path[kCapturePathSize];
        MakeCaptureFileName(path, sizeof path);
        hr = gcap.pSink ? gcap.pCB2->SetOutputFileName(path) : kHrPointer;
        if (Failed(hr)) {
            TraceFailure("FAILED(hr=0x%x) in gcap.pSink->SetFileName(T2W(szpath), NULL)\n", hr);
        }
        if (wasPreviewing) {
            hr = gcap.pGB->Run();
            if (Failed(hr)) {
                TraceFailure("FAILED(hr=0x%x) in pmc->Run()\n", hr);
            }
            // Only a graph that really runs again counts as previewing.
            fPreviewing = Succeeded(hr) ? 1 : 0;
        }
    }
    return 1;
}

void VideoGraph::MakeCaptureFileName(char* out, size_t outSize) const {
    FormatCaptureName(out, outSize, naming.path, naming.filename, naming.autoNumber, naming.number,
                      "avi");
}

HResult VideoGraph::AttachVideoWindow(VideoSurface* host) {
    trace.Clear();
    if (host == nullptr) {
        if (gcap.pVW) {
            DetachSurface();
        }
        return kHrOk;
    }
    if (!gcap.pVW) {
        return kHrNoInterface;
    }
    if (attachedSurface_ != host) {
        DetachSurface();
    }
    attachedSurface_ = host;
    host->SetVideoVisible(true);
    return ReadVideoSize(host, 1, 1);
}

HResult VideoGraph::ReadVideoSize(VideoSurface* host, int32_t multiplier, int32_t divisor) {
    if (!gcap.pGB) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pGB->QueryInterface (IID_IBasicVideo, (LPVOID *)&pBV)\n",
            kHrNoInterface);
        return kHrNoInterface;
    }
    int32_t width = 0;
    int32_t height = 0;
    HResult hr = gcap.pGB->GetVideoSize(&width, &height);
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in pBV->GetVideoSize(&m_strm.lvw, &m_strm.lvh)\n", hr);
        if (hr == kHrNoInterface) {
            return hr;
        }
    } else {
        m_strm.lvw = width;
        m_strm.lvh = height;
    }
    double frameTime = 0.0;
    hr = gcap.pGB->GetAvgTimePerFrame(&frameTime);
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in pBV->get_AvgTimePerFrame(&reftime)\n", hr);
    } else if (frameTime > 0.0 && 1.0 / frameTime < static_cast<double>(INT32_MAX)) {
        m_strm.lrate = static_cast<int32_t>(1.0 / frameTime);
    }
    if (divisor != 0) {
        m_strm.lvw = static_cast<int32_t>(static_cast<int64_t>(m_strm.lvw) * multiplier / divisor);
        m_strm.lvh = static_cast<int32_t>(static_cast<int64_t>(m_strm.lvh) * multiplier / divisor);
    }
    FitVideoWindow(host);
    return hr;
}

void VideoGraph::DetachSurface() {
    if (attachedSurface_ != nullptr) {
        attachedSurface_->SetVideoVisible(false);
        attachedSurface_ = nullptr;
    }
}

void VideoGraph::FitVideoWindow(VideoSurface* host) {
    if (!gcap.pVW || host == nullptr) {
        return;
    }
    const SurfaceSize client = host->ClientSize();
    const VideoRect rect = FitVideoRect(client.width, client.height, m_strm.lvw, m_strm.lvh);
    host->SetVideoRect(0, 0, rect.width, rect.height);
}

void VideoGraph::TearDownGraph() {
    gcap.pSink = false;
    gcap.pMux = false;  // the writer goes with the capture stream below
    if (gcap.pVW) {
        AttachVideoWindow(nullptr);
    }
    if (gcap.pVCap && gcap.pCB2) {
        gcap.pCB2->TearDown();
    }
    gcap.pSG = false;
    gcap.pMC = false;
    gcap.pVW = false;
    gcap.pBA = false;
    gcap.fPlayGraphBuilt = 0;
    gcap.fCapGraphBuilt = 0;
}

void VideoGraph::FreeCaptureFilters() {
    gcap.pVCap = false;
    gcap.pVSC = false;
    gcap.pVC = false;
    gcap.pMS = false;
    gcap.pBA = false;
    // Without its graph no part of it is left either.
    gcap.pMux = false;
    gcap.pSink = false;
    gcap.pSG = false;
    gcap.pMC = false;
    if (gcap.pVW) {
        DetachSurface();  // keeps the trace of the failure that got us here
    }
    gcap.pVW = false;
    gcap.fCapGraphBuilt = 0;
    gcap.fPlayGraphBuilt = 0;
    gcap.pGB = nullptr;
    gcap.pCB2.reset();
    gcap.pPlay.reset();
}

}  // namespace velatrace
