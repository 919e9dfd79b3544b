#pragma once
// The program's one video object: the camera graph (preview and AVI capture), the camera devices,
// the playback graph of a recorded clip and the state the rest of the program reads. The
// application creates one and keeps it for the whole run. Everything here runs on the GUI thread;
// the media engine's own threads reach it only through the graph's mailbox and error values.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "video/FailureTrace.h"
#include "video/MediaEngine.h"
#include "video/PropertyPages.h"
#include "video/StreamSettings.h"
#include "video/VideoSurface.h"

namespace velatrace {

inline constexpr int32_t kMaxVideoDevices = 4;
inline constexpr size_t kDeviceNameSize = 120;  // 119 characters and the terminator
inline constexpr uint32_t kDisplayNameSize = 1024;
inline constexpr size_t kCapturePathSize = 260;

// The grabbed frame's format: the header and one (unused) colour entry.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    uint32_t bmiColors[1] = {};
};

class VideoGraph {
  public:
    explicit VideoGraph(MediaEngine& engine);
    // Destroying it stops every graph without touching the surface (which may be gone already).
    ~VideoGraph() = default;
    VideoGraph(const VideoGraph&) = delete;
    VideoGraph& operator=(const VideoGraph&) = delete;

    // ---- what the rest of the program reads ----
    bool IsCapturing() const { return capturing_; }
    bool IsPreviewing() const { return previewing_; }
    bool IsClipOpen() const { return clipOpen_; }
    // The camera's graph is built (a replay takes it; the next live session builds it again).
    bool HasCameraGraph() const { return cameraGraphBuilt_; }
    // Stopped (also without a clip), paused or playing, as the transport last left the clip.
    PlayState ClipPlayState() const { return playState_; }
    // The camera's size and rate, the replay volume and the open clip's length.
    const StreamSettings& Stream() const { return stream_; }
    // The stream settings stored from the last run (size, rate, volume).
    void LoadStream(const StreamSettings& stored) { stream_ = stored; }
    // The open clip's length in 100-ns units (0 when unknown).
    int64_t ClipDuration() const { return stream_.llDuration; }
    // The AVI naming: folder (with its trailing separator), base name and automatic numbering.
    void SetNaming(const char* folder, const char* base, int32_t autoNumber);
    int32_t CaptureNumber() const { return naming_.number; }
    void SetCaptureNumber(int32_t number) { naming_.number = number; }
    // The friendly names of the enumerated cameras, in order; returns how many.
    int32_t DeviceNames(const char* names[], int32_t capacity) const;
    // Makes the listed camera `index` the one in use and builds its graph (stopped). False when
    // there is no such camera or its graph cannot be built.
    bool SelectDevice(VideoSurface* host, int32_t index);
    uint32_t DisplayNameSize() const { return displayNameSize_; }
    // The frame GrabFrame copied last: its pixels (null when none) and format.
    const uint8_t* GrabbedPixels() const { return grabPixels_.get(); }
    const BitmapInfo& GrabbedFormat() const { return grabFormat_; }
    // Why there is no media engine at all (no camera, no replay), "" when there is one.
    const char* EngineProblem() const { return engine_.Problem(); }
    // The last failed engine call of the latest operation, "" when it went well.
    const char* LastFailure() const { return trace_.Text(); }

    // ---- camera graph ----
    // Runs (true) or stops the graph in use. 1 when there is nothing to do for a stop or no graph
    // to run, 0 when already running, else the engine's result (a sharing failure when the
    // capture file is held by another program).
    MediaError RunGraph(bool run);
    // Lets the capture stream through to the file; `withPretrigger` first writes the frames kept
    // for the pre-trigger. False when there is no camera graph.
    bool StartCapture(bool withPretrigger = false);
    // Seconds of frames the camera graph keeps for captures started with the pre-trigger (0:
    // none); also for graphs built later.
    void SetPretrigger(int32_t seconds);
    // Stops letting it through. False when there is no camera graph.
    bool StopCapture();
    // Finishes the file being written. With `rename` the next file name is prepared: a running
    // graph switches files without stopping (the preview goes on), a stopped one is pointed at
    // the new name. Without `rename` the graph is stopped and stays so. False when there is no graph.
    bool NextCaptureFile(bool rename);
    // Places the picture at the top-left of `host`, as large as fits with its aspect kept.
    void FitVideoWindow(VideoSurface* host);
    // Ends everything; the window is closing.
    void ReleaseVideo();
    // What is left after the engine reported `error`: a recorder failure ends the capture (the
    // preview goes on); a camera failure stops the graph, ending preview and capture; a playback
    // failure changes nothing here (the clip stays open).
    void EndAfterStreamError(const StreamError& error);

