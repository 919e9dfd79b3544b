// The playback graph of a recorded clip: open and close, the transport, position and seeking in
// whole percent, mute, and the grab of the frame on screen.
#include <algorithm>
#include <climits>

#include "base/FixedText.h"
#include "video/VideoGraph.h"

namespace velatrace {

namespace {

constexpr uint32_t kGetStateTimeoutMs = 10;
constexpr uint32_t kRewindSettleMs = 100;
// The largest grab bitmap accepted from a file's header (a 16k x 16k RGB picture).
constexpr int64_t kMaxGrabBytes = int64_t{16384} * 16384 * 3;

}  // namespace

bool VideoGraph::OpenClip(VideoSurface* host, const char* path) {
    if (gcap.fCapGraphBuilt || gcap.fPlayGraphBuilt) {
        RunGraph(false);
        TearDownGraph();
        FreeCaptureFilters();
    }
    if (fClipOpen) {
        CloseClip();
    }
    m_strm.nPlayState = 0;
    m_strm.lvw = 0;
    m_strm.lvh = 0;
    const HResult hr = PlayMovieInWindow(host, path);
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in PlayMovieInWindow(hwnd, lppath)\n", hr);
    }
    // Counted as open even when the build failed: the Preview command then closes it and builds
    // the camera graph again.
    m_strm.nPlayState = 2;
    fClipOpen = 1;
    return Succeeded(hr);
}

HResult VideoGraph::PlayMovieInWindow(VideoSurface* host, const char* path) {
    // A graph left from an earlier failed open is replaced.
    gcap.pPlay.reset();
    gcap.pGB = gcap.pCB2.get();
    HResult hr = engine_.CreatePlaybackGraph(&gcap.pPlay);
    if (Succeeded(hr) && !gcap.pPlay) {
        hr = kHrPointer;
    }
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, "
            "IID_IGraphBuilder, (void **)&gcap.pGB)\n",
            hr);
        gcap.pPlay.reset();
        return hr;
    }
    PlaybackGraph& graph = *gcap.pPlay;
    gcap.pGB = &graph;
    gcap.pSG = true;  // the playback graph always grabs 24-bit frames

    char file[kCapturePathSize];
    CopyText(file, sizeof file, path != nullptr ? path : "", kCapturePathSize - 1);
    hr = graph.RenderFile(file);
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pGB->RenderFile(wFile, NULL)\n", hr);
        return hr;
    }
    gcap.pMC = true;
    gcap.pMS = true;
    gcap.pVW = true;
    gcap.pBA = graph.HasAudio();
    if (gcap.pBA) {
        const HResult volume = graph.PutVolume(m_strm.lvolume);
        if (Failed(volume)) {
            TraceFailure("FAILED(hr=0x%x) in gcap.pBA->put_Volume(m_strm.lvolume)\n", volume);
        }
    }
    CheckVideoVisible();
    if (!m_strm.fAudioOnly) {
        AttachVideoWindow(host);
    }
    CreateGrabBitmap();
    gcap.fPlayGraphBuilt = 1;
    hr = graph.Run();
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pMC->Run()\n", hr);
    }
    gcap.fSeekable = graph.IsSeekable() ? 1 : 0;
    if (gcap.fSeekable) {
        int64_t duration = 0;
        const HResult durationHr = graph.GetDuration(&duration);
        if (Failed(durationHr)) {
            TraceFailure("FAILED(hr=0x%x) in gcap.pMS->GetDuration(&m_strm.llDuration)\n",
                         durationHr);
        } else {
            m_strm.llDuration = duration;
        }
    }
    return hr;
}

void VideoGraph::CheckVideoVisible() {
    if (!gcap.pVW) {
        m_strm.fAudioOnly = 1;
        return;
    }
    m_strm.fAudioOnly = 0;
    if (gcap.pGB == nullptr || !gcap.pGB->HasVideo()) {
        // No video stream: the file opens as audio only.
        TraceFailure("FAILED(hr=0x%x) in gcap.pVW->get_Visible(&lVisible)\n", kHrNoInterface);
        m_strm.fAudioOnly = 1;
    }
}

void VideoGraph::CreateGrabBitmap() {
    hGrabBitmap.reset();
    grabBitmapBytes = 0;
    gcap.pBmpBuffer = nullptr;
    gcap.bmpBufferSize = 0;
    bmiGrab = BitmapInfo{};
    if (!gcap.pPlay) {
        return;
    }
    BitmapInfoHeader header;
    int32_t sampleSize = 0;
    const HResult hr = gcap.pPlay->GetGrabFormat(&header, &sampleSize);
    if (Failed(hr)) {
        // No connected video (an audio-only file): there is nothing to grab.
        TraceFailure("FAILED(hr=0x%x) in gcap.pSG->GetConnectedMediaType(&mt)\n", hr);
        return;
    }
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
    const int64_t stride = ((width * header.biBitCount + 31) & ~int64_t{31}) / 8;
    const int64_t bitmapBytes = stride * height;
    if (width <= 0 || height <= 0 || header.biBitCount == 0 || bitmapBytes > kMaxGrabBytes ||
        sampleSize < 0 || sampleSize > kMaxGrabBytes) {
        return;
    }
    bmiGrab.bmiHeader = header;
    // The bitmap holds at least one whole sample, so a copy of the frame always fits.
    grabBitmapBytes = static_cast<size_t>(std::max<int64_t>(bitmapBytes, sampleSize));
    hGrabBitmap = std::make_unique<uint8_t[]>(grabBitmapBytes);
    gcap.pBmpBuffer = hGrabBitmap.get();
    gcap.bmpBufferSize = sampleSize;
}

