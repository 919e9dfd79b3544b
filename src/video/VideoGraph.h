#pragma once
// The program's one video object: the camera in use (preview and AVI recording), the camera
// devices, the clip being replayed and the video settings the rest of the program reads. The
// application creates one and keeps it for the whole run. Everything here runs on the GUI thread;
// the media engine's own threads reach it only through the camera's and clip's news values.
//
// It keeps only facts about its own pipelines (a camera opened, a clip opened, what they can do).
// Whether the preview is on, a capture is being written or a clip plays is the sessions' to know:
// the calls here do what they are asked and say how it went.
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

class VideoGraph {
  public:
    explicit VideoGraph(MediaEngine& engine);
    // Destroying it stops every pipeline without touching the surface (which may be gone already).
    ~VideoGraph() = default;
    VideoGraph(const VideoGraph&) = delete;
    VideoGraph& operator=(const VideoGraph&) = delete;

    // ---- what the rest of the program reads ----
    // The camera in use is opened (a replay takes it; the next live session opens it again).
    bool HasCamera() const { return camera_ != nullptr; }
    // The camera's size and rate, the replay volume and the open clip's length.
    const StreamSettings& Stream() const { return stream_; }
    // The stream settings stored from the last run (size, rate, volume).
    void LoadStream(const StreamSettings& stored) { stream_ = stored; }
    // The open clip's length (0 when unknown or no clip).
    MediaTime ClipLength() const { return clipLength_; }
    // The AVI naming: folder (with its trailing separator), base name and automatic numbering.
    void SetNaming(const char* folder, const char* base, int32_t autoNumber);
    int32_t CaptureNumber() const { return naming_.number; }
    void SetCaptureNumber(int32_t number) { naming_.number = number; }
    // The friendly names of the enumerated cameras, in order; returns how many.
    int32_t DeviceNames(const char* names[], int32_t capacity) const;
    // Makes the listed camera `index` the one in use and opens it (stopped). False when there is
    // no such camera or it cannot be opened.
    bool SelectDevice(VideoSurface* host, int32_t index);
    uint32_t DisplayNameSize() const { return displayNameSize_; }
    // Why there is no media engine at all (no camera, no replay), "" when there is one.
    const char* EngineProblem() const { return engine_.Problem(); }
    // The last failed engine call of the latest operation, "" when it went well.
    const char* LastFailure() const { return trace_.Text(); }

    // ---- camera ----
    // Starts the camera in use: None when it delivers, Nothing when there is no camera, else the
    // engine's failure (FileInUse when the capture file is held by another program). Starting
    // never records: the recorder holds first.
    MediaError StartCamera();
    void StopCamera();
    // Lets the camera's frames into the capture file; `withPretrigger` first writes the frames
    // kept for the pre-trigger. False when there is no camera; true also when the recorder
    // refused or has no file (traced), so the capture that asked for it ends as one.
    bool StartRecording(bool withPretrigger = false);
    // Seconds of frames the camera keeps for captures started with the pre-trigger (0: none);
    // also for cameras opened later.
    void SetPretrigger(int32_t seconds);
    // Lets nothing more into the file. False when there is no camera.
    bool StopRecording();
    // Finishes the file being written. With `rename` the camera goes on into the next file name
    // (a running camera without a pause). Without it the camera stops. False without a camera.
    bool NextCaptureFile(bool rename);
    // Places the picture at the top-left of `host`, as large as fits with its aspect kept.
    void FitVideoWindow(VideoSurface* host);
    // Ends everything; the window is closing.
    void ReleaseVideo();
    // What is left after the engine reported `error`: a recorder failure holds the recorder (the
    // preview goes on); a camera failure stops the camera; a playback failure changes nothing
    // here (the clip stays open).
    void EndAfterStreamError(const StreamError& error);

    // ---- devices ----
    // Opens the camera of the saved display name, or else the first; `index` gets its slot.
    bool SelectSavedDevice(VideoSurface* host, int32_t* index);
    // Start-up: enumerate and select. `selected` (optional) tells whether a camera was opened,
    // in which case the caller saves DisplayName and DisplayNameSize.
    bool InitCamera(VideoSurface* host, int32_t* selectedIndex, bool* selected = nullptr);
    // The saved display name, as loaded from the settings (copied whole; the buffer grows to
    // `size` bytes when that is larger).
    void LoadDisplayName(const char* name, uint32_t size);
    const char* DisplayName() const { return displayName_ ? displayName_.get() : ""; }

