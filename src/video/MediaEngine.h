#pragma once
// The media engine port: lists the cameras and opens a camera or a clip. An engine (FFmpeg in the
// program, a hand-written fake in tests) does the media work; the core's VideoGraph decides what
// is done and in which order.
//
// Threading. Every method of the engine and of what it makes is called on the GUI thread only.
// An engine may run threads of its own (camera reader, encoder, decoder, clock); those threads
// never call into the core. They hand over news as values the GUI thread fetches when it likes:
// the newest picture, stream errors and the end of a clip. After putting news they call the wake
// callback, which must only wake the GUI thread (the Qt layer turns it into a queued call).
//
// Results. Calls that can fail return a MediaError (MediaError.h). A failure leaves the object
// usable and as it was, unless the method says otherwise. Nothing throws.
//
// Text. Paths and names are UTF-8. The engine copies what it keeps; pointers passed in need only
// live for the call. Paths are taken whole: none is ever cut to fit.
#include <functional>
#include <memory>
#include <vector>

#include "video/Camera.h"
#include "video/ClipPlayer.h"
#include "video/ExportJob.h"
#include "video/MediaTypes.h"

namespace velatrace {

using WakeCallback = std::function<void()>;

class MediaEngine {
  public:
    virtual ~MediaEngine() = default;

    // Sets the function engine threads call after they have put a frame, an error or the end of a
    // clip. It is called on an engine thread and must only wake the GUI thread. Set it before
    // opening anything; passing an empty function stops the calls (returns once none is running).
    virtual void SetWakeCallback(WakeCallback wake) = 0;
    // The cameras in the system's order; an empty list when there are none.
    virtual MediaError ListCameras(std::vector<CameraInfo>* cameras) = 0;
    // Opens the camera with this display name, stopped, in its current mode. NotFound or
    // DeviceGone when it is missing or cannot be opened.
    virtual MediaError OpenCamera(const char* displayName, std::unique_ptr<Camera>* camera) = 0;
    // Opens and prepares a media file (avi, mpg, mov, wmv and whatever else the engine reads),
    // paused at its start. NotFound, Unsupported or CannotPlay on failure.
    virtual MediaError OpenClip(const char* path, std::unique_ptr<ClipPlayer>* clip) = 0;
    // Starts copying a span of a clip into a new file of its kind, frames as they are (not coded
    // again). NotOffered by an engine that cannot export.
    virtual MediaError StartSpanCopy(const ExportSpan& /*span*/,
                                     std::unique_ptr<ExportJob>* /*job*/) {
        return MediaError::NotOffered;
    }
    // Starts coding a span of a clip into an H.264 MP4 of composed pictures.
    virtual MediaError StartShareVideo(const ExportSpan& /*span*/,
                                       const ShareVideoFormat& /*format*/,
                                       std::unique_ptr<ExportJob>* /*job*/) {
        return MediaError::NotOffered;
    }
    // Why the engine cannot be had at all (no cameras, no replay), for the user; "" when it can.
    virtual const char* Problem() const { return ""; }
};

}  // namespace velatrace
