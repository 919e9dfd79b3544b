#pragma once
// A hand-written media engine for tests. It records every call in order as a short text
// ("capture.RenderStream(Capture,Video)"), answers from configurable devices and clips, lets a
// test force the result of any call, and moves the playback position only when the test says so.
//
// Call texts: "engine.<Method>", "capture.<Method>[(args)]", "play.<Method>[(args)]". The
// queries HasVideo, HasAudio, IsSeekable, ReachedEnd, TakeLatestFrame and TakeStreamError are
// not recorded. Destroying a graph records "capture.Destroy" / "play.Destroy".
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "video/LatestFrameMailbox.h"
#include "video/MediaEngine.h"

namespace velatrace::testing {

struct FakeDevice {
    DeviceInfo info;
    bool interleaved = false;  // offers an interleaved (DV) stream instead of plain video
    bool preview = true;       // false: the preview render answers kHrNoPreview
    bool streamConfig = true;  // offers the stream configuration interface
    StreamFormat format{FormatType::VideoInfo, 640, 480, 24, 640 * 480 * 3, 500000};
    std::vector<VideoFormat> formats;
    std::vector<DeviceControl> controls;
};

struct FakeClip {
    bool hasVideo = true;
    bool hasAudio = true;
    bool seekable = true;
    int64_t duration = 100000000;  // 10 s
    int32_t width = 320;
    int32_t height = 240;
    double avgTimePerFrame = 0.04;
};

// What the camera graph alive (or last alive) was told.
struct FakeCaptureState {
    bool alive = false;
    std::string device;  // bound display name
    std::string outputFile;
    StreamFormat format;
    bool capturePinRendered = false;
    bool previewRendered = false;
    bool running = false;
    CaptureControl control = CaptureControl::Hold;
    int32_t volume = 0;
    int64_t dropped = 0;
    int64_t written = 0;
};

// What the playback graph alive (or last alive) was told, plus its clock.
struct FakePlayState {
    bool alive = false;
    std::string path;
    FakeClip clip;
    bool opened = false;
    PlayState state = PlayState::Stopped;
    int64_t position = 0;
    bool reachedEnd = false;
    int32_t volume = 0;
    bool frameShown = false;  // GetCurrentBuffer has a frame to copy
    uint8_t pixelValue = 0x5A;
};

class FakeMediaEngine : public MediaEngine {
  public:
    // ---- configuration by the test ----
    std::vector<FakeDevice> devices;
    std::map<std::string, FakeClip> clips;  // files RenderFile can open, by path
    HResult enumerateResult = kHrOk;        // a failure returns an empty list

    // Forces the result of a call: `call` is a full call text ("capture.RenderStream(Capture,
    // Video)") or a method ("capture.RenderStream"); the full text wins. `times` < 0: always.
    void SetResult(const std::string& call, HResult hr, int times = -1) {
        results_[call] = Forced{hr, times};
    }
    void ClearResults() { results_.clear(); }

    // ---- observation by the test ----
    std::vector<std::string> calls;
    FakeCaptureState capture;
    FakePlayState play;