    // ---- devices ----
    // Binds the camera of the saved display name, or else the first; `index` gets its slot.
    bool SelectSavedDevice(VideoSurface* host, int32_t* index);
    // Start-up: enumerate and select. `selected` (optional) tells whether a device's graph was
    // built, in which case the caller saves DisplayName and DisplayNameSize.
    bool InitCamera(VideoSurface* host, int32_t* selectedIndex, bool* selected = nullptr);
    // The saved display name, as loaded from the settings (copied, cut to the buffer's size
    // after growing it to `size` bytes when that is larger).
    void LoadDisplayName(const char* name, uint32_t size);
    const char* DisplayName() const { return displayName_ ? displayName_.get() : ""; }

    // ---- camera settings ----
    // The camera's own controls; the graph keeps running.
    void ShowFilterProperties(PropertyPages& pages);
    // The camera's sizes and rates; the graph is rebuilt in the chosen format and run again if it
    // ran. True: the caller saves Stream(). False: the camera refused the chosen format (on the
    // pin, or when building or running in it); `refusal` gets why, and the format before is in
    // force again.
    bool ShowFormatProperties(VideoSurface* host, PropertyPages& pages, MediaError* refusal = nullptr);

    // ---- playback ----
    // Opens a media file in place of the camera graph and plays it. True when built and started;
    // false leaves no clip open and no graph built (the camera's graph is gone either way).
    bool OpenClip(VideoSurface* host, const char* path);
    bool CloseClip();
    bool PlayClip();
    bool PauseClip();
    // Rewinds to the start and stops, when playing or paused.
    bool StopClip();
    // Moves to `percent` of the duration; the graph pauses, the play state is left to the caller.
    void SeekClip(int32_t percent);
    // The position in 100-ns units and as whole percent of the duration (0 when unknown).
    int32_t GetClipPosition(int64_t* position);
    // True once after the clip has played to its end; again only after it was sought (or
    // rewound) and reached the end anew.
    bool ClipReachedEnd();
    // Silent <-> full volume. False when the graph has no volume.
    bool ToggleMute();
    // Copies the frame on screen into GrabbedPixels; the bytes copied, or 0.
    int32_t GrabFrame();

    // ---- for the video pane and status display ----
    // The newest picture of the graph in use (see MediaGraph::TakeLatestFrame).
    bool TakeLatestFrame(VideoFrame* frame);
    // The oldest unread error of the graph in use.
    bool TakeStreamError(StreamError* error);
    // Frames dropped and written by the camera graph since it last ran; 0 and 0 without one.
    void GetCaptureCounts(int64_t* dropped, int64_t* written);

  private:
    // One camera as listed: its display name identifies it. "The camera in use" is a particular
    // entry (compared by address), so a saved name parsed afresh is a different one.
    struct DeviceEntry {
        std::string displayName;
    };
    using DeviceEntryPtr = std::shared_ptr<const DeviceEntry>;

    // The video side's copy of the capture-file naming settings.
    struct CaptureFileNaming {
        char path[kCapturePathSize] = {};      // folder, with its trailing separator
        char filename[kCapturePathSize] = {};  // base name
        int32_t autoNumber = 0;
        int32_t number = 0;
    };

