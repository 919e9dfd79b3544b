#pragma once
// A media engine for tests. What a camera or clip was told shows in its state (`camera`,
// `clip`); a test makes a call fail by naming it in `failing` ("Camera::Start"). The clip's
// position moves only when the test says so.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "video/MediaEngine.h"

namespace velatrace::testing {

struct FakeDevice {
    CameraInfo info;
    VideoMode mode{640, 480, MediaTime{50000}, "YUYV"};
};

struct FakeClip {
    bool hasVideo = true, hasAudio = true, seekable = true;
    MediaTime duration{10000000};  // 10 s
    int32_t width = 320, height = 240;
};

class FakeMediaEngine : public MediaEngine {
  public:
    std::vector<FakeDevice> devices;
    std::map<std::string, FakeClip> clips;      // files OpenClip opens, by path
    std::map<std::string, MediaError> failing;  // calls that fail, by name
    StreamError error;                          // an error the camera or clip reports once
    bool hasError = false;
    VideoFrame picture;  // a picture the camera hands out once
    bool hasPicture = false;
    int32_t unstreamableWidth = 0;  // a width the camera takes but cannot start in
    std::string problem;            // why there is no engine at all
    struct {                        // the open (or last) camera
        bool open = false, running = false, recording = false, withPretrigger = false;
        std::string device, file;
        VideoMode mode;
        int32_t pretriggerSec = 0;
        int64_t dropped = 0, written = 0;
        std::map<uint32_t, int32_t> controls;  // values set, by control id
        int controlsSet = 0;                   // how many times a value was set
    } camera;
    struct {  // the open (or last) clip
        bool open = false, playing = false, reachedEnd = false;
        FakeClip file;
        MediaTime position{0};
        int32_t volume = 0;
    } clip;

    // The result of `call` when it would succeed.
    MediaError Result(const std::string& call) const {
        const auto it = failing.find(call);
        return it == failing.end() ? MediaError::None : it->second;
    }
    // Moves a playing clip on by `delta`, up to its end.
    void AdvancePlayback(MediaTime delta) {
        if (clip.open && clip.playing) {
            clip.position = std::min(clip.position + delta, clip.file.duration);
            clip.reachedEnd = clip.position == clip.file.duration;
        }
    }
    bool TakeNews(VideoFrame* f, StreamError* e, bool fromCamera) {
        if (f != nullptr)
            return fromCamera && std::exchange(hasPicture, false) && (*f = picture, true);
        return std::exchange(hasError, false) && (*e = error, true);
    }

    const char* Problem() const override { return problem.c_str(); }
    void SetWakeCallback(WakeCallback) override {}
    MediaError ListCameras(std::vector<CameraInfo>* out) override {
        out->clear();
        const MediaError e = Result("MediaEngine::ListCameras");
        for (size_t i = 0; Succeeded(e) && i < devices.size(); ++i)
            out->push_back(devices[i].info);
        return e;
    }
    MediaError OpenCamera(const char* name, std::unique_ptr<Camera>* out) override;
    MediaError OpenClip(const char* path, std::unique_ptr<ClipPlayer>* out) override;
};

using FakeCameraState = decltype(FakeMediaEngine::camera);

class FakeRecorder final : public Recorder {
  public:
    FakeRecorder(FakeMediaEngine& e, FakeCameraState& c) : e_(e), c_(c) {}
    MediaError SetFile(const char* path) override {
        const MediaError e =
            *path == '\0' ? MediaError::InvalidArgument : e_.Result("Recorder::SetFile");
        return Succeeded(e) ? (c_.file = path, e) : e;
    }
    MediaError Start(bool withPretrigger) override {
        c_.recording = true, c_.withPretrigger = withPretrigger;
        return e_.Result("Recorder::Start");
    }
    void Stop() override { c_.recording = false; }
    MediaError KeepPretrigger(int32_t seconds, int64_t) override {
        return c_.pretriggerSec = seconds, MediaError::None;
    }
    void Counts(int64_t* dropped, int64_t* written) const override {
        *dropped = c_.dropped, *written = c_.written;
    }

