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
    std::map<std::string, HResult> forced;  // results forced by call text or method
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

    void SetResult(const std::string& call, HResult hr) { forced[call] = hr; }
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
    HResult Log(const std::string& call, HResult normal = kHrOk) {
        calls.push_back(call);
        auto it = forced.find(call);
        if (it == forced.end())
            it = forced.find(call.substr(0, call.find('(')));
        return it == forced.end() ? normal : it->second;
    }

    void SetWakeCallback(WakeCallback) override {}
    HResult EnumerateDevices(std::vector<DeviceInfo>* out) override {
        out->clear();
        const HResult hr = Log("engine.EnumerateDevices", devices.empty() ? kHrFalse : kHrOk);
        for (size_t i = 0; hr == kHrOk && i < devices.size(); ++i)
            out->push_back(devices[i].info);
        return hr;
    }
    HResult CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) override;
    HResult CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) override;
};

// Runs `then` when `hr` is a success; returns `hr`.
template <class F>
HResult IfOk(HResult hr, F then) {
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
    HResult Run() override {
        const bool refused = e_.unstreamableWidth != 0 && cap_.format.width == e_.unstreamableWidth;
        return cam_ ? Set("Run", cap_.running, true, refused ? kHrDeviceNotConnected : kHrOk)
                    : Change("Run", PlayState::Running);
    }
    HResult Stop() override {
        return cam_ ? (cap_.running = false, Log("Stop")) : Change("Stop", PlayState::Stopped);
    }
    bool HasVideo() const override { return cam_ ? preview_ : opened_ && play_.clip.hasVideo; }
    bool HasAudio() const override { return !cam_ && opened_ && play_.clip.hasAudio; }
    HResult GetVideoSize(int32_t* w, int32_t* h) override {
        *w = cam_ ? cap_.format.width : play_.clip.width;
        return *h = cam_ ? std::abs(cap_.format.height) : play_.clip.height, Log("GetVideoSize");
    }
    HResult GetAvgTimePerFrame(double* s) override {
        return *s = cam_ ? cap_.format.avgTimePerFrame / 1e7 : 0.04, Log("GetAvgTimePerFrame");
    }
    HResult PutVolume(int32_t v) override {
        return Set("PutVolume(" + std::to_string(v) + ")", play_.volume, v,
                   cam_ ? kHrNoInterface : kHrOk);
    }
    bool TakeLatestFrame(VideoFrame* f) override {
        return cam_ && std::exchange(e_.hasPicture, false) && (*f = e_.picture, true);
    }
    bool TakeStreamError(StreamError* error) override {
        return std::exchange(e_.hasError, false) && (*error = e_.error, true);
    }

    // ---- camera graph ----
    HResult BindDevice(const char* name) override {
        for (const FakeDevice& d : e_.devices) {
            if (d.info.displayName == name) {
                return IfOk(Log("BindDevice(" + d.info.displayName + ")"),
                            [&] { cap_.device = name, cap_.format = d.format; });
            }
        }
        return Log(std::string("BindDevice(") + name + ")", kHrFileNotFound);
    }
    HResult FindInterface(StreamKind kind, CaptureInterface which) override {
        const bool config = which == CaptureInterface::StreamConfig;
        return Log(std::string("FindInterface(") + Text(kind) +
                       (config ? ",StreamConfig)" : ",Compression)"),
                   Offers(kind) && config ? kHrOk : kHrNoInterface);
    }
    HResult GetFormat(StreamFormat* f) override { return *f = cap_.format, Log("GetFormat"); }
    HResult SetFormat(const StreamFormat& f) override {
        return Set("SetFormat(" + std::to_string(f.width) + "x" + std::to_string(f.height) + ")",
                   cap_.format, f);
    }
    HResult EnumFormats(std::vector<VideoFormat>* f) override {
        *f = {{1280, 720, 333333, "MJPG"}, {640, 480, 500000, "MJPG"}, {320, 240, 333333, "MJPG"}};
        return Log("EnumFormats");
    }
    HResult ReadControls(std::vector<DeviceControl>* c) override {
        return c->assign(1, DeviceControl{}), Log("ReadControls");
    }
    HResult SetControl(uint32_t id, int32_t v) override {
        return Log("SetControl(" + std::to_string(id) + "," + std::to_string(v) + ")");
    }
    HResult SetOutputFileName(const char* path) override { return Name("SetOutputFileName", path); }
    HResult SwitchOutputFile(const char* path) override { return Name("SwitchOutputFile", path); }
    HResult RenderStream(PinCategory category, StreamKind kind) override {
        const bool capture = category == PinCategory::Capture;
        const HResult normal = !Offers(kind)         ? kHrNoInterface
                               : capture && !writer_ ? kHrNotConnected
                                                     : kHrOk;
        return Set(
            std::string("RenderStream(") + (capture ? "Capture," : "Preview,") + Text(kind) + ")",
            capture ? cap_.rendered : preview_, true, normal);
    }
    void TearDown() override {
        e_.calls.push_back("capture.TearDown");
        cap_.running = cap_.rendered = preview_ = writer_ = false;
    }
    HResult ControlStream(CaptureControl c) override {
        const char* names[] = {"Hold", "StartNow", "StopNow", "StartWithPreroll"};
        return Set(std::string("ControlStream(") + names[static_cast<int>(c)] + ")", cap_.control,
                   c, cap_.rendered ? kHrOk : kHrNotConnected);
    }
    HResult SetPreroll(int32_t seconds, int64_t) override {
        return Set("SetPreroll(" + std::to_string(seconds) + ")", cap_.prerollSec, seconds);
    }
    void GetCaptureCounts(int64_t* dropped, int64_t* written) override {
        *dropped = e_.capture.dropped, *written = e_.capture.written;
    }

    // ---- playback graph ----
    HResult RenderFile(const char* path) override {
        auto it = e_.clips.find(path);
        const HResult hr = Log(std::string("RenderFile(") + path + ")",
                               it != e_.clips.end() ? kHrOk : kHrUnsupportedStream);
        return IfOk(hr, [&] { play_.clip = it->second, opened_ = true; });
    }
    HResult Pause() override { return Change("Pause", PlayState::Paused); }
    HResult GetState(uint32_t ms, PlayState* s) override {
        return *s = play_.state, Log("GetState(" + std::to_string(ms) + ")");
    }
    bool IsSeekable() const override { return opened_ && play_.clip.seekable; }
    HResult GetDuration(int64_t* d) override {
        return *d = play_.clip.duration, Log("GetDuration");
    }
    HResult GetCurrentPosition(int64_t* p) override {
        return *p = play_.position, Log("GetCurrentPosition");
    }
    HResult SetPosition(int64_t at) override {
        return IfOk(Log("SetPosition(" + std::to_string(at) + ")"), [&] {
            play_.position = std::clamp<int64_t>(at, 0, play_.clip.duration);
            play_.reachedEnd = false;
        });
    }
    bool ReachedEnd() const override { return play_.reachedEnd; }
    HResult GetGrabFormat(BitmapInfoHeader* h, int32_t* sampleSize) override {
        *h = BitmapInfoHeader{40, play_.clip.width, play_.clip.height, 1, 24};
        return *sampleSize = FrameBytes(),
               Log("GetGrabFormat", HasVideo() ? kHrOk : kHrNotConnected);
    }
    HResult GetCurrentBuffer(int32_t* size, uint8_t* buffer) override {
        const HResult hr = Log("GetCurrentBuffer", *size < FrameBytes() ? kHrOutOfMemory : kHrOk);
        return IfOk(hr,
                    [&] { std::memset(buffer, 0x5A, static_cast<size_t>(*size = FrameBytes())); });
    }

  private:
    HResult Log(const std::string& call, HResult normal = kHrOk) {
        return e_.Log(p_ + call, normal);
    }
    // Logs `call`; on success sets `field` to `value`.
    template <class T, class V>
    HResult Set(const std::string& call, T& field, const V& value, HResult normal = kHrOk) {
        return IfOk(Log(call, normal), [&] { field = value; });
    }
    HResult Change(const char* call, PlayState to) { return Set(call, play_.state, to); }
    HResult Name(const char* method, const char* path) {
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

inline HResult FakeMediaEngine::CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) {
    return IfOk(Log("engine.CreateCaptureGraph"), [&] {
        capture = {};
        *graph = std::make_unique<FakeGraph>(*this, true);
    });
}

inline HResult FakeMediaEngine::CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) {
    return IfOk(Log("engine.CreatePlaybackGraph"),
                [&] { *graph = std::make_unique<FakeGraph>(*this, false); });
}

}  // namespace velatrace::testing
