#include "video/ffmpeg/FfmpegCamera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "video/ffmpeg/CameraList.h"
#include "video/ffmpeg/ThreadName.h"

namespace velatrace {
namespace {

const CameraMode kDefaultMode{640, 480, {20, 1}, ""};

// Whether the file can be created (or replaced) for writing, found without replacing it: a file
// that did not exist before is removed again, so only a capture creates the AVI.
MediaError CheckWritable(const std::string& path) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    if (existed && std::filesystem::is_directory(path, ec))
        return MediaError::FileInUse;
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return MediaError::FileInUse;
    std::fclose(f);
    if (!existed)
        std::filesystem::remove(path, ec);
    return MediaError::None;
}

// Whether two names are one file (also when neither exists yet).
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec))
        return true;
    std::error_code ec2;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    const auto cb = std::filesystem::weakly_canonical(b, ec2);
    return !ec && !ec2 ? ca == cb : a == b;
}

// Frames the encoder queue holds: about a second of video, within bounds of memory.
size_t QueueCapacity(AVRational rate) {
    const double fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 30.0;
    return static_cast<size_t>(std::clamp(std::lround(fps), 8L, 32L));
}

}  // namespace

FfmpegCamera::FfmpegCamera(WakeHubPtr wake) : wake_(std::move(wake)) {}

FfmpegCamera::~FfmpegCamera() {
    Stop();
}

MediaError FfmpegCamera::Open(const char* displayName) {
    if (device_)
        return MediaError::Unexpected;
    if (!displayName)
        return MediaError::MissingObject;
    std::unique_ptr<CameraDevice> device;
    const MediaError hr = OpenCamera(displayName, &device);
    if (Failed(hr))
        return hr;
    CameraMode mode;
    if (Failed(device->CurrentMode(&mode)) || mode.width <= 0 || mode.height <= 0) {
        mode = kDefaultMode;
    }
    device_ = std::move(device);
    displayName_ = displayName;
    cameraName_ = displayName;
    for (const CameraInfo& d : ListCameras()) {
        if (d.displayName == displayName_ && !d.friendlyName.empty())
            cameraName_ = "\"" + d.friendlyName + "\" (" + displayName_ + ")";
    }
    requested_ = device_->NearestMode(mode);
    delivered_ = requested_;
    return MediaError::None;
}

MediaError FfmpegCamera::Modes(std::vector<VideoMode>* modes) {
    if (!modes)
        return MediaError::MissingObject;
    std::vector<CameraMode> offered;
    const MediaError hr = device_->ListModes(&offered);
    modes->clear();
    for (const CameraMode& m : offered) {
        modes->push_back(VideoMode{m.width, m.height, FrameTimeOfRate(m.rate), m.pixelFormat});
    }
    return hr;
}

VideoMode FfmpegCamera::Mode() const {
    const CameraMode& m = running_ ? delivered_ : requested_;
    return VideoMode{m.width, m.height, FrameTimeOfRate(m.rate), m.pixelFormat};
}

MediaError FfmpegCamera::SetMode(const VideoMode& mode) {
    if (running_ && !cameraLost_)
        return MediaError::NotReady;
    if (mode.width <= 0 || mode.height <= 0)
        return MediaError::InvalidArgument;
    CameraMode wanted = requested_;
    wanted.width = mode.width;
    wanted.height = mode.height;
    if (mode.frameTime.count() > 0)
        wanted.rate = RateOfFrameTime(mode.frameTime);
    if (!mode.pixelFormat.empty())
        wanted.pixelFormat = mode.pixelFormat;
    // What the device would deliver for it is what it is asked for.
    requested_ = device_->NearestMode(wanted);
    delivered_ = requested_;
    return MediaError::None;
}

MediaError FfmpegCamera::Controls(std::vector<DeviceControl>* controls) {
    if (!controls)
        return MediaError::MissingObject;
    return device_->ReadControls(controls);
}

MediaError FfmpegCamera::SetControl(uint32_t id, int32_t value) {
    return device_->SetControl(id, value);
}

MediaError FfmpegCamera::SetFile(const char* path) {
    if (!path || !*path)
        return MediaError::InvalidArgument;
    if (!running_ || !recorder_ || cameraLost_) {
        outputPath_ = path;
        return MediaError::None;
    }
    // Checked here, so the caller knows at once; the encoder thread creates the file at its first
    // frame, after finishing the one before. The file being written cannot be the next.
    const bool usable = !SameFile(path, recordingPath_) && Succeeded(CheckWritable(path));
    outputPath_ = path;
    recordingPath_ = path;
    if (!usable)
        letThrough_ = false;
    recorder_->SwitchTo(path, !usable);
    return usable ? MediaError::None : MediaError::FileInUse;
}