    bool Called(const std::string& call) const {
        for (const auto& c : calls) {
            if (c == call) {
                return true;
            }
        }
        return false;
    }
    // Calls starting with `prefix`, in order.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls) {
            if (c.compare(0, prefix.size(), prefix) == 0) {
                out.push_back(c);
            }
        }
        return out;
    }
    // Position of the first recorded `call` at or after `from`; -1 when absent.
    int IndexOf(const std::string& call, int from = 0) const {
        for (size_t i = static_cast<size_t>(from); i < calls.size(); ++i) {
            if (calls[i] == call) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // ---- driving engine threads by hand ----
    // Moves a running clip's position on by `delta` (100-ns units); reaching the duration stops
    // there, marks the end and wakes the GUI.
    void AdvancePlayback(int64_t delta) {
        if (!play.alive || play.state != PlayState::Running) {
            return;
        }
        play.position += delta;
        if (play.position >= play.clip.duration) {
            play.position = play.clip.duration;
            play.reachedEnd = true;
        }
        play.frameShown = play.clip.hasVideo;
        Wake();
    }
    // Puts a picture into the live graph's mailbox (as a camera or decoder thread would).
    void PutFrame(int32_t width, int32_t height) {
        VideoFrame frame = mailbox_.AcquireBuffer();
        frame.width = width;
        frame.height = height;
        frame.stride = width * 4;
        frame.pixels.assign(static_cast<size_t>(frame.stride) * static_cast<size_t>(height), 0);
        mailbox_.Put(std::move(frame));
        Wake();
    }
    // Reports an error as an engine thread would.
    void PutStreamError(HResult hr, const char* text,
                        StreamErrorSource source = StreamErrorSource::Camera) {
        StreamError error;
        error.hr = hr;
        error.source = source;
        std::snprintf(error.text, sizeof error.text, "%s", text);
        errors_.push_back(error);
        Wake();
    }

    // ---- MediaEngine ----
    void SetWakeCallback(WakeCallback wake) override {
        calls.push_back("engine.SetWakeCallback");
        wake_ = std::move(wake);
    }

    HResult EnumerateDevices(std::vector<DeviceInfo>* out) override {
        out->clear();
        HResult hr = Result("engine.EnumerateDevices", enumerateResult);
        if (Failed(hr)) {
            return hr;
        }
        for (const auto& d : devices) {
            out->push_back(d.info);
        }
        return out->empty() && hr == kHrOk ? kHrFalse : hr;
    }

    HResult CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) override;
    HResult CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) override;

    // ---- used by the fake graphs ----
    HResult Result(const std::string& call, HResult normal = kHrOk) {
        calls.push_back(call);
        auto it = results_.find(call);
        if (it == results_.end()) {
            it = results_.find(call.substr(0, call.find('(')));
        }
        if (it == results_.end() || it->second.times == 0) {
            return normal;
        }
        if (it->second.times > 0) {
            --it->second.times;
        }
        return it->second.hr;
    }
    void Record(const std::string& call) { calls.push_back(call); }
    const FakeDevice* FindDevice(const std::string& displayName) const {
        for (const auto& d : devices) {
            if (d.info.displayName == displayName) {
                return &d;
            }
        }
        return nullptr;
    }
    LatestFrameMailbox& Mailbox() { return mailbox_; }
    bool TakeError(StreamError* error) {
        if (errors_.empty()) {
            return false;
        }
        *error = errors_.front();
        errors_.erase(errors_.begin());
        return true;
    }

  private:
    struct Forced {
        HResult hr;
        int times;
    };
    void Wake() {
        if (wake_) {
            wake_();
        }
    }
    std::map<std::string, Forced> results_;
    WakeCallback wake_;
    LatestFrameMailbox mailbox_;
    std::vector<StreamError> errors_;
};

inline const char* ToText(StreamKind k) {
    return k == StreamKind::Interleaved ? "Interleaved" : "Video";
}
inline const char* ToText(PinCategory c) {
    return c == PinCategory::Capture ? "Capture" : "Preview";
}
inline const char* ToText(CaptureInterface i) {
    return i == CaptureInterface::Compression ? "Compression" : "StreamConfig";
}
inline const char* ToText(CaptureControl c) {
    return c == CaptureControl::Hold       ? "Hold"
           : c == CaptureControl::StartNow ? "StartNow"
                                           : "StopNow";
}

class FakeCaptureGraph : public CaptureGraph {
  public:
    explicit FakeCaptureGraph(FakeMediaEngine& engine) : e_(engine) {
        e_.capture = FakeCaptureState{};
        e_.capture.alive = true;
    }
    ~FakeCaptureGraph() override {
        e_.Record("capture.Destroy");
        e_.capture.alive = false;
        e_.capture.running = false;
    }

