// The camera graph: building it for the device in use, running and stopping it, letting the
// capture stream through to the AVI file and moving on to the next file.
#include <cstdio>

#include "session/CaptureNaming.h"
#include "session/Pretrigger.h"
#include "video/FormatChoices.h"
#include "video/VideoFitting.h"
#include "video/VideoGraph.h"

namespace velatrace {

namespace {

const char* StreamText(StreamKind kind) {
    return kind == StreamKind::Interleaved ? "Interleaved" : "Video";
}

// Whether the camera offers `which` for an interleaved stream, else for a plain video stream.
// Failures are noted in `trace`.
bool FindEither(CaptureGraph& graph, CaptureInterface which, FailureTrace& trace) {
    const char* name = which == CaptureInterface::Compression ? "Compression" : "StreamConfig";
    MediaError hr = MediaError::Failed;
    for (StreamKind kind : {StreamKind::Interleaved, StreamKind::Video}) {
        hr = graph.FindInterface(kind, which);
        if (Failed(hr)) {
            char call[80];
            std::snprintf(call, sizeof call, "CaptureGraph::FindInterface(%s, %s)",
                          StreamText(kind), name);
            trace.Note(call, hr);
        }
        if (hr == MediaError::None) {
            return true;
        }
    }
    return false;
}

}  // namespace

MediaError VideoGraph::CreateCameraGraph() {
    trace_.Clear();
    cameraGraphBuilt_ = false;
    clipGraphBuilt_ = false;
    if (cameraGraph_) {
        return MediaError::Nothing;
    }
    MediaError hr = engine_.CreateCaptureGraph(&cameraGraph_);
    if (Succeeded(hr) && !cameraGraph_) {
        hr = MediaError::MissingObject;
    }
    if (Failed(hr)) {
        Fail("MediaEngine::CreateCaptureGraph", hr);
        cameraGraph_.reset();
        return hr;
    }
    if (cameraInUse_) {
        hr = cameraGraph_->BindDevice(cameraInUse_->displayName.c_str());
        if (Failed(hr)) {
            Fail("CaptureGraph::BindDevice", hr);
        } else {
            cameraBound_ = true;
        }
    }
    if (!cameraBound_) {
        FreeGraphs();
        return MediaError::Failed;
    }
    // A playback graph left from a clip whose open failed is replaced by the camera graph.
    clipGraph_.reset();
    activeGraph_ = cameraGraph_.get();
    FindCaptureInterfaces();
    ApplyStreamFormat(true);
    if (pretriggerSec_ > 0) {
        SetPretrigger(pretriggerSec_);
    }
    return MediaError::None;
}

void VideoGraph::FindCaptureInterfaces() {
    trace_.Clear();
    offersCompression_ = false;
    offersStreamConfig_ = false;
    if (!cameraGraph_) {
        return;
    }
    offersCompression_ = FindEither(*cameraGraph_, CaptureInterface::Compression, trace_);
    offersStreamConfig_ = FindEither(*cameraGraph_, CaptureInterface::StreamConfig, trace_);
}

void VideoGraph::ApplyStreamFormat(bool apply) {
    if (!offersStreamConfig_ || !cameraGraph_) {
        return;
    }
    StreamFormat format;
    const MediaError hr = cameraGraph_->GetFormat(&format);
    if (hr != MediaError::None) {
        if (Failed(hr)) {
            Fail("CaptureGraph::GetFormat", hr);
        }
        return;
    }
    if (format.formatType != FormatType::VideoInfo) {
        return;
    }
    // A stored size that is not a size (0 or negative) is not asked of the camera; the camera's
    // own size is read instead. The stored rate is asked along with the size, so a rate chosen in
    // the Format dialog outlives the run; without one the camera's own rate stays.
    if (apply && stream_.lvw > 0 && stream_.lvh > 0) {
        VideoFormat stored;
        stored.width = stream_.lvw;
        stored.height = stream_.lvh;
        stored.avgTimePerFrame =
            stream_.lrate > 0 ? 10000000 / stream_.lrate : format.avgTimePerFrame;
        format = ChosenStreamFormat(format, stored);
        cameraGraph_->SetFormat(format);  // the device may refuse; what it delivers is read later
    }
    TakeStreamFormat(format);
}

void VideoGraph::TakeStreamFormat(const StreamFormat& format) {
    // A format without a frame time has no rate: the previous rate stays.
    if (format.avgTimePerFrame > 0) {
        stream_.lrate = static_cast<int32_t>(10000000 / format.avgTimePerFrame);
    }
    stream_.lvw = format.width;
    stream_.lvh = AbsoluteHeight(format.height);
}

MediaError VideoGraph::BuildCaptureGraph(VideoSurface* host) {
    if (cameraGraphBuilt_) {
        return MediaError::None;
    }
    if (capturing_ || previewing_ || !cameraBound_ || !cameraGraph_) {
        return MediaError::Failed;
    }
    trace_.Clear();
    CaptureGraph& graph = *cameraGraph_;

    char path[kCapturePathSize];
    MakeCaptureFileName(path, sizeof path);
    MediaError hr = graph.SetOutputFileName(path);
    if (Failed(hr)) {
        // The capture render below then fails and ends the build.
        Fail("CaptureGraph::SetOutputFileName", hr);
    } else {
        outputNamed_ = true;
    }

    // An interleaved (DV) stream is tried first, then plain video.
    hr = graph.RenderStream(PinCategory::Capture, StreamKind::Interleaved);
    if (Failed(hr)) {
        Fail("CaptureGraph::RenderStream(Capture, Interleaved)", hr);
    }
    if (hr != MediaError::None) {
        hr = graph.RenderStream(PinCategory::Capture, StreamKind::Video);
        if (Failed(hr)) {
            Fail("CaptureGraph::RenderStream(Capture, Video)", hr);
        }
        if (hr != MediaError::None) {
            TearDownGraph();
            return MediaError::Failed;
        }
    }

    // A camera without a preview stream of its own still previews (split off the capture).
    hr = graph.RenderStream(PinCategory::Preview, StreamKind::Interleaved);
    if (hr != MediaError::None && hr != MediaError::NoOwnPreview) {
        if (Failed(hr)) {
            Fail("CaptureGraph::RenderStream(Preview, Interleaved)", hr);
        }
        hr = graph.RenderStream(PinCategory::Preview, StreamKind::Video);
        if (hr != MediaError::None && hr != MediaError::NoOwnPreview) {
            if (Failed(hr)) {
                Fail("CaptureGraph::RenderStream(Preview, Video)", hr);
            }
            TearDownGraph();
            return MediaError::Failed;
        }
    }

    hasSound_ = graph.HasAudio();
    if (!graph.HasVideo()) {
        Fail("CaptureGraph::HasVideo", MediaError::NotOffered);
        return MediaError::NotOffered;
    }
    showsPicture_ = true;
    AttachVideoWindow(host);
    cameraGraphBuilt_ = true;
    return MediaError::None;
}

MediaError VideoGraph::RunGraph(bool run) {
    if (!run && !previewing_) {
        return MediaError::Nothing;
    }
    if (run && previewing_) {
        return MediaError::None;
    }
    if (run && !cameraGraphBuilt_ && !clipGraphBuilt_) {
        return MediaError::Nothing;
    }
    trace_.Clear();
    if (activeGraph_ == nullptr) {
        previewing_ = false;
        return MediaError::NotOffered;
    }
    MediaError hr;
    if (!run) {
        hr = activeGraph_->Stop();
        if (Failed(hr)) {
            Fail("MediaGraph::Stop", hr);
        }
        previewing_ = false;
    } else {
        // Running the graph never records: the capture stream is stopped first.
        StopCapture();
        hr = activeGraph_->Run();
        if (Failed(hr)) {
            Fail("MediaGraph::Run", hr);
        }
        previewing_ = Succeeded(hr);
    }
    return hr;
}

bool VideoGraph::StartCapture(bool withPretrigger) {
    if (capturing_) {
        return true;
    }
    if (!cameraGraph_) {
        return false;
    }
    trace_.Clear();
    const bool preroll = withPretrigger && keepsPretrigger_;
    const MediaError hr = cameraGraph_->ControlStream(preroll ? CaptureControl::StartWithPreroll
                                                           : CaptureControl::StartNow);
    if (Failed(hr)) {
        Fail(preroll ? "CaptureGraph::ControlStream(StartWithPreroll)"
                     : "CaptureGraph::ControlStream(StartNow)",
             hr);
    }
    // Marked as capturing even when the call failed, so the next Capture command ends it.
    capturing_ = true;
    return true;
}

void VideoGraph::SetPretrigger(int32_t seconds) {
    pretriggerSec_ = seconds < 0 ? 0 : seconds;
    keepsPretrigger_ = false;
    if (cameraGraph_) {
        const MediaError hr = cameraGraph_->SetPreroll(pretriggerSec_, kPretriggerMemoryLimit);
        if (Failed(hr)) {
            Fail("CaptureGraph::SetPreroll", hr);
        }
        keepsPretrigger_ = Succeeded(hr) && pretriggerSec_ > 0;
    }
}

bool VideoGraph::StopCapture() {
    if (!cameraGraph_) {
        return false;
    }
    trace_.Clear();
    const MediaError hr = cameraGraph_->ControlStream(CaptureControl::StopNow);
    if (Failed(hr)) {
        Fail("CaptureGraph::ControlStream(StopNow)", hr);
    }
    capturing_ = false;
    return true;
}

bool VideoGraph::NextCaptureFile(bool rename) {
    if (activeGraph_ == nullptr) {
        return false;
    }
    if (rename && previewing_ && cameraGraph_) {
        // The running graph finishes the file and goes on with the next one: the camera stays
        // open and the preview does not pause. Nothing is let through until the next start.
        StopCapture();
        char path[kCapturePathSize];
        MakeCaptureFileName(path, sizeof path);
        const MediaError hr = outputNamed_ ? cameraGraph_->SwitchOutputFile(path) : MediaError::MissingObject;
        if (Failed(hr)) {
            Fail("CaptureGraph::SwitchOutputFile", hr);
        }
        return true;
    }
    // Stopping the graph finishes the file being written.
    MediaError hr = activeGraph_->Stop();
    if (Failed(hr)) {
        Fail("MediaGraph::Stop", hr);
    }
    previewing_ = false;
    if (!StopCapture()) {
        return false;
    }
    if (rename) {
        char path[kCapturePathSize];
        MakeCaptureFileName(path, sizeof path);
        hr = outputNamed_ ? cameraGraph_->SetOutputFileName(path) : MediaError::MissingObject;
        if (Failed(hr)) {
            Fail("CaptureGraph::SetOutputFileName", hr);
        }
    }
    return true;
}

void VideoGraph::MakeCaptureFileName(char* out, size_t outSize) const {
    FormatCaptureName(out, outSize, naming_.path, naming_.filename, naming_.autoNumber,
                      naming_.number, "avi");
}

MediaError VideoGraph::AttachVideoWindow(VideoSurface* host) {
    trace_.Clear();
    if (host == nullptr) {
        if (showsPicture_) {
            DetachSurface();
        }
        return MediaError::None;
    }
    if (!showsPicture_) {
        return MediaError::NotOffered;
    }
    if (attachedSurface_ != host) {
        DetachSurface();
    }
    attachedSurface_ = host;
    host->SetVideoVisible(true);
    return ReadVideoSize(host);
}

MediaError VideoGraph::ReadVideoSize(VideoSurface* host) {
    if (activeGraph_ == nullptr) {
        return MediaError::NotOffered;
    }
    int32_t width = 0;
    int32_t height = 0;
    MediaError hr = activeGraph_->GetVideoSize(&width, &height);
    if (Failed(hr)) {
        Fail("MediaGraph::GetVideoSize", hr);
        if (hr == MediaError::NotOffered) {
            return hr;
        }
    } else {
        stream_.lvw = width;
        stream_.lvh = height;
    }
    double frameTime = 0.0;
    hr = activeGraph_->GetAvgTimePerFrame(&frameTime);
    if (Failed(hr)) {
        Fail("MediaGraph::GetAvgTimePerFrame", hr);
    } else if (frameTime > 0.0 && 1.0 / frameTime < static_cast<double>(INT32_MAX)) {
        stream_.lrate = static_cast<int32_t>(1.0 / frameTime);
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
    if (!showsPicture_ || host == nullptr) {
        return;
    }
    const SurfaceSize client = host->ClientSize();
    const VideoRect rect = FitVideoRect(client.width, client.height, stream_.lvw, stream_.lvh);
    host->SetVideoRect(0, 0, rect.width, rect.height);
}

void VideoGraph::TearDownGraph() {
    outputNamed_ = false;  // the writer goes with the capture stream below
    if (showsPicture_) {
        AttachVideoWindow(nullptr);
    }
    if (cameraBound_ && cameraGraph_) {
        cameraGraph_->TearDown();
    }
    clipRendered_ = false;
    showsPicture_ = false;
    hasSound_ = false;
    clipGraphBuilt_ = false;
    cameraGraphBuilt_ = false;
}

void VideoGraph::FreeGraphs() {
    cameraBound_ = false;
    keepsPretrigger_ = false;
    offersStreamConfig_ = false;
    offersCompression_ = false;
    outputNamed_ = false;
    clipRendered_ = false;
    hasSound_ = false;
    if (showsPicture_) {
        DetachSurface();  // keeps the trace of the failure that got us here
    }
    showsPicture_ = false;
    cameraGraphBuilt_ = false;
    clipGraphBuilt_ = false;
    activeGraph_ = nullptr;
    cameraGraph_.reset();
    clipGraph_.reset();
}

}  // namespace velatrace
