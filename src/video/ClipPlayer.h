#pragma once
// A recorded clip being replayed: its picture for the pane and for stills, its sound to the
// machine's output. Made by MediaEngine::OpenClip, paused at the start. Called on the GUI thread
// only; decoder threads of the engine run while it plays. Destroying it stops it first.
#include <cstdint>

#include "video/MediaTypes.h"

namespace velatrace {

// What the opened file holds.
struct ClipInfo {
    bool hasVideo = false;
    bool hasAudio = false;
    bool seekable = false;  // it can be moved to any position and knows its duration
    int32_t width = 0;
    int32_t height = 0;
    MediaTime frameTime{0};  // 0 when the rate is unknown
    MediaTime duration{0};   // 0 when unknown
};

class ClipPlayer {
  public:
    virtual ~ClipPlayer() = default;

    virtual ClipInfo Info() const = 0;
    // Plays from the current position.
    virtual MediaError Play() = 0;
    // Holds the picture on screen.
    virtual MediaError Pause() = 0;
    // Moves to a position (clamped to 0..duration); the picture there is shown also while
    // paused. Clears ReachedEnd.
    virtual MediaError Seek(MediaTime position) = 0;
    // The position; at the end, the duration.
    virtual MediaTime Position() = 0;
    // True once playback has reached the end of the file, until the next Seek.
    virtual bool ReachedEnd() const = 0;
    // Sound level in hundredths of a decibel, -10000 (silent) .. 0 (full). NotOffered without
    // sound.
    virtual MediaError SetVolume(int32_t volume) = 0;
    // Copies the picture most recently shown. NotReady when none was shown yet, NotConnected when
    // the file has no video.
    virtual MediaError Grab(StillImage* still) = 0;

    // As Camera: the newest picture, and errors of the decoder threads.
    virtual bool TakeLatestFrame(VideoFrame* frame) = 0;
    virtual bool TakeStreamError(StreamError* error) = 0;
};

}  // namespace velatrace
