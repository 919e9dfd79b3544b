#pragma once
// A media engine for tests. Calls but the queries are logged in order as short texts
// ("capture.RenderStream(Capture,Video)"); a test may force the result of a call by its text or
// its method ("capture.RenderStream"). The playback position moves only when the test says so.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "video/MediaEngine.h"

namespace velatrace::testing {

struct FakeDevice {
    DeviceInfo info;
    // A plain video stream (no interleaved one) with a preview, one control and this format.
    StreamFormat format{FormatType::VideoInfo, 640, 480, 24, 640 * 480 * 3, 500000};
};

struct FakeClip {
    bool hasVideo = true, hasAudio = true, seekable = true;
    int64_t duration = 100000000;  // 10 s
    int32_t width = 320, height = 240;
};

class FakeMediaEngine : public MediaEngine {
  public:
    std::vector<FakeDevice> devices;
    std::map<std::string, FakeClip> clips;  // files RenderFile opens, by path
    std::map<std::string, MediaError> forced;  // results forced by call text or method
    std::vector<std::string> calls;         // the log
    StreamError error;                      // an error the graphs report once
    bool hasError = false;
    VideoFrame picture;  // a picture the camera graph hands out once
    bool hasPicture = false;
    int32_t unstreamableWidth = 0;  // a width the camera takes on the pin but cannot run in
    std::string problem;            // why there is no engine at all
    const char* Problem() const override { return problem.c_str(); }
    struct {  // the live (or last) camera graph
        std::string device, outputFile;
        StreamFormat format;
        bool rendered = false, running = false;
        CaptureControl control = CaptureControl::Hold;
        int32_t prerollSec = 0;
        int64_t dropped = 0, written = 0;
    } capture;
    struct {  // the live (or last) playback graph
        bool alive = false, reachedEnd = false;
        FakeClip clip;
        PlayState state = PlayState::Stopped;
        int64_t position = 0;
        int32_t volume = 0;
    } play;

    void SetResult(const std::string& call, MediaError hr) { forced[call] = hr; }
    int IndexOf(const std::string& call) const {
        auto it = std::find(calls.begin(), calls.end(), call);
        return it == calls.end() ? -1 : static_cast<int>(it - calls.begin());
    }
    bool Called(const std::string& call) const { return IndexOf(call) >= 0; }
    // Moves a running clip on by `delta` (100-ns units), up to its end.
    void AdvancePlayback(int64_t delta) {
        if (play.alive && play.state == PlayState::Running) {
            play.position = std::min(play.position + delta, play.clip.duration);
            play.reachedEnd = play.position == play.clip.duration;
        }
    }
    // Logs `call` and answers `normal` unless the test forced another result.
    MediaError Log(const std::string& call, MediaError normal = MediaError::None) {
        calls.push_back(call);
        auto it = forced.find(call);
        if (it == forced.end())
            it = forced.find(call.substr(0, call.find('(')));
        return it == forced.end() ? normal : it->second;
    }

    void SetWakeCallback(WakeCallback) override {}
    MediaError EnumerateDevices(std::vector<DeviceInfo>* out) override {
        out->clear();
        const MediaError hr = Log("engine.EnumerateDevices", devices.empty() ? MediaError::Nothing : MediaError::None);
        for (size_t i = 0; hr == MediaError::None && i < devices.size(); ++i)
            out->push_back(devices[i].info);
        return hr;
    }
    MediaError CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) override;
    MediaError CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) override;
};

// Runs `then` when `hr` is a success; returns `hr`.
template <class F>
MediaError IfOk(MediaError hr, F then) {
    return Succeeded(hr) ? (then(), hr) : hr;
}

// One fake serves as either graph: a camera graph ("capture.") or a playback graph ("play.").
class FakeGraph final : public CaptureGraph, public PlaybackGraph {
  public:
    FakeGraph(FakeMediaEngine& e, bool camera)
        : e_(e), cam_(camera), p_(camera ? "capture." : "play.") {
        if (!camera)
            play_ = {}, play_.alive = true;
    }
    ~FakeGraph() override {
        e_.calls.push_back(p_ + "Destroy"), (cam_ ? cap_.running : play_.alive) = false;
    }