  private:
    FakeMediaEngine& e_;
    FakeCameraState& c_;
};

class FakeCamera final : public Camera {
  public:
    explicit FakeCamera(FakeMediaEngine& e) : e_(e), c_(e.camera), rec_(e, e.camera) {}
    ~FakeCamera() override { c_.open = c_.running = false; }
    MediaError Modes(std::vector<VideoMode>* m) override {
        *m = {{1280, 720, MediaTime{33333}, "MJPG"},
              {640, 480, MediaTime{50000}, "MJPG"},
              {320, 240, MediaTime{33333}, "MJPG"}};
        return e_.Result("Camera::Modes");
    }
    VideoMode Mode() const override { return c_.mode; }
    MediaError SetMode(const VideoMode& m) override {
        const MediaError e = c_.running ? MediaError::NotReady : e_.Result("Camera::SetMode");
        return Succeeded(e) ? (c_.mode = m, e) : e;
    }
    MediaError Controls(std::vector<DeviceControl>* c) override {
        return c->assign(1, DeviceControl{}), e_.Result("Camera::Controls");
    }
    MediaError SetControl(uint32_t id, int32_t v) override {
        return ++c_.controlsSet, c_.controls[id] = v, MediaError::None;
    }
    MediaError Start() override {
        const bool refused = e_.unstreamableWidth != 0 && c_.mode.width == e_.unstreamableWidth;
        const MediaError e = refused ? MediaError::DeviceGone : e_.Result("Camera::Start");
        return Succeeded(e) ? (c_.running = true, e) : e;
    }
    void Stop() override { c_.running = c_.recording = false; }
    bool TakeLatestFrame(VideoFrame* f) override { return e_.TakeNews(f, nullptr, true); }
    bool TakeStreamError(StreamError* e) override { return e_.TakeNews(nullptr, e, true); }
    Recorder& Recording() override { return rec_; }

  private:
    FakeMediaEngine& e_;
    FakeCameraState& c_;
    FakeRecorder rec_;
};

class FakeClipPlayer final : public ClipPlayer {
  public:
    explicit FakeClipPlayer(FakeMediaEngine& e) : e_(e), c_(e.clip) {}
    ~FakeClipPlayer() override { c_.open = c_.playing = false; }
    ClipInfo Info() const override {
        const FakeClip& f = c_.file;
        return {f.hasVideo, f.hasAudio,       f.seekable, f.width,
                f.height,   MediaTime{40000}, f.duration};
    }
    MediaError Play() override { return c_.playing = true, MediaError::None; }
    MediaError Pause() override { return c_.playing = false, MediaError::None; }
    MediaError Seek(MediaTime at) override {
        c_.position = std::clamp(at, MediaTime{0}, c_.file.duration);
        return c_.reachedEnd = false, MediaError::None;
    }
    MediaTime Position() override { return c_.position; }
    bool ReachedEnd() const override { return c_.reachedEnd; }
    MediaError SetVolume(int32_t v) override { return c_.volume = v, MediaError::None; }
    MediaError Grab(StillImage* s) override {
        if (!c_.file.hasVideo)
            return MediaError::NotConnected;
        s->width = c_.file.width, s->height = c_.file.height;
        s->rows.assign(static_cast<size_t>(StillRowBytes(s->width) * s->height), 0x5A);
        return MediaError::None;
    }
    bool TakeLatestFrame(VideoFrame* f) override { return e_.TakeNews(f, nullptr, false); }
    bool TakeStreamError(StreamError* e) override { return e_.TakeNews(nullptr, e, false); }

  private:
    FakeMediaEngine& e_;
    decltype(FakeMediaEngine::clip)& c_;
};

inline MediaError FakeMediaEngine::OpenCamera(const char* name, std::unique_ptr<Camera>* out) {
    for (const FakeDevice& d : devices) {
        const MediaError e = Result("MediaEngine::OpenCamera");
        if (d.info.displayName == name && Succeeded(e)) {
            camera = {};
            camera.open = true, camera.device = name, camera.mode = d.mode;
            *out = std::make_unique<FakeCamera>(*this);
            return e;
        }
        if (d.info.displayName == name)
            return e;
    }
    return MediaError::NotFound;
}

inline MediaError FakeMediaEngine::OpenClip(const char* path, std::unique_ptr<ClipPlayer>* out) {
    const auto it = clips.find(path);
    if (it == clips.end())
        return MediaError::Unsupported;
    clip = {};
    clip.open = true, clip.file = it->second;
    *out = std::make_unique<FakeClipPlayer>(*this);
    return MediaError::None;
}

}  // namespace velatrace::testing
