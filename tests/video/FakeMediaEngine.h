#pragma once
// A hand-written media engine for tests. Every call is logged in order as a short text
// ("capture.RenderStream(Capture,Video)"); a test may force the result of any call by its full
// text or its method ("capture.RenderStream"). Cameras and clips are configured by the test, and
// the playback position moves only when the test says so. The queries HasVideo, HasAudio,
// IsSeekable, ReachedEnd, TakeLatestFrame and TakeStreamError are not logged.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "video/LatestFrameMailbox.h"
#include "video/MediaEngine.h"

namespace velatrace::testing {

struct FakeDevice {
    DeviceInfo info;
    // Offers an interleaved (DV) stream instead of plain video; has a preview stream of its own
    // (else the preview render answers kHrNoPreview); has a size and rate to read and set; has
    // adjustable controls.
    bool interleaved = false, preview = true, streamConfig = true, controls = true;
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
    LatestFrameMailbox mailbox;             // the graphs' pictures
    StreamError error;                      // an error the graphs report once
    bool hasError = false;
    struct {  // the live (or last) camera graph
        std::string device, outputFile;
        StreamFormat format;
        bool rendered = false, running = false;
        CaptureControl control = CaptureControl::Hold;
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

    void SetWakeCallback(WakeCallback) override {}
    HResult EnumerateDevices(std::vector<DeviceInfo>* out) override {
        out->clear();
        const HResult hr = Log("engine.EnumerateDevices", devices.empty() ? kHrFalse : kHrOk);
        for (size_t i = 0; hr == kHrOk && i < devices.size(); ++i) {
            out->push_back(devices[i].info);
        }
        return hr;
    }
    HResult CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) override;
    HResult CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) override;

    // Logs `call` and answers `normal` unless the test forced another result.
    HResult Log(const std::string& call, HResult normal = kHrOk) {
        calls.push_back(call);
        auto it = forced.find(call);
        if (it == forced.end()) {
            it = forced.find(call.substr(0, call.find('(')));
        }
        return it == forced.end() ? normal : it->second;
    }
};

// Runs `then` when `hr` is a success; returns `hr`.
template <class F>
HResult IfOk(HResult hr, F then) {
    if (Succeeded(hr)) {
        then();
    }
    return hr;
}

// What both fake graphs share: the engine's log, mailbox and error queue.
template <class Base>
class FakeGraph : public Base {
  public:
    explicit FakeGraph(FakeMediaEngine& e) : e_(e) {}
    bool TakeLatestFrame(VideoFrame* frame) override { return e_.mailbox.Take(frame); }
    bool TakeStreamError(StreamError* error) override {
        return std::exchange(e_.hasError, false) && (*error = e_.error, true);
    }

  protected:
    FakeMediaEngine& e_;
};

class FakeCaptureGraph : public FakeGraph<CaptureGraph> {
  public:
    using FakeGraph::FakeGraph;
    ~FakeCaptureGraph() override { e_.calls.push_back("capture.Destroy"); }
    HResult Run() override {
        return IfOk(e_.Log("capture.Run"), [&] { cap().running = true; });
    }
    HResult Stop() override { return cap().running = false, e_.Log("capture.Stop"); }
    bool HasVideo() const override { return preview_; }
    bool HasAudio() const override { return false; }
    HResult GetVideoSize(int32_t* w, int32_t* h) override {
        *w = cap().format.width;
        *h = std::abs(cap().format.height);
        return e_.Log("capture.GetVideoSize");
    }
    HResult GetAvgTimePerFrame(double* seconds) override {
        *seconds = static_cast<double>(cap().format.avgTimePerFrame) / 1e7;
        return e_.Log("capture.GetAvgTimePerFrame");
    }
    HResult PutVolume(int32_t) override { return e_.Log("capture.PutVolume", kHrNoInterface); }

