#pragma once
// An opened camera: its modes and controls, its frames for the preview and its recorder. Made by
// MediaEngine::OpenCamera. Called on the GUI thread only; a camera thread of the engine reads the
// device while it runs. Destroying it stops it first (threads joined, a file being recorded
// finished and closed); no frame, error or wake comes from it afterwards.
#include <cstdint>
#include <vector>

#include "video/MediaTypes.h"
#include "video/Recorder.h"

namespace velatrace {

class Camera {
  public:
    virtual ~Camera() = default;

    // Every size and rate the camera offers, for the Format dialog.
    virtual MediaError Modes(std::vector<VideoMode>* modes) = 0;
    // The mode asked for while stopped; what the device really delivers once started.
    virtual VideoMode Mode() const = 0;
    // Asks for this size and frame time (0 keeps the current rate); the device may pick the
    // nearest it offers. Only while stopped: NotReady while running.
    virtual MediaError SetMode(const VideoMode& mode) = 0;
    // The adjustable controls with their current values, for the Filter dialog.
    virtual MediaError Controls(std::vector<DeviceControl>* controls) = 0;
    // Sets one control; takes effect at once, also while running. InvalidArgument for an unknown
    // id.
    virtual MediaError SetControl(uint32_t id, int32_t value) = 0;

    // Opens the device and starts delivering frames (and recording them, when the recorder lets
    // them through). FileInUse, with nothing running, when the recorder's file cannot be
    // written. Starting a running camera does nothing, unless it was lost: then it starts afresh.
    virtual MediaError Start() = 0;
    // Stops delivering and returns when the camera thread is idle; the file being recorded is
    // complete (index written, file closed) when it returns.
    virtual void Stop() = 0;

    // Takes the newest picture not taken yet: swaps it into *frame (the buffer *frame held goes
    // back to the engine for reuse) and returns true; false and *frame untouched when there is
    // nothing new.
    virtual bool TakeLatestFrame(VideoFrame* frame) = 0;
    // The oldest error from an engine thread not yet fetched; false when there is none.
    virtual bool TakeStreamError(StreamError* error) = 0;

    // The recorder fed by this camera.
    virtual Recorder& Recording() = 0;
};

}  // namespace velatrace
