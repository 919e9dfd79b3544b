#pragma once
// Exports of a span of a clip, made by the media engine on a worker thread of their own: a copy of
// the span's frames into a new file of the clip's kind, or an H.264 MP4 of the span with every
// picture composed by the caller (the curves and values drawn under and over it). The GUI thread
// starts a job, polls its progress, may cancel it, and reads its result once it is done.
//
// Files. A job writes to a temporary name beside the target and renames it to the target only
// when everything was written; a job that fails or is cancelled removes what it wrote, so no
// partial file is ever left at the target or beside it.
#include <cstdint>
#include <functional>
#include <string>

#include "video/MediaTypes.h"

namespace velatrace {

// The span of a clip to export: frames from the one shown at `in` (the key frame at or before it
// when the clip is copied) up to, not including, `out`.
struct ExportSpan {
    std::string source;  // the clip
    std::string target;  // the file to make
    MediaTime in{0};
    MediaTime out{0};
};

// Draws one picture of the shared video: `picture` is the clip's frame at `at` (clip time); the
// composer fills `canvas` (already sized, 32 bits per pixel as VideoFrame says). Called on the
// export's worker thread only, so it must use nothing the GUI thread changes.
using ExportComposer =
    std::function<void(const VideoFrame& picture, MediaTime at, VideoFrame* canvas)>;

struct ShareVideoFormat {
    int32_t width = 0;  // of the canvas; rounded down to even numbers for the encoder
    int32_t height = 0;
    ExportComposer compose;
};

// What a finished job did.
struct ExportResult {
    MediaError error = MediaError::None;  // None when the file is at its target
    bool cancelled = false;
    int64_t frames = 0;    // frames written
    MediaTime firstAt{0};  // clip time of the first frame written (the new file's time 0)
    std::string text;      // what failed, with the system's reason; empty on success
};

class ExportJob {
  public:
    // Cancels and waits for the worker; the temporary file is gone when it returns.
    virtual ~ExportJob() = default;
    // Thousandths of the span done, 0..1000. Any thread.
    virtual int32_t Progress() const = 0;
    // Asks the worker to stop; it removes what it wrote. Any thread.
    virtual void Cancel() = 0;
    // True once the worker has ended and Result may be read.
    virtual bool Done() const = 0;
    virtual const ExportResult& Result() const = 0;
};

}  // namespace velatrace
