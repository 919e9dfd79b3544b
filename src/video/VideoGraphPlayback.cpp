// The playback graph of a recorded clip: open and close, the transport, position and seeking in
// whole percent, the clip's end, mute, and the grab of the frame on screen.
#include <algorithm>
#include <climits>

#include "base/FixedText.h"
#include "video/VideoGraph.h"

namespace velatrace {

namespace {

// How long reading the position may wait for a pending state change to settle.
constexpr uint32_t kGetStateTimeoutMs = 10;
// The largest grab bitmap accepted from a file's header (a 16k x 16k RGB picture).
constexpr int64_t kMaxGrabBytes = int64_t{16384} * 16384 * 3;

}  // namespace

bool VideoGraph::OpenClip(VideoSurface* host, const char* path) {
    if (cameraGraphBuilt_ || clipGraphBuilt_) {
        RunGraph(false);
        TearDownGraph();
        FreeGraphs();
    }
    if (clipOpen_) {
        CloseClip();
    }
    // The clip's size and rate take the camera's place only while it is open: the camera's are
    // what its graph asks for when it is built again.
    cameraMode_ = stream_;
    playState_ = PlayState::Stopped;
    endReported_ = false;
    stream_.lvw = 0;
    stream_.lvh = 0;
    // A failure is traced where it happened, under the engine call's own name.
    trace_.Clear();
    const MediaError hr = BuildClipGraph(host, path);
    if (Failed(hr)) {
        // A clip that failed to open is not open: whatever its build left goes, so the next
        // Preview, Format or capture finds the video as if the open had never been tried.
        TearDownGraph();
        FreeGraphs();
        ReleaseGrabBitmap();
        RestoreCameraMode();
        return false;
    }
    playState_ = PlayState::Running;
    clipOpen_ = true;
    return true;
}

MediaError VideoGraph::BuildClipGraph(VideoSurface* host, const char* path) {
    // A graph left from an earlier failed open is replaced.
    clipGraph_.reset();
    activeGraph_ = cameraGraph_.get();
    MediaError hr = engine_.CreatePlaybackGraph(&clipGraph_);
    if (Succeeded(hr) && !clipGraph_) {
        hr = MediaError::MissingObject;
    }
    if (Failed(hr)) {
        Fail("MediaEngine::CreatePlaybackGraph", hr);
        clipGraph_.reset();
        return hr;
    }
    PlaybackGraph& graph = *clipGraph_;
    activeGraph_ = &graph;

    char file[kCapturePathSize];
    CopyText(file, sizeof file, path != nullptr ? path : "", kCapturePathSize - 1);
    hr = graph.RenderFile(file);
    if (Failed(hr)) {
        Fail("PlaybackGraph::RenderFile", hr);
        return hr;
    }
    clipRendered_ = true;
    showsPicture_ = true;
    hasSound_ = graph.HasAudio();
    if (hasSound_) {
        const MediaError volume = graph.PutVolume(stream_.lvolume);
        if (Failed(volume)) {
            Fail("PlaybackGraph::PutVolume", volume);
        }
    }
    // A file without a video stream opens as audio only: no picture, nothing to grab.
    stream_.fAudioOnly = graph.HasVideo() ? 0 : 1;
    if (!stream_.fAudioOnly) {
        AttachVideoWindow(host);
    }
    CreateGrabBitmap();
    clipGraphBuilt_ = true;
    hr = graph.Run();
    if (Failed(hr)) {
        Fail("PlaybackGraph::Run", hr);
    }
    if (graph.IsSeekable()) {
        int64_t duration = 0;
        const MediaError durationHr = graph.GetDuration(&duration);
        if (Failed(durationHr)) {
            Fail("PlaybackGraph::GetDuration", durationHr);
        } else {
            stream_.llDuration = duration;
        }
    }
    return hr;
}

void VideoGraph::ReleaseGrabBitmap() {
    grabPixels_.reset();
    grabCapacity_ = 0;
}

void VideoGraph::CreateGrabBitmap() {
    ReleaseGrabBitmap();
    grabFormat_ = BitmapInfo{};
    if (!clipGraph_) {
        return;
    }
    BitmapInfoHeader header;
    int32_t sampleSize = 0;
    const MediaError hr = clipGraph_->GetGrabFormat(&header, &sampleSize);
    if (Failed(hr)) {
        // No connected video (an audio-only file): there is nothing to grab.
        Fail("PlaybackGraph::GetGrabFormat", hr);
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
    grabFormat_.bmiHeader = header;
    // The bitmap holds at least one whole sample, so a copy of the frame always fits.
    grabCapacity_ = static_cast<size_t>(std::max<int64_t>(bitmapBytes, sampleSize));
    grabPixels_ = std::make_unique<uint8_t[]>(grabCapacity_);
}

int32_t VideoGraph::GrabFrame() {
    if (!grabPixels_ || !clipGraph_) {
        return 0;
    }
    trace_.Clear();
    int32_t size = static_cast<int32_t>(grabCapacity_);
    const MediaError hr = clipGraph_->GetCurrentBuffer(&size, grabPixels_.get());
    if (Failed(hr)) {
        Fail("PlaybackGraph::GetCurrentBuffer", hr);
        return 0;
    }
    return size;
}

bool VideoGraph::CloseClip() {
    if (!clipRendered_ || !clipGraph_) {
        return false;
    }
    const MediaError hr = clipGraph_->Stop();
    if (Failed(hr)) {
        Fail("PlaybackGraph::Stop", hr);
    }
    playState_ = PlayState::Stopped;
    clipOpen_ = false;
    TearDownGraph();
    FreeGraphs();
    ReleaseGrabBitmap();
    RestoreCameraMode();
    return true;
}

void VideoGraph::RestoreCameraMode() {
    stream_.lvw = cameraMode_.lvw;
    stream_.lvh = cameraMode_.lvh;
    stream_.lrate = cameraMode_.lrate;
    stream_.fAudioOnly = 1;
    stream_.llDuration = 0;
}

bool VideoGraph::PlayClip() {
    if (!clipRendered_ || !clipGraph_) {
        return false;
    }
    const MediaError hr = clipGraph_->Run();
    if (Failed(hr)) {
        Fail("PlaybackGraph::Run", hr);
        return false;
    }
    playState_ = PlayState::Running;
    return true;
}

bool VideoGraph::PauseClip() {
    if (!clipRendered_ || !clipGraph_) {
        return false;
    }
    const MediaError hr = clipGraph_->Pause();
    if (Failed(hr)) {
        Fail("PlaybackGraph::Pause", hr);
        return false;
    }
    playState_ = PlayState::Paused;
    return true;
}

bool VideoGraph::StopClip() {
    if (!clipRendered_ || !clipGraph_) {
        return false;
    }
    if (playState_ == PlayState::Stopped) {
        return true;
    }
    // The engine shows the picture at the new position itself, so the stop follows at once and
    // the GUI thread never waits here.
    MediaError hr = clipGraph_->SetPosition(0);
    if (Failed(hr)) {
        Fail("PlaybackGraph::SetPosition", hr);
    }
    endReported_ = false;
    hr = clipGraph_->Stop();
    if (Failed(hr)) {
        Fail("PlaybackGraph::Stop", hr);
    }
    playState_ = PlayState::Stopped;
    return Succeeded(hr);
}

void VideoGraph::SeekClip(int32_t percent) {
    if (!clipRendered_ || !clipGraph_) {
        return;
    }
    MediaError hr = clipGraph_->Pause();
    if (Failed(hr)) {
        Fail("PlaybackGraph::Pause", hr);
    }
    // Positions are whole percent of the duration; anything outside 0..100 is brought inside,
    // which also keeps the product below from overflowing.
    const int64_t clamped = std::clamp(percent, 0, 100);
    const int64_t target = (stream_.llDuration / 100) * clamped;
    hr = clipGraph_->SetPosition(target);
    if (Failed(hr)) {
        Fail("PlaybackGraph::SetPosition", hr);
    }
    endReported_ = false;
}

int32_t VideoGraph::GetClipPosition(int64_t* position) {
    *position = 0;
    if (!clipRendered_ || !clipGraph_) {
        return 0;
    }
    PlayState state = PlayState::Stopped;
    // Lets a pending state change settle before the position is read.
    const MediaError stateHr = clipGraph_->GetState(kGetStateTimeoutMs, &state);
    if (Failed(stateHr)) {
        Fail("PlaybackGraph::GetState", stateHr);
    }
    int64_t current = 0;
    if (Failed(clipGraph_->GetCurrentPosition(&current))) {
        return 0;
    }
    *position = current;
    // Without a duration there is no percentage.
    if (stream_.llDuration <= 0) {
        return 0;
    }
    int64_t percent;
    if (current > INT64_MAX / 100 || current < INT64_MIN / 100) {
        percent =
            static_cast<int64_t>(static_cast<long double>(current) * 100 / stream_.llDuration);
    } else {
        percent = current * 100 / stream_.llDuration;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(percent, INT32_MIN, INT32_MAX));
}

bool VideoGraph::ClipReachedEnd() {
    if (!clipRendered_ || !clipGraph_) {
        return false;
    }
    if (!clipGraph_->ReachedEnd()) {
        endReported_ = false;
        return false;
    }
    if (endReported_) {
        return false;
    }
    endReported_ = true;
    return true;
}

bool VideoGraph::ToggleMute() {
    if (!hasSound_ || activeGraph_ == nullptr) {
        return false;
    }
    stream_.lvolume = stream_.lvolume == kVolumeSilent ? kVolumeFull : kVolumeSilent;
    const MediaError hr = activeGraph_->PutVolume(stream_.lvolume);
    if (Failed(hr)) {
        Fail("MediaGraph::PutVolume", hr);
    }
    return true;
}

}  // namespace velatrace