    HResult Run() override {
        HResult hr = e_.Result("capture.Run");
        if (Succeeded(hr)) {
            e_.capture.running = true;
        }
        return hr;
    }
    HResult Stop() override {
        HResult hr = e_.Result("capture.Stop");
        e_.capture.running = false;
        return hr;
    }
    bool HasVideo() const override { return e_.capture.previewRendered; }
    bool HasAudio() const override { return false; }
    HResult GetVideoSize(int32_t* width, int32_t* height) override {
        HResult hr = e_.Result("capture.GetVideoSize", HasVideo() ? kHrOk : kHrNoInterface);
        if (hr == kHrOk) {
            *width = e_.capture.format.width;
            *height =
                e_.capture.format.height < 0 ? -e_.capture.format.height : e_.capture.format.height;
        }
        return hr;
    }
    HResult GetAvgTimePerFrame(double* seconds) override {
        HResult hr = e_.Result("capture.GetAvgTimePerFrame", HasVideo() ? kHrOk : kHrNoInterface);
        if (hr == kHrOk) {
            *seconds = static_cast<double>(e_.capture.format.avgTimePerFrame) / 1e7;
        }
        return hr;
    }
    HResult PutVolume(int32_t volume) override {
        HResult hr = e_.Result("capture.PutVolume(" + std::to_string(volume) + ")", kHrNoInterface);
        if (Succeeded(hr)) {
            e_.capture.volume = volume;
        }
        return hr;
    }
    bool TakeLatestFrame(VideoFrame* frame) override { return e_.Mailbox().Take(frame); }
    bool TakeStreamError(StreamError* error) override { return e_.TakeError(error); }

    HResult BindDevice(const char* displayName) override {
        const FakeDevice* d = e_.FindDevice(displayName);
        HResult hr = e_.Result(std::string("capture.BindDevice(") + displayName + ")",
                               d ? kHrOk : kHrFileNotFound);
        if (Succeeded(hr) && d) {
            device_ = *d;
            bound_ = true;
            e_.capture.device = displayName;
            e_.capture.format = d->format;
        }
        return hr;
    }
    HResult FindInterface(StreamKind kind, CaptureInterface which) override {
        bool offered = bound_ && (kind == StreamKind::Interleaved) == device_.interleaved &&
                       which == CaptureInterface::StreamConfig && device_.streamConfig;
        return e_.Result(
            std::string("capture.FindInterface(") + ToText(kind) + "," + ToText(which) + ")",
            offered ? kHrOk : kHrNoInterface);
    }
    HResult GetFormat(StreamFormat* format) override {
        HResult hr =
            e_.Result("capture.GetFormat", bound_ && device_.streamConfig ? kHrOk : kHrNoInterface);
        if (hr == kHrOk) {
            *format = e_.capture.format;
        }
        return hr;
    }
    HResult SetFormat(const StreamFormat& format) override {
        HResult hr = e_.Result("capture.SetFormat(" + std::to_string(format.width) + "x" +
                                   std::to_string(format.height) + ")",
                               bound_ && device_.streamConfig ? kHrOk : kHrNoInterface);
        if (hr == kHrOk) {
            int64_t keep = e_.capture.format.avgTimePerFrame;
            e_.capture.format = format;
            if (format.avgTimePerFrame == 0) {
                e_.capture.format.avgTimePerFrame = keep;
            }
        }
        return hr;
    }
    HResult EnumFormats(std::vector<VideoFormat>* formats) override {
        HResult hr = e_.Result("capture.EnumFormats", bound_ ? kHrOk : kHrNoInterface);
        formats->clear();
        if (hr == kHrOk) {
            *formats = device_.formats;
        }
        return hr;
    }
    HResult ReadControls(std::vector<DeviceControl>* controls) override {
        HResult hr = e_.Result("capture.ReadControls", bound_ ? kHrOk : kHrNoInterface);
        controls->clear();
        if (hr == kHrOk) {
            *controls = device_.controls;
        }
        return hr;
    }
    HResult SetControl(uint32_t id, int32_t value) override {
        DeviceControl* found = nullptr;
        for (auto& c : device_.controls) {
            if (c.id == id) {
                found = &c;
            }
        }
        HResult hr = e_.Result(
            "capture.SetControl(" + std::to_string(id) + "," + std::to_string(value) + ")",
            found ? kHrOk : kHrInvalidArg);
        if (hr == kHrOk && found) {
            found->value = value;
        }
        return hr;
    }
    HResult SetOutputFileName(const char* path) override {
        HResult hr = e_.Result(std::string("capture.SetOutputFileName(") + path + ")");
        if (Succeeded(hr)) {
            e_.capture.outputFile = path;
            hasWriter_ = true;
        }
        return hr;
    }
    HResult SwitchOutputFile(const char* path) override { return SetOutputFileName(path); }
    HResult RenderStream(PinCategory category, StreamKind kind) override {
        bool streamOffered = bound_ && (kind == StreamKind::Interleaved) == device_.interleaved;
        HResult normal = kHrOk;
        if (!streamOffered) {
            normal = kHrNoInterface;
        } else if (category == PinCategory::Capture && !hasWriter_) {
            normal = kHrNotConnected;
        } else if (category == PinCategory::Preview && !device_.preview) {
            normal = kHrNoPreview;
        }
        HResult hr = e_.Result(
            std::string("capture.RenderStream(") + ToText(category) + "," + ToText(kind) + ")",
            normal);
        if (Succeeded(hr)) {
            (category == PinCategory::Capture ? e_.capture.capturePinRendered
                                              : e_.capture.previewRendered) = true;
        }
        return hr;
    }
    void TearDown() override {
        e_.Record("capture.TearDown");
        e_.capture.running = false;
        e_.capture.capturePinRendered = false;
        e_.capture.previewRendered = false;
        hasWriter_ = false;
    }
    HResult ControlStream(CaptureControl control) override {
        HResult hr = e_.Result(std::string("capture.ControlStream(") + ToText(control) + ")",
                               e_.capture.capturePinRendered ? kHrOk : kHrNotConnected);
        if (Succeeded(hr)) {
            e_.capture.control = control;
        }
        return hr;
    }
    void GetCaptureCounts(int64_t* dropped, int64_t* written) override {
        e_.Record("capture.GetCaptureCounts");
        *dropped = e_.capture.dropped;
        *written = e_.capture.written;
    }