    HResult BindDevice(const char* name) override {
        for (const FakeDevice& d : e_.devices) {
            if (d.info.displayName == name) {
                return IfOk(e_.Log("capture.BindDevice(" + d.info.displayName + ")"), [&] {
                    device_ = d;
                    cap().device = name;
                    cap().format = d.format;
                });
            }
        }
        return e_.Log(std::string("capture.BindDevice(") + name + ")", kHrFileNotFound);
    }
    HResult FindInterface(StreamKind kind, CaptureInterface which) override {
        const bool config = which == CaptureInterface::StreamConfig;
        return e_.Log(std::string("capture.FindInterface(") + Text(kind) +
                          (config ? ",StreamConfig)" : ",Compression)"),
                      Offers(kind) && config && device_.streamConfig ? kHrOk : kHrNoInterface);
    }
    HResult GetFormat(StreamFormat* format) override {
        *format = cap().format;
        return e_.Log("capture.GetFormat");
    }
    HResult SetFormat(const StreamFormat& f) override {
        const std::string size = std::to_string(f.width) + "x" + std::to_string(f.height);
        return IfOk(e_.Log("capture.SetFormat(" + size + ")"), [&] { cap().format = f; });
    }
    HResult EnumFormats(std::vector<VideoFormat>* formats) override {
        *formats = {{640, 480, 500000, "MJPG"}, {320, 240, 333333, "MJPG"}};
        return e_.Log("capture.EnumFormats");
    }
    HResult ReadControls(std::vector<DeviceControl>* controls) override {
        controls->assign(device_.controls ? 1 : 0, DeviceControl{});
        return e_.Log("capture.ReadControls");
    }
    HResult SetControl(uint32_t id, int32_t v) override {
        return e_.Log("capture.SetControl(" + std::to_string(id) + "," + std::to_string(v) + ")");
    }
    HResult SetOutputFileName(const char* path) override { return Name("SetOutputFileName", path); }
    HResult SwitchOutputFile(const char* path) override { return Name("SwitchOutputFile", path); }
    HResult RenderStream(PinCategory category, StreamKind kind) override {
        const bool capture = category == PinCategory::Capture;
        const HResult normal = !Offers(kind)                  ? kHrNoInterface
                               : capture && !writer_          ? kHrNotConnected
                               : !capture && !device_.preview ? kHrNoPreview
                                                              : kHrOk;
        return IfOk(e_.Log(std::string("capture.RenderStream(") +
                               (capture ? "Capture," : "Preview,") + Text(kind) + ")",
                           normal),
                    [&] { (capture ? cap().rendered : preview_) = true; });
    }
    void TearDown() override {
        e_.calls.push_back("capture.TearDown");
        cap().running = cap().rendered = preview_ = writer_ = false;
    }
    HResult ControlStream(CaptureControl control) override {
        const char* names[] = {"Hold", "StartNow", "StopNow"};
        return IfOk(
            e_.Log(std::string("capture.ControlStream(") + names[static_cast<int>(control)] + ")",
                   cap().rendered ? kHrOk : kHrNotConnected),
            [&] { cap().control = control; });
    }
    void GetCaptureCounts(int64_t* dropped, int64_t* written) override {
        *dropped = 3;
        *written = 97;
    }

  private:
    decltype(FakeMediaEngine::capture)& cap() const { return e_.capture; }
    static const char* Text(StreamKind k) {
        return k == StreamKind::Interleaved ? "Interleaved" : "Video";
    }
    bool Offers(StreamKind kind) const {
        return !cap().device.empty() && (kind == StreamKind::Interleaved) == device_.interleaved;
    }
    HResult Name(const char* method, const char* path) {
        return IfOk(e_.Log(std::string("capture.") + method + "(" + path + ")"), [&] {
            cap().outputFile = path;
            writer_ = true;
        });
    }
    FakeDevice device_;
    bool writer_ = false;
    bool preview_ = false;
};

