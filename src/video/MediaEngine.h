#pragma once
// The media engine port: cameras, the camera graph (preview + AVI capture) and the playback graph.
// The core's VideoGraph decides what is done and in which order; an engine (FFmpeg in the program,
// a hand-written fake in tests) does the media work.
//
// Threading. Every method here is called on the GUI thread only, except where a comment says
// otherwise. An engine may run threads of its own (camera reader, encoder, decoder, clock); those
// threads never call into the core. They hand over three kinds of news, each as a value the GUI
// thread fetches when it likes: the newest picture (TakeLatestFrame), stream errors
// (TakeStreamError) and the end of a clip (ReachedEnd). After putting news they call the wake
// callback, which must only wake the GUI thread (the Qt layer turns it into a queued call).
//
// Results. Calls that can fail return a MediaError (MediaError.h): None on success, a failure
// kind otherwise. A failure leaves the object usable and as it was, unless
// the method says otherwise. Nothing throws.
//
// Text. Paths and names are 8-bit strings in the platform's narrow encoding (UTF-8 on Linux, the
// system code page on Windows, where the engine converts them for its own calls). The engine
// copies what it keeps; pointers passed in need only live for the call.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "video/MediaError.h"

namespace velatrace {

// ---- Devices ----------------------------------------------------------------------------------

struct DeviceInfo {
    std::string friendlyName;  // what the user sees, e.g. "HD Webcam C270"
    std::string displayName;   // stable identity of the device across runs (saved in settings)
    // Result of reading the device's names; a failed read still takes the device's place in the
    // list, with both names empty.
    MediaError nameResult = MediaError::None;
};

// One size and rate a camera offers.
struct VideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    int64_t avgTimePerFrame = 0;  // 100-ns units (333333 is 30 frames per second)
    std::string pixelFormat;      // the device's own name for its encoding, e.g. "MJPG", "YUYV"
};

enum class ControlKind : int32_t { Integer = 0, Boolean = 1, Menu = 2 };

struct ControlMenuItem {
    int32_t value = 0;
    std::string name;
};

// An adjustable camera setting (brightness, contrast, focus, power line frequency...).
struct DeviceControl {
    uint32_t id = 0;  // the engine's identity of the control, passed back to SetControl
    std::string name;
    ControlKind kind = ControlKind::Integer;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    int32_t value = 0;                       // current value
    std::vector<ControlMenuItem> menuItems;  // for ControlKind::Menu: the values allowed
};

// ---- Formats and frames -----------------------------------------------------------------------

enum class FormatType : int32_t {
    VideoInfo = 0,  // a plain video format: the fields of StreamFormat are meaningful
    Other = 1,      // a format the program cannot read (its fields are left 0)
};

// The capture pin's current stream format.
struct StreamFormat {
    FormatType formatType = FormatType::VideoInfo;
    int32_t width = 0;
    int32_t height = 0;           // negative for a top-down format
    int32_t bitCount = 0;         // bits per pixel of the device's encoding
    int32_t imageSize = 0;        // bytes of one frame
    int64_t avgTimePerFrame = 0;  // 100-ns units; 0 when the device names no rate
};

// A bitmap header with the layout and meaning of the Windows BITMAPINFOHEADER (40 bytes).
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // positive: rows stored bottom-up; negative: top-down
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;  // 0 = uncompressed RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// Bytes of one stored bitmap row: width x bits per pixel rounded up to whole bytes and then to a
// multiple of 4; a bit count of 0 counts as 1.
inline int64_t DibRowBytes(int32_t width, int32_t bitCount) {
    const int64_t bits = static_cast<int64_t>(width) * (bitCount == 0 ? 1 : bitCount);
    return (bits + 31) / 32 * 4;
}

// A picture for the video pane: 32 bits per pixel with bytes B, G, R, X in memory (the layout of
// QImage::Format_RGB32 on little-endian machines), rows top-down, `stride` bytes apart.
struct VideoFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    int64_t timestamp = 0;  // 100-ns units: stream time of the picture
    uint64_t sequence = 0;  // counts up by one per frame a graph puts
    std::vector<uint8_t> pixels;
};

// Which part of a graph an engine-thread error stopped.
enum class StreamErrorSource : int32_t {
    Camera = 0,    // the camera stopped delivering: preview and capture have ended
    Recorder = 1,  // the AVI could not be written: that file is finished up to its last good
                   // frame and nothing more is written to it; the preview goes on
    Playback = 2,  // the clip could not be read on
};

// An error that happened on an engine thread (camera unplugged, disk full while writing...).
struct StreamError {
    MediaError error = MediaError::None;
    StreamErrorSource source = StreamErrorSource::Camera;
    // What failed, with the file name and the system's own reason where there is one, e.g.
    // "Cannot write /data/run_03.avi: No space left on device". NUL-terminated.
    char text[256] = {};
};

// ---- Graphs -----------------------------------------------------------------------------------

// What both graphs share. Destroying a graph stops it first (threads joined, an AVI being written
// finished and closed); no frame, error or wake call comes from it afterwards.
class MediaGraph {
  public:
    virtual ~MediaGraph() = default;

