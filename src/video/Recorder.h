#pragma once
// The recorder of a camera: writes the camera's frames into a Motion-JPEG AVI file. Called on
// the GUI thread only; its encoder runs on an engine thread of its own.
#include <cstdint>

#include "video/MediaError.h"

namespace velatrace {

class Recorder {
  public:
    virtual ~Recorder() = default;

    // The file the recording writes. While the camera is stopped the name takes effect at its
    // next Start (which then checks the file can be written). While it runs, the file being
    // written is finished (index written, file closed) and the frames let through go on into
    // `path` without a frame lost or repeated between the two; FileInUse when the new file
    // cannot be created (the old one is finished all the same and the recorder holds).
    virtual MediaError SetFile(const char* path) = 0;
    // Lets every frame from now on into the file. `withPretrigger`: the frames kept (see
    // KeepPretrigger) go in first, so the file begins that many seconds earlier. NotConnected
    // while no file is named.
    virtual MediaError Start(bool withPretrigger) = 0;
    // Lets nothing more through; the file stays open until the next SetFile or the camera stops.
    virtual void Stop() = 0;
    // While nothing is let through, keeps the frames of the last `seconds` encoded in memory (at
    // most `maxBytes`; the oldest go first). 0 keeps none. Stays in force across camera runs.
    // NotOffered when the recorder cannot keep frames.
    virtual MediaError KeepPretrigger(int32_t seconds, int64_t maxBytes) = 0;
    // Frames dropped and frames written since the camera last started.
    virtual void Counts(int64_t* dropped, int64_t* written) const = 0;
};

}  // namespace velatrace
