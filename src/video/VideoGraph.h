#pragma once
// The program's one video object: the camera graph (preview and AVI capture), the camera devices,
// the playback graph of a recorded clip and the flags the rest of the program reads. The
// application creates one and keeps it for the whole run. Everything here runs on the GUI thread;
// the media engine's own threads reach it only through the graph's mailbox and error values.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Clock.h"
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

// Identifies one camera, like a moniker: the same device may be named by several objects, and
// "the device in use" is a particular object (compared by address).
struct DeviceMoniker {
    std::string displayName;
};
using DeviceMonikerPtr = std::shared_ptr<const DeviceMoniker>;

// The grabbed frame's format: the header and one (unused) colour entry.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    uint32_t bmiColors[1] = {};
};

// The graph objects and their flags. The design's interface pointers that this engine does not
// hand out as objects are kept as flags: set while the graph offers that part.
struct GraphRecord {
    DeviceMonikerPtr pmDevices[kMaxVideoDevices];  // the enumerated cameras, in order
    DeviceMonikerPtr pmVideo;                      // the camera in use

    std::unique_ptr<CaptureGraph> pCB2;    // the camera graph (builder and graph in one)
    std::unique_ptr<PlaybackGraph> pPlay;  // the playback graph of an open clip
    MediaGraph* pGB = nullptr;             // the graph in use: *pCB2 or *pPlay

    bool pVCap = false;  // a camera is bound into pCB2
    bool pMux = false;   // the AVI writer exists (output file named)
    bool pSG = false;    // the playback graph grabs 24-bit frames
    bool pSink = false;  // the AVI writer's name can be changed
    bool pVC = false;    // the camera offers a compression interface
    bool pVSC = false;   // the camera offers a stream configuration
    bool pVW = false;    // the graph has a video window
    bool pMS = false;    // the playback graph can be positioned
    bool pMC = false;    // the playback graph can be run, paused and stopped
    bool pBA = false;    // the graph has a volume

    int32_t fCapGraphBuilt = 0;
    int32_t fPlayGraphBuilt = 0;
    int32_t fDeviceReady = 0;
    int32_t fSeekable = 0;

    uint8_t* pBmpBuffer = nullptr;  // pixels of the grabbed-frame bitmap
    int32_t bmpBufferSize = 0;      // bytes of one grabbed frame

    char szDeviceNames[kMaxVideoDevices][kDeviceNameSize] = {};
    std::unique_ptr<char[]> pDisplayName;  // display name of the camera in use (growable)
    uint32_t cbDisplayName = 0;
};

// The video side's copy of the capture-file naming settings.
struct CaptureFileNaming {
    char path[kCapturePathSize] = {};      // folder, with its trailing separator
    char filename[kCapturePathSize] = {};  // base name
    int32_t autoNumber = 0;
    int32_t number = 0;
};

class VideoGraph {
  public:
    VideoGraph(MediaEngine& engine, Clock& clock);
    // Destroying it stops every graph without touching the surface (which may be gone already).
    ~VideoGraph() = default;
    VideoGraph(const VideoGraph&) = delete;
    VideoGraph& operator=(const VideoGraph&) = delete;

    GraphRecord gcap;
    StreamSettings m_strm;
    CaptureFileNaming naming;
    std::unique_ptr<uint8_t[]> hGrabBitmap;  // storage of the grabbed frame; null when none
    size_t grabBitmapBytes = 0;              // size of hGrabBitmap
    BitmapInfo bmiGrab;
    int32_t fCapturing = 0;
    int32_t fPreviewing = 0;
    int32_t fClipOpen = 0;
    FailureTrace trace;  // the last failed engine call

    // ---- what the rest of the program reads ----
    bool IsCapturing() const { return fCapturing != 0; }
    bool IsPreviewing() const { return fPreviewing != 0; }
    bool IsClipOpen() const { return fClipOpen != 0; }
    // The camera's size and rate, the replay volume and the open clip's length.
    const StreamSettings& Stream() const { return m_strm; }
    // The stream settings stored from the last run (size, rate, volume).
    void LoadStream(const StreamSettings& stored) { m_strm = stored; }
    // The open clip's length in 100-ns units (0 when unknown).
    int64_t ClipDuration() const { return m_strm.llDuration; }
    // The AVI naming: folder (with its trailing separator), base name and automatic numbering.
    void SetNaming(const char* folder, const char* base, int32_t autoNumber);
    int32_t CaptureNumber() const { return naming.number; }
    void SetCaptureNumber(int32_t number) { naming.number = number; }
    // The friendly names of the enumerated cameras, in order; returns how many.
    int32_t DeviceNames(const char* names[], int32_t capacity) const;
    uint32_t DisplayNameSize() const { return gcap.cbDisplayName; }
    // The frame GrabFrame copied last: its pixels (null when none) and format.
    const uint8_t* GrabbedPixels() const { return gcap.pBmpBuffer; }
    const BitmapInfo& GrabbedFormat() const { return bmiGrab; }