    // Starts streaming. Fails without running anything; see the graph's own notes.
    virtual MediaError Run() = 0;
    // Stops streaming and returns when the engine threads are idle. Stopping a stopped graph is 0.
    virtual MediaError Stop() = 0;

    // True when the graph shows a picture (a camera graph after its preview stream is rendered,
    // a playback graph of a file with a video stream).
    virtual bool HasVideo() const = 0;
    // True when the graph plays sound, so PutVolume has an effect.
    virtual bool HasAudio() const = 0;

    // The picture size the graph really delivers. MediaError::NotOffered when it has no video.
    virtual MediaError GetVideoSize(int32_t* width, int32_t* height) = 0;
    // Seconds per frame of the delivered video (1/30.0 for 30 frames per second); 0.0 when the
    // rate is unknown. MediaError::NotOffered when there is no video.
    virtual MediaError GetAvgTimePerFrame(double* seconds) = 0;
    // Sound level in hundredths of a decibel, -10000 (silent) .. 0 (full). MediaError::NotOffered when
    // the graph has no sound.
    virtual MediaError PutVolume(int32_t volume) = 0;

    // The latest-frame mailbox. Engine threads put pictures; the GUI thread takes the newest.
    // Takes the newest picture not taken yet: swaps it into *frame (the buffer *frame held goes
    // back to the engine for reuse) and returns true; false and *frame untouched when there is
    // nothing new. Older pictures never taken are simply dropped.
    virtual bool TakeLatestFrame(VideoFrame* frame) = 0;
    // The oldest error from an engine thread not yet fetched; false when there is none.
    virtual bool TakeStreamError(StreamError* error) = 0;
};

enum class PinCategory : int32_t { Capture = 0, Preview = 1 };
// The kind of stream asked of the camera: interleaved (DV: picture and sound in one) or video.
enum class StreamKind : int32_t { Interleaved = 0, Video = 1 };
enum class CaptureInterface : int32_t { Compression = 0, StreamConfig = 1 };
// What the capture stream into the AVI file does while the graph runs.
enum class CaptureControl : int32_t {
    Hold = 0,      // let nothing through until StartNow (the state after building)
    StartNow = 1,  // write every frame from now on, into the file last named
    StopNow = 2,   // write nothing from now on; the file stays open until the graph stops
    // As StartNow, but the frames kept for the pre-roll (SetPreroll) go into the file first, so
    // it begins that many seconds earlier (or as far back as the graph has run).
    StartWithPreroll = 3,
};

// The camera graph: one bound device, a capture stream into an AVI file and a preview stream into
// the latest-frame mailbox. Created empty by MediaEngine::CreateCaptureGraph.
class CaptureGraph : public MediaGraph {
  public:
    // Binds the camera with this display name into the graph. Fails (graph unchanged) when the
    // device is missing or cannot be opened. Called once per graph.
    virtual MediaError BindDevice(const char* displayName) = 0;

    // Whether the bound camera's capture pin offers an interface for this kind of stream: 0 when
    // it does, MediaError::NotOffered when not.
    virtual MediaError FindInterface(StreamKind kind, CaptureInterface which) = 0;
    // The format the capture pin will deliver. MediaError::NotOffered without a stream configuration.
    virtual MediaError GetFormat(StreamFormat* format) = 0;
    // Asks the pin for this size and frame time (a frame time of 0 keeps the current rate); the
    // device may pick the nearest it supports, which GetVideoSize then reports once rendered.
    // Only while the streams are not rendered (after building, before RenderStream; or after
    // TearDown). MediaError::NotReady otherwise.
    virtual MediaError SetFormat(const StreamFormat& format) = 0;
    // Every size and rate the camera offers, for the Format dialog.
    virtual MediaError EnumFormats(std::vector<VideoFormat>* formats) = 0;
    // The camera's adjustable controls with their current values, for the Filter dialog.
    virtual MediaError ReadControls(std::vector<DeviceControl>* controls) = 0;
    // Sets one control; takes effect at once, also while running. MediaError::InvalidArgument for an unknown id.
    virtual MediaError SetControl(uint32_t id, int32_t value) = 0;