    // ---- camera settings ----
    // The camera's own controls; the camera keeps running.
    void ShowFilterProperties(PropertyPages& pages);
    // The camera's sizes and rates; the camera is stopped, set to the chosen mode and, when
    // *running says it ran, started again; *running then says whether it runs. True: the caller
    // saves Stream(). False: the camera refused the chosen mode (when set, or when starting in
    // it); `refusal` gets why, and the mode before is in force again.
    bool ShowFormatProperties(VideoSurface* host, PropertyPages& pages, bool* running,
                              MediaError* refusal = nullptr);

    // ---- clip ----
    // Opens a media file in place of the camera and plays it. True when opened and started;
    // false leaves no clip (the camera is closed either way).
    bool OpenClip(VideoSurface* host, const char* path);
    void CloseClip();
    bool PlayClip();
    bool PauseClip();
    // Back to the start, paused.
    void RewindClip();
    // Moves to a time of the clip (clamped to 0..length); the clip pauses, playing on is the
    // caller's.
    void SeekClip(MediaTime position);
    // The clip's position (0 without a clip).
    MediaTime ClipPosition();
    // True while the clip stands at its end after playing there (until it is sought again).
    bool ClipReachedEnd() const;
    // Silent <-> full volume. False when there is no sound.
    bool ToggleMute();
    // Copies the clip's picture on screen; null when there is none.
    const StillImage* GrabFrame();

    // ---- for the video pane and status display ----
    // The newest picture of the camera or the clip.
    bool TakeLatestFrame(VideoFrame* frame);
    // The oldest unread error of the camera or the clip.
    bool TakeStreamError(StreamError* error);
    // Frames dropped and written by the camera's recorder since it last started; 0 and 0 without.
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
        std::string folder;  // with its trailing separator
        std::string base;
        int32_t autoNumber = 0;
        int32_t number = 0;
    };

    // Opens the camera in use in the stored mode, names its file, keeps its pre-trigger and shows
    // its picture in `host`. False (with nothing left open) when it cannot be.
    bool OpenCameraInUse(VideoSurface* host);
    // Asks the camera for the stored size and rate; reads back what it takes.
    void ApplyStoredMode();
    // The capture file's path from the naming.
    std::string CaptureFileName() const;
    // Shows the picture of the pipeline in use in `host` and reads its size and rate.
    void AttachVideoWindow(VideoSurface* host);
    // lrate, lvw and lvh from a mode.
    void TakeMode(const VideoMode& mode);
    void CloseCamera();
    // Tells the surface the picture shows on that it shows none any more.
    void DetachSurface();

    // Devices.
    bool EnumerateDevices();
    // Makes `device` the camera in use and opens it.
    bool ChooseDevice(VideoSurface* host, const DeviceEntryPtr& device);
    void ReadDisplayName();
    void ResizeDisplayName(uint32_t size);

    // Clip.
    // The camera's size and rate back in the stream settings once no clip is open.
    void RestoreCameraMode();

    void Fail(const char* call, MediaError error) { trace_.Note(call, error); }

    MediaEngine& engine_;
    StreamSettings stream_;
    StreamSettings cameraMode_;  // the camera's size and rate while a clip has taken stream_
    CaptureFileNaming naming_;
    FailureTrace trace_;

    // Cameras as listed, their friendly names, and the one in use.
    DeviceEntryPtr devices_[kMaxVideoDevices];
    char deviceNames_[kMaxVideoDevices][kDeviceNameSize] = {};
    DeviceEntryPtr cameraInUse_;
    bool deviceReady_ = false;             // the camera in use is opened with its recorder holding
    std::unique_ptr<char[]> displayName_;  // display name of the camera in use (growable)
    uint32_t displayNameSize_ = 0;

    std::unique_ptr<Camera> camera_;
    std::unique_ptr<ClipPlayer> clip_;
    bool fileNamed_ = false;        // the camera's recorder has a file to write
    bool keepsPretrigger_ = false;  // the camera's recorder keeps the pre-trigger's frames
    int32_t pretriggerSec_ = 0;
    MediaTime clipLength_{0};
    VideoSurface* attachedSurface_ = nullptr;  // where the picture shows, while it does
    StillImage grab_;                          // the clip's picture last grabbed
};

}  // namespace velatrace