    // ---- both ----
    MediaError Run() override {
        const bool refused = e_.unstreamableWidth != 0 && cap_.format.width == e_.unstreamableWidth;
        return cam_ ? Set("Run", cap_.running, true, refused ? MediaError::DeviceGone : MediaError::None)
                    : Change("Run", PlayState::Running);
    }
    MediaError Stop() override {
        return cam_ ? (cap_.running = false, Log("Stop")) : Change("Stop", PlayState::Stopped);
    }
    bool HasVideo() const override { return cam_ ? preview_ : opened_ && play_.clip.hasVideo; }
    bool HasAudio() const override { return !cam_ && opened_ && play_.clip.hasAudio; }
    MediaError GetVideoSize(int32_t* w, int32_t* h) override {
        *w = cam_ ? cap_.format.width : play_.clip.width;
        return *h = cam_ ? std::abs(cap_.format.height) : play_.clip.height, Log("GetVideoSize");
    }
    MediaError GetAvgTimePerFrame(double* s) override {
        return *s = cam_ ? cap_.format.avgTimePerFrame / 1e7 : 0.04, Log("GetAvgTimePerFrame");
    }
    MediaError PutVolume(int32_t v) override {
        return Set("PutVolume(" + std::to_string(v) + ")", play_.volume, v,
                   cam_ ? MediaError::NotOffered : MediaError::None);
    }
    bool TakeLatestFrame(VideoFrame* f) override {
        return cam_ && std::exchange(e_.hasPicture, false) && (*f = e_.picture, true);
    }
    bool TakeStreamError(StreamError* error) override {
        return std::exchange(e_.hasError, false) && (*error = e_.error, true);
    }

    // ---- camera graph ----
    MediaError BindDevice(const char* name) override {
        for (const FakeDevice& d : e_.devices) {
            if (d.info.displayName == name) {
                return IfOk(Log("BindDevice(" + d.info.displayName + ")"),
                            [&] { cap_.device = name, cap_.format = d.format; });
            }
        }
        return Log(std::string("BindDevice(") + name + ")", MediaError::NotFound);
    }
    MediaError FindInterface(StreamKind kind, CaptureInterface which) override {
        const bool config = which == CaptureInterface::StreamConfig;
        return Log(std::string("FindInterface(") + Text(kind) +
                       (config ? ",StreamConfig)" : ",Compression)"),
                   Offers(kind) && config ? MediaError::None : MediaError::NotOffered);
    }
    MediaError GetFormat(StreamFormat* f) override { return *f = cap_.format, Log("GetFormat"); }
    MediaError SetFormat(const StreamFormat& f) override {
        return Set("SetFormat(" + std::to_string(f.width) + "x" + std::to_string(f.height) + ")",
                   cap_.format, f);
    }
    MediaError EnumFormats(std::vector<VideoFormat>* f) override {
        *f = {{1280, 720, 333333, "MJPG"}, {640, 480, 500000, "MJPG"}, {320, 240, 333333, "MJPG"}};
        return Log("EnumFormats");
    }
    MediaError ReadControls(std::vector<DeviceControl>* c) override {
        return c->assign(1, DeviceControl{}), Log("ReadControls");
    }
    MediaError SetControl(uint32_t id, int32_t v) override {
        return Log("SetControl(" + std::to_string(id) + "," + std::to_string(v) + ")");
    }
    MediaError SetOutputFileName(const char* path) override { return Name("SetOutputFileName", path); }
    MediaError SwitchOutputFile(const char* path) override { return Name("SwitchOutputFile", path); }
    MediaError RenderStream(PinCategory category, StreamKind kind) override {
        const bool capture = category == PinCategory::Capture;
        const MediaError normal = !Offers(kind)         ? MediaError::NotOffered
                               : capture && !writer_ ? MediaError::NotConnected
                                                     : MediaError::None;
        return Set(
            std::string("RenderStream(") + (capture ? "Capture," : "Preview,") + Text(kind) + ")",
            capture ? cap_.rendered : preview_, true, normal);
    }
    void TearDown() override {
        e_.calls.push_back("capture.TearDown");
        cap_.running = cap_.rendered = preview_ = writer_ = false;
    }
    MediaError ControlStream(CaptureControl c) override {
        const char* names[] = {"Hold", "StartNow", "StopNow", "StartWithPreroll"};
        return Set(std::string("ControlStream(") + names[static_cast<int>(c)] + ")", cap_.control,
                   c, cap_.rendered ? MediaError::None : MediaError::NotConnected);
    }
    MediaError SetPreroll(int32_t seconds, int64_t) override {
        return Set("SetPreroll(" + std::to_string(seconds) + ")", cap_.prerollSec, seconds);
    }
    void GetCaptureCounts(int64_t* dropped, int64_t* written) override {
        *dropped = e_.capture.dropped, *written = e_.capture.written;
    }