    // Names the AVI file the capture stream writes (Motion-JPEG video). Also used to point a built
    // graph at the next file while it is stopped; the name takes effect at the next Run.
    virtual MediaError SetOutputFileName(const char* path) = 0;
    // While the graph runs: finishes the AVI being written (index written, file closed) and goes
    // on writing the frames let through into `path`, without stopping the camera or the preview
    // and without losing or repeating a frame between the two files. While stopped it is
    // SetOutputFileName. MediaError::FileInUse when the new file cannot be created: the old file is
    // finished all the same and the capture stream holds. Returns at once; the old file is
    // finished on an engine thread just after (Stop waits for it).
    virtual MediaError SwitchOutputFile(const char* path) = 0;
    // Connects one stream. Capture: into the AVI writer (needs SetOutputFileName first; else
    // MediaError::NotConnected). Preview: into the latest-frame mailbox; MediaError::NoOwnPreview (a success) when the
    // camera has no preview stream of its own and the preview is split off the capture stream.
    // MediaError::NotOffered when the camera has no stream of `kind`.
    virtual MediaError RenderStream(PinCategory category, StreamKind kind) = 0;
    // Removes both rendered streams (and the AVI writer), keeping the bound device, so the format
    // can be changed and the streams rendered again. Stops the graph first if it runs.
    virtual void TearDown() = 0;
    // Holds, starts or stops the capture stream; legal whether the graph runs or not. Its
    // setting stays in force across Stop/Run. MediaError::NotConnected when the capture stream is not
    // rendered.
    virtual MediaError ControlStream(CaptureControl control) = 0;
    // While the capture stream holds, keeps the frames of the last `seconds` encoded in memory
    // (at most `maxBytes`; the oldest go first) for ControlStream(StartWithPreroll). 0 keeps
    // none and frees what was kept. Legal whether the graph runs or not; stays in force across
    // Stop/Run, and what is kept starts afresh with each Run. A graph that cannot keep frames
    // answers MediaError::NotOffered and is never asked to start with them.
    virtual MediaError SetPreroll(int32_t /*seconds*/, int64_t /*maxBytes*/) { return MediaError::NotOffered; }

    // Run: opens the camera and starts preview (and, when let through, capture). The AVI file of
    // the last SetOutputFileName is created (replacing an old one) no later than the first frame
    // let through; when it cannot be opened for writing Run fails with MediaError::FileInUse and
    // nothing runs. Stop: the AVI file is complete (index written, file closed) when it returns,
    // so the next SetOutputFileName + Run starts a fresh file.

    // Frames dropped and frames written to the AVI since the graph last started running.
    virtual void GetCaptureCounts(int64_t* dropped, int64_t* written) = 0;
};

enum class PlayState : int32_t { Stopped = 0, Paused = 1, Running = 2 };

// The playback graph: one media file, its video converted to 24-bit RGB for grabbing and to
// VideoFrame for the pane, its sound to the audio output. Created empty by
// MediaEngine::CreatePlaybackGraph. Run plays from the current position, Pause holds the picture,
// Stop halts (the position stays; rewinding is SetPosition(0)).

class PlaybackGraph : public MediaGraph {
  public:
    // Opens and prepares the file (avi, mpg, mpeg, mov, wmv and whatever else the engine reads).
    // MediaError::NotFound, MediaError::Unsupported or MediaError::CannotPlay on failure. Called once per graph.
    virtual MediaError RenderFile(const char* path) = 0;
    virtual MediaError Pause() = 0;
    // The state the graph is in, waiting up to `timeoutMs` for a pending change to settle;
    // MediaError::StillChanging (a success) when still changing.
    virtual MediaError GetState(uint32_t timeoutMs, PlayState* state) = 0;

    // True when the file can seek to absolute positions and report its duration.
    virtual bool IsSeekable() const = 0;
    // 100-ns units.
    virtual MediaError GetDuration(int64_t* duration) = 0;
    virtual MediaError GetCurrentPosition(int64_t* position) = 0;
    // Moves to an absolute position (clamped to 0..duration); the picture there is shown also
    // while paused. Clears ReachedEnd.
    virtual MediaError SetPosition(int64_t position) = 0;
    // True once playback has reached the end of the file, until the next SetPosition. At the end
    // GetCurrentPosition reports the duration.
    virtual bool ReachedEnd() const = 0;

    // The grabbed-frame format: 24 bits per pixel, the video's width and height, rows padded to a
    // multiple of 4 bytes, row order by the sign of biHeight; `sampleSize` = bytes of one frame.
    // MediaError::NotConnected when the file has no video.
    virtual MediaError GetGrabFormat(BitmapInfoHeader* header, int32_t* sampleSize) = 0;
    // Copies the frame most recently shown into `buffer`, laid out as GetGrabFormat says.
    // *size holds the buffer's size on entry and the bytes copied on return. MediaError::NotReady when
    // no frame was shown yet, MediaError::OutOfMemory when the buffer is too small (nothing copied).
    virtual MediaError GetCurrentBuffer(int32_t* size, uint8_t* buffer) = 0;
};

// ---- The engine -------------------------------------------------------------------------------

using WakeCallback = std::function<void()>;

class MediaEngine {
  public:
    virtual ~MediaEngine() = default;

    // Sets the function engine threads call after they have put a frame, an error or the end of a
    // clip. It is called on an engine thread and must only wake the GUI thread. Set it before
    // creating graphs; passing an empty function stops the calls (returns once none is running).
    virtual void SetWakeCallback(WakeCallback wake) = 0;

    // The video input devices in the system's order. MediaError::Nothing with an empty list when there are
    // none; a failure leaves the list empty.
    virtual MediaError EnumerateDevices(std::vector<DeviceInfo>* devices) = 0;

    // A new, empty camera graph (no device bound), owned by the caller.
    virtual MediaError CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) = 0;
    // A new, empty playback graph (no file), owned by the caller.
    virtual MediaError CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) = 0;
    // Why the engine cannot be had at all (no cameras, no replay), for the user; "" when it can.
    virtual const char* Problem() const { return ""; }
};

}  // namespace velatrace