    // ---- camera graph ----
    // Creates the camera graph and binds the device in use into it. 1 when a graph already
    // exists, 0 on success, the creation's failure, or kHrFail (with everything released).
    HResult InitCaptureFilters();
    // Notes which configuration interfaces the camera offers (interleaved stream first). 0.
    HResult FindCaptureInterfaces();
    // With `apply`, asks the camera for lvw x lvh; reads lrate, lvw, lvh from the format. 0.
    HResult ApplyStreamFormat(bool apply);
    // Renders capture stream (into the AVI of MakeCaptureFileName) and preview, then attaches
    // the picture to `host`. 0 when built (or already built); kHrFail when it cannot be.
    HResult BuildCaptureGraph(VideoSurface* host);
    // Runs (true) or stops the graph in use. 1 when there is nothing to do for a stop or no graph
    // to run, 0 when already running, else the engine's result (a sharing failure when the
    // capture file is held by another program).
    HResult RunGraph(bool run);
    // Lets the capture stream through to the file. False when there is no camera graph.
    bool StartCapture();
    // Stops letting it through. False when there is no camera graph.
    bool StopCapture();
    // Stops the graph (finishing the file) and, with `rename`, points it at the next file name and
    // runs it again if it ran. 1 (true), 0 (false) or a failing result code.
    HResult NextCaptureFile(bool rename);
    // The capture file's path from the naming fields, cut to 259 characters.
    void MakeCaptureFileName(char* out, size_t outSize) const;
    // Attaches the picture to `host` and fits it, or detaches it (host null).
    HResult AttachVideoWindow(VideoSurface* host);
    // Reads lvw, lvh and lrate from the graph's delivered video and fits the picture to `host`.
    HResult ReadVideoSize(VideoSurface* host, int32_t multiplier, int32_t divisor);
    // Places the picture at the top-left of `host`, as large as fits with its aspect kept.
    void FitVideoWindow(VideoSurface* host);
    // Removes the streams of the graph in use; keeps the graph objects (see FreeCaptureFilters).
    void TearDownGraph();
    // Releases the graph objects.
    void FreeCaptureFilters();
    // Ends everything; the window is closing.
    void ReleaseVideo();
    void TraceFailure(const char* format, HResult hr) { trace.TraceFailure(format, hr); }

    // ---- devices ----
    // Lists up to 4 cameras into pmDevices, szDeviceNames and nDevices.
    bool EnumerateDevices();
    // Binds the camera of the saved display name, or else the first; `index` gets its slot.
    bool SelectSavedDevice(VideoSurface* host, int32_t* index);
    // Start-up: enumerate and select. `selected` (optional) tells whether a device's graph was
    // built, in which case the caller saves pDisplayName and cbDisplayName.
    bool InitCamera(VideoSurface* host, int32_t* selectedIndex, bool* selected = nullptr);
    // Makes `moniker` the camera in use and builds its graph with the capture stream held.
    bool ChooseDevice(VideoSurface* host, const DeviceMonikerPtr& moniker);
    // Copies the display name of the camera in use into pDisplayName, growing it when needed.
    void ReadDisplayName();
    // The saved display name, as loaded from the settings (copied, cut to the buffer's size
    // after growing it to `size` bytes when that is larger).
    void LoadDisplayName(const char* name, uint32_t size);
    const char* DisplayName() const { return gcap.pDisplayName ? gcap.pDisplayName.get() : ""; }

    // ---- camera settings ----
    // The camera's own controls; the graph keeps running.
    void ShowFilterProperties(PropertyPages& pages);
    // The camera's sizes and rates; the graph is rebuilt in the chosen format and run again if it
    // ran. True: the caller saves m_strm.
    bool ShowFormatProperties(VideoSurface* host, PropertyPages& pages);

    // ---- playback ----
    // Opens a media file in place of the camera graph and plays it. True when built and started;
    // even when false, the clip counts as open (fClipOpen) until a CloseClip that finds it.
    bool OpenClip(VideoSurface* host, const char* path);
    HResult PlayMovieInWindow(VideoSurface* host, const char* path);
    bool CloseClip();
    bool PlayClip();
    bool PauseClip();
    // Rewinds to the start and stops, when playing or paused.
    bool StopClip();
    // Moves to `percent` of the duration; the graph pauses, nPlayState is left to the caller.
    void SeekClip(int32_t percent);
    // The position in 100-ns units and as whole percent of the duration (0 when unknown).
    int32_t GetClipPosition(int64_t* position);
    // Silent <-> full volume. False when the graph has no volume.
    bool ToggleMute();
    // Copies the frame on screen into pBmpBuffer; the bytes copied, or 0.
    int32_t GrabFrame();
    void CheckVideoVisible();
    void CreateGrabBitmap();

    // ---- for the video pane and status display ----
    // The newest picture of the graph in use (see MediaGraph::TakeLatestFrame).
    bool TakeLatestFrame(VideoFrame* frame);
    // The oldest unread error of the graph in use.
    bool TakeStreamError(StreamError* error);
    // True once after the playing clip has reached its end.
    bool ClipReachedEnd();
    // What the video object does after the engine reported an error: a failed recorder ends the
    // capture (the preview goes on); a lost camera stops the graph, finishing the AVI.
    void EndAfterStreamError(const StreamError& error);
    // Frames dropped and written by the camera graph since it last ran; 0 and 0 without one.
    void GetCaptureCounts(int64_t* dropped, int64_t* written);

  private:
    void ResizeDisplayName(uint32_t size);
    // lrate, lvw and lvh from a plain video format.
    void TakeStreamFormat(const StreamFormat& format);
    // Tells the surface the picture shows on that it shows none any more.
    void DetachSurface();

    MediaEngine& engine_;
    Clock& clock_;
    VideoSurface* attachedSurface_ = nullptr;  // where the picture shows, while it does
    bool clipEndReported_ = false;
};

}  // namespace velatrace
