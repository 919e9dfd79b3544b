// The clip being replayed: open and close, the transport, position and seeking by time, the
// clip's end, mute, and the grab of the picture on screen.
#include <climits>

#include "video/VideoGraph.h"

namespace velatrace {

bool VideoGraph::OpenClip(VideoSurface* host, const char* path) {
    CloseClip();
    CloseCamera();
    // The clip's size and rate take the camera's place only while it is open: the camera's are
    // what it is asked for when it is opened again.
    cameraMode_ = stream_;
    stream_.lvw = 0;
    stream_.lvh = 0;
    // A failure is traced where it happened, under the engine call's own name.
    trace_.Clear();
    std::unique_ptr<ClipPlayer> clip;
    MediaError error = engine_.OpenClip(path != nullptr ? path : "", &clip);
    if (Succeeded(error) && !clip) {
        error = MediaError::MissingObject;
    }
    if (Failed(error)) {
        // A clip that failed to open is not open: the next Preview, Format or capture finds the
        // video as if the open had never been tried.
        Fail("MediaEngine::OpenClip", error);
        RestoreCameraMode();
        return false;
    }
    clip_ = std::move(clip);
    const ClipInfo info = clip_->Info();
    if (info.hasAudio) {
        const MediaError volume = clip_->SetVolume(stream_.lvolume);
        if (Failed(volume)) {
            Fail("ClipPlayer::SetVolume", volume);
        }
    }
    // A file without a video stream opens as audio only: no picture, nothing to grab.
    stream_.fAudioOnly = info.hasVideo ? 0 : 1;
    if (info.hasVideo) {
        stream_.lvw = info.width;
        stream_.lvh = info.height;
        if (info.frameTime.count() > 0 && 1000000 / info.frameTime.count() < INT32_MAX) {
            stream_.lrate = static_cast<int32_t>(1000000 / info.frameTime.count());
        }
        AttachVideoWindow(host);
    }
    clipLength_ = info.seekable ? info.duration : MediaTime{0};
    // The stored record keeps the length in its own units (100 ns), within what they hold.
    stream_.llDuration =
        clipLength_.count() > INT64_MAX / 10 ? INT64_MAX : clipLength_.count() * 10;
    error = clip_->Play();
    if (Failed(error)) {
        Fail("ClipPlayer::Play", error);
    }
    return true;
}

void VideoGraph::CloseClip() {
    if (!clip_) {
        return;
    }
    DetachSurface();
    clip_.reset();
    grab_ = StillImage{};
    RestoreCameraMode();
}

void VideoGraph::RestoreCameraMode() {
    stream_.lvw = cameraMode_.lvw;
    stream_.lvh = cameraMode_.lvh;
    stream_.lrate = cameraMode_.lrate;
    stream_.fAudioOnly = 1;
    stream_.llDuration = 0;
    clipLength_ = MediaTime{0};
}

const StillImage* VideoGraph::GrabFrame() {
    if (!clip_) {
        return nullptr;
    }
    trace_.Clear();
    const MediaError error = clip_->Grab(&grab_);
    if (Failed(error)) {
        Fail("ClipPlayer::Grab", error);
        return nullptr;
    }
    return grab_.rows.empty() ? nullptr : &grab_;
}

bool VideoGraph::PlayClip() {
    if (!clip_) {
        return false;
    }
    const MediaError error = clip_->Play();
    if (Failed(error)) {
        Fail("ClipPlayer::Play", error);
        return false;
    }
    return true;
}

bool VideoGraph::PauseClip() {
    if (!clip_) {
        return false;
    }
    const MediaError error = clip_->Pause();
    if (Failed(error)) {
        Fail("ClipPlayer::Pause", error);
        return false;
    }
    return true;
}

void VideoGraph::RewindClip() {
    if (!clip_) {
        return;
    }
    // The engine shows the picture at the new position itself, so the GUI thread never waits.
    SeekClip(MediaTime{0});
}

void VideoGraph::SeekClip(MediaTime position) {
    if (!clip_) {
        return;
    }
    MediaError error = clip_->Pause();
    if (Failed(error)) {
        Fail("ClipPlayer::Pause", error);
    }
    const MediaTime target = position < MediaTime{0}                             ? MediaTime{0}
                             : clipLength_.count() > 0 && position > clipLength_ ? clipLength_
                                                                                 : position;
    error = clip_->Seek(target);
    if (Failed(error)) {
        Fail("ClipPlayer::Seek", error);
    }
}

MediaTime VideoGraph::ClipPosition() {
    return clip_ ? clip_->Position() : MediaTime{0};
}

bool VideoGraph::ClipReachedEnd() const {
    return clip_ != nullptr && clip_->ReachedEnd();
}

bool VideoGraph::ToggleMute() {
    if (!clip_ || !clip_->Info().hasAudio) {
        return false;
    }
    stream_.lvolume = stream_.lvolume == kVolumeSilent ? kVolumeFull : kVolumeSilent;
    const MediaError error = clip_->SetVolume(stream_.lvolume);
    if (Failed(error)) {
        Fail("ClipPlayer::SetVolume", error);
    }
    return true;
}

}  // namespace velatrace