    // ---- playback graph ----
    MediaError RenderFile(const char* path) override {
        auto it = e_.clips.find(path);
        const MediaError hr = Log(std::string("RenderFile(") + path + ")",
                               it != e_.clips.end() ? MediaError::None : MediaError::Unsupported);
        return IfOk(hr, [&] { play_.clip = it->second, opened_ = true; });
    }
    MediaError Pause() override { return Change("Pause", PlayState::Paused); }
    MediaError GetState(uint32_t ms, PlayState* s) override {
        return *s = play_.state, Log("GetState(" + std::to_string(ms) + ")");
    }
    bool IsSeekable() const override { return opened_ && play_.clip.seekable; }
    MediaError GetDuration(int64_t* d) override {
        return *d = play_.clip.duration, Log("GetDuration");
    }
    MediaError GetCurrentPosition(int64_t* p) override {
        return *p = play_.position, Log("GetCurrentPosition");
    }
    MediaError SetPosition(int64_t at) override {
        return IfOk(Log("SetPosition(" + std::to_string(at) + ")"), [&] {
            play_.position = std::clamp<int64_t>(at, 0, play_.clip.duration);
            play_.reachedEnd = false;
        });
    }
    bool ReachedEnd() const override { return play_.reachedEnd; }
    MediaError GetGrabFormat(BitmapInfoHeader* h, int32_t* sampleSize) override {
        *h = BitmapInfoHeader{40, play_.clip.width, play_.clip.height, 1, 24};
        return *sampleSize = FrameBytes(),
               Log("GetGrabFormat", HasVideo() ? MediaError::None : MediaError::NotConnected);
    }
    MediaError GetCurrentBuffer(int32_t* size, uint8_t* buffer) override {
        const MediaError hr = Log("GetCurrentBuffer", *size < FrameBytes() ? MediaError::OutOfMemory : MediaError::None);
        return IfOk(hr,
                    [&] { std::memset(buffer, 0x5A, static_cast<size_t>(*size = FrameBytes())); });
    }

  private:
    MediaError Log(const std::string& call, MediaError normal = MediaError::None) {
        return e_.Log(p_ + call, normal);
    }
    // Logs `call`; on success sets `field` to `value`.
    template <class T, class V>
    MediaError Set(const std::string& call, T& field, const V& value, MediaError normal = MediaError::None) {
        return IfOk(Log(call, normal), [&] { field = value; });
    }
    MediaError Change(const char* call, PlayState to) { return Set(call, play_.state, to); }
    MediaError Name(const char* method, const char* path) {
        return IfOk(Log(std::string(method) + "(" + path + ")"),
                    [&] { cap_.outputFile = path, writer_ = true; });
    }
    static const char* Text(StreamKind k) {
        return k == StreamKind::Interleaved ? "Interleaved" : "Video";
    }
    bool Offers(StreamKind k) const { return !cap_.device.empty() && k == StreamKind::Video; }
    // One 24-bit frame, rows padded to 4 bytes.
    int32_t FrameBytes() const {
        return ((play_.clip.width * 24 + 31) & ~31) / 8 * play_.clip.height;
    }

    FakeMediaEngine& e_;
    decltype(e_.capture)& cap_ = e_.capture;
    decltype(e_.play)& play_ = e_.play;
    const bool cam_;
    const std::string p_;
    bool writer_ = false, preview_ = false, opened_ = false;
};

inline MediaError FakeMediaEngine::CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) {
    return IfOk(Log("engine.CreateCaptureGraph"), [&] {
        capture = {};
        *graph = std::make_unique<FakeGraph>(*this, true);
    });
}

inline MediaError FakeMediaEngine::CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) {
    return IfOk(Log("engine.CreatePlaybackGraph"),
                [&] { *graph = std::make_unique<FakeGraph>(*this, false); });
}

}  // namespace velatrace::testing