  private:
    FakeMediaEngine& e_;
    FakeDevice device_;
    bool bound_ = false;
    bool hasWriter_ = false;
};

class FakePlaybackGraph : public PlaybackGraph {
  public:
    explicit FakePlaybackGraph(FakeMediaEngine& engine) : e_(engine) {
        e_.play = FakePlayState{};
        e_.play.alive = true;
    }
    ~FakePlaybackGraph() override {
        e_.Record("play.Destroy");
        e_.play.alive = false;
        e_.play.state = PlayState::Stopped;
    }

    HResult Run() override { return Change("play.Run", PlayState::Running); }
    HResult Pause() override { return Change("play.Pause", PlayState::Paused); }
    HResult Stop() override { return Change("play.Stop", PlayState::Stopped); }
    bool HasVideo() const override { return e_.play.opened && e_.play.clip.hasVideo; }
    bool HasAudio() const override { return e_.play.opened && e_.play.clip.hasAudio; }
    HResult GetVideoSize(int32_t* width, int32_t* height) override {
        HResult hr = e_.Result("play.GetVideoSize", HasVideo() ? kHrOk : kHrNoInterface);
        if (hr == kHrOk) {
            *width = e_.play.clip.width;
            *height = e_.play.clip.height;
        }
        return hr;
    }
    HResult GetAvgTimePerFrame(double* seconds) override {
        HResult hr = e_.Result("play.GetAvgTimePerFrame", HasVideo() ? kHrOk : kHrNoInterface);
        if (hr == kHrOk) {
            *seconds = e_.play.clip.avgTimePerFrame;
        }
        return hr;
    }
    HResult PutVolume(int32_t volume) override {
        HResult hr = e_.Result("play.PutVolume(" + std::to_string(volume) + ")",
                               HasAudio() ? kHrOk : kHrNoInterface);
        if (Succeeded(hr)) {
            e_.play.volume = volume;
        }
        return hr;
    }
    bool TakeLatestFrame(VideoFrame* frame) override { return e_.Mailbox().Take(frame); }
    bool TakeStreamError(StreamError* error) override { return e_.TakeError(error); }