    // Camera graph. 1 when a graph already exists, 0 on success, the creation's failure, or
    // MediaError::Failed (with everything released).
    MediaError CreateCameraGraph();
    void FindCaptureInterfaces();
    // With `apply`, asks the camera for lvw x lvh; reads lrate, lvw, lvh from the format.
    void ApplyStreamFormat(bool apply);
    // Renders capture stream (into the AVI of MakeCaptureFileName) and preview, then attaches
    // the picture to `host`. 0 when built (or already built); MediaError::Failed when it cannot be.
    MediaError BuildCaptureGraph(VideoSurface* host);
    // The capture file's path from the naming fields, cut to 259 characters.
    void MakeCaptureFileName(char* out, size_t outSize) const;
    MediaError AttachVideoWindow(VideoSurface* host);
    // Reads lvw, lvh and lrate from the graph's delivered video and fits the picture to `host`.
    MediaError ReadVideoSize(VideoSurface* host);
    // Removes the streams of the graph in use; keeps the graph objects (see FreeGraphs).
    void TearDownGraph();
    void FreeGraphs();
    // Tells the surface the picture shows on that it shows none any more.
    void DetachSurface();
    // lrate, lvw and lvh from a plain video format.
    void TakeStreamFormat(const StreamFormat& format);

    // Devices.
    bool EnumerateDevices();
    // Makes `device` the camera in use and builds its graph with the capture stream held.
    bool ChooseDevice(VideoSurface* host, const DeviceEntryPtr& device);
    void ReadDisplayName();
    void ResizeDisplayName(uint32_t size);

    // Playback.
    MediaError BuildClipGraph(VideoSurface* host, const char* path);
    void CreateGrabBitmap();
    void ReleaseGrabBitmap();
    // The camera's size and rate back in the stream settings once no clip is open.
    void RestoreCameraMode();

    void Fail(const char* call, MediaError hr) { trace_.Note(call, hr); }

    MediaEngine& engine_;
    StreamSettings stream_;
    StreamSettings cameraMode_;  // the camera's size and rate while a clip has taken stream_
    CaptureFileNaming naming_;
    FailureTrace trace_;

    // Cameras as listed, their friendly names, and the one in use.
    DeviceEntryPtr devices_[kMaxVideoDevices];
    char deviceNames_[kMaxVideoDevices][kDeviceNameSize] = {};
    DeviceEntryPtr cameraInUse_;
    bool deviceReady_ = false;  // the camera in use has its graph built and its capture held
    std::unique_ptr<char[]> displayName_;  // display name of the camera in use (growable)
    uint32_t displayNameSize_ = 0;

    std::unique_ptr<CaptureGraph> cameraGraph_;
    std::unique_ptr<PlaybackGraph> clipGraph_;
    MediaGraph* activeGraph_ = nullptr;  // *cameraGraph_ or *clipGraph_

    bool cameraBound_ = false;         // a camera is bound into cameraGraph_
    bool offersCompression_ = false;   // the camera's capture stream can be compressed by it
    bool offersStreamConfig_ = false;  // the camera's size and rate can be read and set
    bool outputNamed_ = false;         // the AVI file is named, so the capture stream can render
    bool cameraGraphBuilt_ = false;    // capture and preview streams rendered
    bool clipGraphBuilt_ = false;      // the clip's file rendered and its picture attached
    bool clipRendered_ = false;        // the clip graph can be run, paused, stopped and positioned
    bool showsPicture_ = false;        // the graph in use shows a picture in the surface
    bool hasSound_ = false;            // the graph in use has a volume
    VideoSurface* attachedSurface_ = nullptr;  // where the picture shows, while it does

    int32_t pretriggerSec_ = 0;
    bool keepsPretrigger_ = false;  // the camera graph keeps the pre-trigger's frames
    bool previewing_ = false;
    bool capturing_ = false;
    bool clipOpen_ = false;
    PlayState playState_ = PlayState::Stopped;
    bool endReported_ = false;  // ClipReachedEnd already answered true for this end

    std::unique_ptr<uint8_t[]> grabPixels_;  // the grabbed frame; null when none
    size_t grabCapacity_ = 0;                // bytes of grabPixels_
    BitmapInfo grabFormat_;
};

}  // namespace velatrace