class FakePlaybackGraph : public FakeGraph<PlaybackGraph> {
  public:
    explicit FakePlaybackGraph(FakeMediaEngine& e) : FakeGraph(e) {
        e_.play = {};
        e_.play.alive = true;
    }
    ~FakePlaybackGraph() override {
        e_.calls.push_back("play.Destroy");
        e_.play.alive = false;
    }
    HResult Run() override { return Change("play.Run", PlayState::Running); }
    HResult Pause() override { return Change("play.Pause", PlayState::Paused); }
    HResult Stop() override { return Change("play.Stop", PlayState::Stopped); }
    bool HasVideo() const override { return opened_ && e_.play.clip.hasVideo; }
    bool HasAudio() const override { return opened_ && e_.play.clip.hasAudio; }
    HResult GetVideoSize(int32_t* width, int32_t* height) override {
        *width = e_.play.clip.width;
        *height = e_.play.clip.height;
        return e_.Log("play.GetVideoSize");
    }
    HResult GetAvgTimePerFrame(double* seconds) override {
        *seconds = 0.04;
        return e_.Log("play.GetAvgTimePerFrame");
    }
    HResult PutVolume(int32_t volume) override {
        return IfOk(e_.Log("play.PutVolume(" + std::to_string(volume) + ")"),
                    [&] { e_.play.volume = volume; });
    }
    HResult RenderFile(const char* path) override {
        auto it = e_.clips.find(path);
        const bool found = it != e_.clips.end();
        return IfOk(e_.Log(std::string("play.RenderFile(") + path + ")",
                           found ? kHrOk : kHrUnsupportedStream),
                    [&] { e_.play.clip = it->second, opened_ = true; });
    }
    HResult GetState(uint32_t timeoutMs, PlayState* state) override {
        *state = e_.play.state;
        return e_.Log("play.GetState(" + std::to_string(timeoutMs) + ")");
    }
    bool IsSeekable() const override { return opened_ && e_.play.clip.seekable; }
    HResult GetDuration(int64_t* duration) override {
        *duration = e_.play.clip.duration;
        return e_.Log("play.GetDuration");
    }
    HResult GetCurrentPosition(int64_t* position) override {
        *position = e_.play.position;
        return e_.Log("play.GetCurrentPosition");
    }
    HResult SetPosition(int64_t position) override {
        return IfOk(e_.Log("play.SetPosition(" + std::to_string(position) + ")"), [&] {
            e_.play.position = std::clamp<int64_t>(position, 0, e_.play.clip.duration);
            e_.play.reachedEnd = false;
        });
    }
    bool ReachedEnd() const override { return e_.play.reachedEnd; }
    HResult GetGrabFormat(BitmapInfoHeader* header, int32_t* sampleSize) override {
        *header = BitmapInfoHeader{};
        header->biWidth = e_.play.clip.width;
        header->biHeight = e_.play.clip.height;
        header->biBitCount = 24;
        *sampleSize = Bytes();
        return e_.Log("play.GetGrabFormat", HasVideo() ? kHrOk : kHrNotConnected);
    }
    HResult GetCurrentBuffer(int32_t* size, uint8_t* buffer) override {
        const HResult hr =
            e_.Log("play.GetCurrentBuffer", *size < Bytes() ? kHrOutOfMemory : kHrOk);
        return IfOk(hr, [&] { std::memset(buffer, 0x5A, static_cast<size_t>(*size = Bytes())); });
    }

  private:
    // One 24-bit frame, rows padded to 4 bytes.
    int32_t Bytes() const {
        return ((e_.play.clip.width * 24 + 31) & ~31) / 8 * e_.play.clip.height;
    }
    HResult Change(const char* call, PlayState to) {
        return IfOk(e_.Log(call), [&] { e_.play.state = to; });
    }
    bool opened_ = false;
};

inline HResult FakeMediaEngine::CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) {
    const HResult hr = Log("engine.CreateCaptureGraph");
    if (Succeeded(hr)) {
        capture = {};
        *graph = std::make_unique<FakeCaptureGraph>(*this);
    }
    return hr;
}

inline HResult FakeMediaEngine::CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) {
    const HResult hr = Log("engine.CreatePlaybackGraph");
    if (Succeeded(hr)) {
        *graph = std::make_unique<FakePlaybackGraph>(*this);
    }
    return hr;
}

inline FakeDevice MakeFakeDevice(const std::string& friendlyName, const std::string& displayName) {
    FakeDevice d;
    d.info.friendlyName = friendlyName;
    d.info.displayName = displayName;
    return d;
}

}  // namespace velatrace::testing