    HResult RenderFile(const char* path) override {
        auto it = e_.clips.find(path);
        HResult hr = e_.Result(std::string("play.RenderFile(") + path + ")",
                               it != e_.clips.end() ? kHrOk : kHrUnsupportedStream);
        if (Succeeded(hr) && it != e_.clips.end()) {
            e_.play.path = path;
            e_.play.clip = it->second;
            e_.play.opened = true;
        }
        return hr;
    }
    HResult GetState(uint32_t timeoutMs, PlayState* state) override {
        HResult hr = e_.Result("play.GetState(" + std::to_string(timeoutMs) + ")");
        if (Succeeded(hr)) {
            *state = e_.play.state;
        }
        return hr;
    }
    bool IsSeekable() const override { return e_.play.opened && e_.play.clip.seekable; }
    HResult GetDuration(int64_t* duration) override {
        HResult hr = e_.Result("play.GetDuration", IsSeekable() ? kHrOk : kHrNotImpl);
        if (hr == kHrOk) {
            *duration = e_.play.clip.duration;
        }
        return hr;
    }
    HResult GetCurrentPosition(int64_t* position) override {
        HResult hr = e_.Result("play.GetCurrentPosition", e_.play.opened ? kHrOk : kHrNotConnected);
        if (hr == kHrOk) {
            *position = e_.play.position;
        }
        return hr;
    }
    HResult SetPosition(int64_t position) override {
        HResult hr = e_.Result("play.SetPosition(" + std::to_string(position) + ")",
                               IsSeekable() ? kHrOk : kHrNotImpl);
        if (hr == kHrOk) {
            e_.play.position = position < 0                       ? 0
                               : position > e_.play.clip.duration ? e_.play.clip.duration
                                                                  : position;
            e_.play.reachedEnd = false;
            e_.play.frameShown = e_.play.clip.hasVideo;
        }
        return hr;
    }
    bool ReachedEnd() const override { return e_.play.reachedEnd; }
    HResult GetGrabFormat(BitmapInfoHeader* header, int32_t* sampleSize) override {
        HResult hr = e_.Result("play.GetGrabFormat", HasVideo() ? kHrOk : kHrNotConnected);
        if (hr == kHrOk) {
            *header = BitmapInfoHeader{};
            header->biWidth = e_.play.clip.width;
            header->biHeight = e_.play.clip.height;
            header->biBitCount = 24;
            int32_t stride = ((e_.play.clip.width * 24 + 31) & ~31) / 8;
            header->biSizeImage = static_cast<uint32_t>(stride * e_.play.clip.height);
            *sampleSize = stride * e_.play.clip.height;
        }
        return hr;
    }
    HResult GetCurrentBuffer(int32_t* size, uint8_t* buffer) override {
        int32_t stride = ((e_.play.clip.width * 24 + 31) & ~31) / 8;
        int32_t need = stride * e_.play.clip.height;
        HResult normal = !e_.play.frameShown ? kHrWrongState
                         : *size < need      ? kHrOutOfMemory
                                             : kHrOk;
        HResult hr = e_.Result("play.GetCurrentBuffer", normal);
        if (hr == kHrOk) {
            std::memset(buffer, e_.play.pixelValue, static_cast<size_t>(need));
            *size = need;
        }
        return hr;
    }

  private:
    HResult Change(const char* call, PlayState to) {
        HResult hr = e_.Result(call, e_.play.opened ? kHrOk : kHrUnexpected);
        if (Succeeded(hr)) {
            e_.play.state = to;
            if (to != PlayState::Stopped && e_.play.clip.hasVideo) {
                e_.play.frameShown = true;
            }
        }
        return hr;
    }
    FakeMediaEngine& e_;
};

inline HResult FakeMediaEngine::CreateCaptureGraph(std::unique_ptr<CaptureGraph>* graph) {
    HResult hr = Result("engine.CreateCaptureGraph");
    if (Succeeded(hr)) {
        *graph = std::make_unique<FakeCaptureGraph>(*this);
    }
    return hr;
}

inline HResult FakeMediaEngine::CreatePlaybackGraph(std::unique_ptr<PlaybackGraph>* graph) {
    HResult hr = Result("engine.CreatePlaybackGraph");
    if (Succeeded(hr)) {
        *graph = std::make_unique<FakePlaybackGraph>(*this);
    }
    return hr;
}

// A camera for tests: display name "cam:<n>", friendly name given.
inline FakeDevice MakeFakeDevice(const std::string& friendlyName, const std::string& displayName) {
    FakeDevice d;
    d.info.friendlyName = friendlyName;
    d.info.displayName = displayName;
    d.formats = {{640, 480, 500000, "MJPG"}, {320, 240, 333333, "MJPG"}};
    DeviceControl brightness;
    brightness.id = 1;
    brightness.name = "Brightness";
    brightness.maximum = 255;
    brightness.defaultValue = 128;
    brightness.value = 128;
    d.controls = {brightness};
    return d;
}

}  // namespace velatrace::testing