int32_t VideoGraph::GrabFrame() {
    if (gcap.pGB == nullptr || !hGrabBitmap || !gcap.pPlay) {
        return 0;
    }
    trace.Clear();
    int32_t size = static_cast<int32_t>(grabBitmapBytes);
    const HResult hr = gcap.pPlay->GetCurrentBuffer(&size, gcap.pBmpBuffer);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pSG->GetCurrentBuffer(&gcap.bmpBufferSize, "
            "(long*)gcap.pBmpBuffer)\n",
            hr);
        return 0;
    }
    gcap.bmpBufferSize = size;
    return size;
}

bool VideoGraph::CloseClip() {
    if (!gcap.pMC || !gcap.pPlay) {
        return false;
    }
    const HResult hr = gcap.pPlay->Stop();
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pMC->Stop()\n", hr);
    }
    m_strm.nPlayState = 0;
    fClipOpen = 0;
    m_strm.fAudioOnly = 1;
    TearDownGraph();
    FreeCaptureFilters();
    hGrabBitmap.reset();
    grabBitmapBytes = 0;
    gcap.pBmpBuffer = nullptr;
    return true;
}

bool VideoGraph::PlayClip() {
    if (!gcap.pMC || !gcap.pPlay) {
        return false;
    }
    const HResult hr = gcap.pPlay->Run();
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pMC->Run()\n", hr);
        return false;
    }
    m_strm.nPlayState = 2;
    return true;
}

bool VideoGraph::PauseClip() {
    if (!gcap.pMC || !gcap.pPlay) {
        return false;
    }
    const HResult hr = gcap.pPlay->Pause();
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pMC->Pause()\n", hr);
        return false;
    }
    m_strm.nPlayState = 1;
    return true;
}

bool VideoGraph::StopClip() {
    if (!gcap.pMS || !gcap.pPlay) {
        return false;
    }
    HResult hr = kHrOk;
    if (m_strm.nPlayState == 1 || m_strm.nPlayState == 2) {
        hr = gcap.pPlay->SetPosition(0);
        if (Failed(hr)) {
            TraceFailure(
                "FAILED(hr=0x%x) in gcap.pMS->SetPositions(&newTime, "
                "AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning)\n",
                hr);
        }
        // Lets the rewind reach the picture before the graph stops.
        clock_.Sleep(kRewindSettleMs);
        hr = gcap.pPlay->Stop();
        if (Failed(hr)) {
            TraceFailure("FAILED(hr=0x%x) in gcap.pMC->Stop()\n", hr);
        }
        m_strm.nPlayState = 0;
    }
    return Succeeded(hr);
}

void VideoGraph::SeekClip(int32_t percent) {
    if (!gcap.pMS || !gcap.pPlay) {
        return;
    }
    HResult hr = gcap.pPlay->Pause();
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pMC->Pause()\n", hr);
    }
    // Positions are whole percent of the duration; anything outside 0..100 is brought inside,
    // which also keeps the product below from overflowing.
    const int64_t clamped = std::clamp(percent, 0, 100);
    const int64_t target = (m_strm.llDuration / 100) * clamped;
    hr = gcap.pPlay->SetPosition(target);
    if (Failed(hr)) {
        TraceFailure(
            "FAILED(hr=0x%x) in gcap.pMS->SetPositions(&newTime, AM_SEEKING_AbsolutePositioning, "
            "NULL, AM_SEEKING_NoPositioning)\n",
            hr);
    }
}

int32_t VideoGraph::GetClipPosition(int64_t* position) {
    *position = 0;
    if (!gcap.pMC || !gcap.pPlay) {
        return 0;
    }
    PlayState state = PlayState::Stopped;
    // Lets a pending state change settle before the position is read.
    const HResult stateHr = gcap.pPlay->GetState(kGetStateTimeoutMs, &state);
    if (Failed(stateHr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pMC->GetState(10, &fs)\n", stateHr);
    }
    if (!gcap.pMS) {
        return 0;
    }
    int64_t current = 0;
    if (Failed(gcap.pPlay->GetCurrentPosition(&current))) {
        return 0;
    }
    *position = current;
    // Without a duration there is no percentage.
    if (m_strm.llDuration <= 0) {
        return 0;
    }
    int64_t percent;
    if (current > INT64_MAX / 100 || current < INT64_MIN / 100) {
        percent = static_cast<int64_t>(static_cast<long double>(current) * 100 / m_strm.llDuration);
    } else {
        percent = current * 100 / m_strm.llDuration;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(percent, INT32_MIN, INT32_MAX));
}

bool VideoGraph::ToggleMute() {
    if (!gcap.pBA || gcap.pGB == nullptr) {
        return false;
    }
    m_strm.lvolume = m_strm.lvolume == kVolumeSilent ? kVolumeFull : kVolumeSilent;
    const HResult hr = gcap.pGB->PutVolume(m_strm.lvolume);
    if (Failed(hr)) {
        TraceFailure("FAILED(hr=0x%x) in gcap.pBA->put_Volume(m_strm.lvolume)\n", hr);
    }
    return true;
}

}  // namespace velatrace