MediaError FfmpegCamera::LetThrough(bool letThrough, bool withPretrigger) {
    if (letThrough && outputPath_.empty())
        return MediaError::NotConnected;
    letThrough_ = letThrough;
    if (recorder_)
        recorder_->LetThrough(letThrough, letThrough && withPretrigger);
    return MediaError::None;
}

MediaError FfmpegCamera::KeepPretrigger(int32_t seconds, int64_t maxBytes) {
    if (seconds < 0 || maxBytes < 0)
        return MediaError::InvalidArgument;
    prerollSec_ = seconds;
    prerollBytes_ = maxBytes;
    if (recorder_)
        recorder_->KeepPreroll(seconds, maxBytes);
    return MediaError::None;
}

MediaError FfmpegCamera::Start() {
    // A graph whose camera was lost is still running on paper: running it again starts afresh.
    if (running_ && !cameraLost_)
        return MediaError::None;
    Stop();
    const bool records = !outputPath_.empty();
    if (records) {
        const MediaError hr = CheckWritable(outputPath_);
        if (Failed(hr))
            return hr;
    }
    std::unique_ptr<CameraSource> source;
    const MediaError hr = device_->Open(device_->NearestMode(requested_), &source);
    if (Failed(hr))
        return hr;
    source_ = std::move(source);
    delivered_ = source_->Mode();
    counters_.dropped = 0;
    counters_.written = 0;
    if (records) {
        AviVideoFormat format;
        format.width = delivered_.width;
        format.height = delivered_.height;
        format.rate = delivered_.rate.num > 0 ? delivered_.rate : AVRational{30, 1};
        format.jpegPackets = delivered_.pixelFormat == "MJPG";
        recorder_ =
            std::make_unique<CaptureRecorder>(outputPath_, format, QueueCapacity(format.rate),
                                              letThrough_, counters_, errors_, *wake_);
        recorder_->KeepPreroll(prerollSec_, prerollBytes_);
        recorder_->Start();
        recordingPath_ = outputPath_;
    }
    mailbox_.Clear();  // a picture of the last run is no news
    stop_.Reset();
    cameraLost_ = false;
    running_ = true;
    camera_ = std::thread([this] { CameraLoop(); });
    return MediaError::None;
}

void FfmpegCamera::Stop() {
    if (!running_)
        return;
    stop_.Raise();
    if (camera_.joinable())
        camera_.join();
    if (recorder_)
        recorder_->Finish();
    recorder_.reset();
    source_.reset();
    running_ = false;
}

void FfmpegCamera::CameraLoop() {
    NameThisThread("vt-camera");
    for (;;) {
        CameraFrame frame;
        const MediaError hr = source_->Read(&frame, stop_);
        if (hr == MediaError::Nothing)
            return;
        if (Failed(hr)) {
            // The camera is gone: what was captured is written and the file closed now, not
            // when the GUI gets round to stopping the graph.
            if (recorder_)
                recorder_->Finish();
            cameraLost_ = true;
            const std::string reason = source_->FailureReason();
            errors_.Post(StreamErrorSource::Camera, hr,
                         "The camera %s stopped delivering frames%s%s", cameraName_.c_str(),
                         reason.empty() ? "" : ": ", reason.c_str());
            wake_->Wake();
            return;
        }
        PutPreview(frame);
        if (recorder_)
            recorder_->Offer(frame);
    }
}

void FfmpegCamera::PutPreview(const CameraFrame& frame) {
    const AVFrame* p = frame.picture.get();
    if (!p)
        return;
    VideoFrame out = mailbox_.AcquireBuffer();
    out.width = p->width;
    out.height = p->height;
    out.stride = p->width * 4;
    out.pixels.resize(static_cast<size_t>(out.stride) * static_cast<size_t>(out.height));
    uint8_t* planes[4] = {out.pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {out.stride, 0, 0, 0};
    if (!previewConverter_.Convert(p, AV_PIX_FMT_BGRA, p->width, p->height, planes, strides)) {
        return;
    }
    out.timestamp = MediaTime{std::llround(frame.time * 1e6)};
    mailbox_.Put(std::move(out));
    wake_->Wake();
}

}  // namespace velatrace
