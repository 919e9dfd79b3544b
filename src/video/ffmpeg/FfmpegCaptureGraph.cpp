#include "video/ffmpeg/FfmpegCaptureGraph.h"

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

bool LetsThrough(CaptureControl control) {
    return control == CaptureControl::StartNow || control == CaptureControl::StartWithPreroll;
}

}  // namespace

FfmpegCaptureGraph::FfmpegCaptureGraph(WakeHubPtr wake) : wake_(std::move(wake)) {}

FfmpegCaptureGraph::~FfmpegCaptureGraph() {
    Stop();
}

MediaError FfmpegCaptureGraph::BindDevice(const char* displayName) {
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
    for (const DeviceInfo& d : ListCameras()) {
        if (d.displayName == displayName_ && !d.friendlyName.empty())
            cameraName_ = "\"" + d.friendlyName + "\" (" + displayName_ + ")";
    }
    requested_ = mode;
    delivered_ = mode;
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::FindInterface(StreamKind kind, CaptureInterface which) {
    // Cameras here deliver plain video, configured through their formats; no compression
    // settings are offered.
    if (!device_ || kind != StreamKind::Video || which != CaptureInterface::StreamConfig) {
        return MediaError::NotOffered;
    }
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::GetFormat(StreamFormat* format) {
    if (!device_)
        return MediaError::NotOffered;
    if (!format)
        return MediaError::MissingObject;
    const CameraMode& m = Rendered() ? delivered_ : requested_;
    format->formatType = FormatType::VideoInfo;
    format->width = m.width;
    format->height = m.height;
    format->bitCount = BitsPerPixel(m.pixelFormat);
    const int64_t stride = ((int64_t{m.width} * format->bitCount + 31) & ~int64_t{31}) / 8;
    format->imageSize = static_cast<int32_t>(std::min<int64_t>(stride * m.height, INT32_MAX));
    format->avgTimePerFrame = FrameTime100ns(m.rate);
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::SetFormat(const StreamFormat& format) {
    if (!device_)
        return MediaError::NotOffered;
    if (Rendered())
        return MediaError::NotReady;
    if (format.formatType != FormatType::VideoInfo || format.width <= 0 || format.height == 0) {
        return MediaError::InvalidArgument;
    }
    requested_.width = format.width;
    requested_.height = std::abs(format.height);
    if (format.avgTimePerFrame > 0)
        requested_.rate = RateOfFrameTime(format.avgTimePerFrame);
    delivered_ = requested_;
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::EnumFormats(std::vector<VideoFormat>* formats) {
    if (!device_)
        return MediaError::NotOffered;
    if (!formats)
        return MediaError::MissingObject;
    std::vector<CameraMode> modes;
    const MediaError hr = device_->ListModes(&modes);
    formats->clear();
    for (const CameraMode& m : modes) {
        formats->push_back(VideoFormat{m.width, m.height, FrameTime100ns(m.rate), m.pixelFormat});
    }
    return hr;
}

MediaError FfmpegCaptureGraph::ReadControls(std::vector<DeviceControl>* controls) {
    if (!device_)
        return MediaError::NotOffered;
    if (!controls)
        return MediaError::MissingObject;
    return device_->ReadControls(controls);
}

MediaError FfmpegCaptureGraph::SetControl(uint32_t id, int32_t value) {
    if (!device_)
        return MediaError::NotOffered;
    return device_->SetControl(id, value);
}

MediaError FfmpegCaptureGraph::SwitchOutputFile(const char* path) {
    if (!path || !*path)
        return MediaError::InvalidArgument;
    if (!running_ || !recorder_ || cameraLost_)
        return SetOutputFileName(path);
    // Checked here, so the caller knows at once; the encoder thread creates the file at its first
    // frame, after finishing the one before. The file being written cannot be the next.
    const bool usable = !SameFile(path, recordingPath_) && Succeeded(CheckWritable(path));
    outputPath_ = path;
    recordingPath_ = path;
    if (!usable)
        control_ = CaptureControl::Hold;
    recorder_->SwitchTo(path, !usable);
    return usable ? MediaError::None : MediaError::FileInUse;
}

MediaError FfmpegCaptureGraph::SetOutputFileName(const char* path) {
    if (!path || !*path)
        return MediaError::InvalidArgument;
    outputPath_ = path;
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::RenderStream(PinCategory category, StreamKind kind) {
    if (!device_ || kind != StreamKind::Video)
        return MediaError::NotOffered;
    if (running_)
        return MediaError::NotReady;
    if (category == PinCategory::Capture) {
        if (outputPath_.empty())
            return MediaError::NotConnected;
        captureRendered_ = true;
    } else {
        previewRendered_ = true;
    }
    delivered_ = device_->NearestMode(requested_);
    return MediaError::None;
}

void FfmpegCaptureGraph::TearDown() {
    Stop();
    previewRendered_ = false;
    captureRendered_ = false;
}

MediaError FfmpegCaptureGraph::ControlStream(CaptureControl control) {
    if (!captureRendered_)
        return MediaError::NotConnected;
    control_ = control;
    if (recorder_)
        recorder_->LetThrough(LetsThrough(control), control == CaptureControl::StartWithPreroll);
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::SetPreroll(int32_t seconds, int64_t maxBytes) {
    if (seconds < 0 || maxBytes < 0)
        return MediaError::InvalidArgument;
    prerollSec_ = seconds;
    prerollBytes_ = maxBytes;
    if (recorder_)
        recorder_->KeepPreroll(seconds, maxBytes);
    return MediaError::None;
}

void FfmpegCaptureGraph::GetCaptureCounts(int64_t* dropped, int64_t* written) {
    if (dropped)
        *dropped = counters_.dropped.load();
    if (written)
        *written = counters_.written.load();
}

bool FfmpegCaptureGraph::HasVideo() const {
    return previewRendered_;
}

MediaError FfmpegCaptureGraph::GetVideoSize(int32_t* width, int32_t* height) {
    if (!previewRendered_)
        return MediaError::NotOffered;
    if (!width || !height)
        return MediaError::MissingObject;
    *width = delivered_.width;
    *height = delivered_.height;
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::GetAvgTimePerFrame(double* seconds) {
    if (!previewRendered_)
        return MediaError::NotOffered;
    if (!seconds)
        return MediaError::MissingObject;
    const AVRational r = delivered_.rate;
    *seconds = r.num > 0 && r.den > 0 ? static_cast<double>(r.den) / r.num : 0.0;
    return MediaError::None;
}

MediaError FfmpegCaptureGraph::Run() {
    // A graph whose camera was lost is still running on paper: running it again starts afresh.
    if (running_ && !cameraLost_)
        return MediaError::None;
    Stop();
    if (!device_ || !Rendered())
        return MediaError::NotConnected;
    if (captureRendered_) {
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
    if (captureRendered_) {
        AviVideoFormat format;
        format.width = delivered_.width;
        format.height = delivered_.height;
        format.rate = delivered_.rate.num > 0 ? delivered_.rate : AVRational{30, 1};
        format.jpegPackets = delivered_.pixelFormat == "MJPG";
        recorder_ =
            std::make_unique<CaptureRecorder>(outputPath_, format, QueueCapacity(format.rate),
                                              LetsThrough(control_), counters_, errors_, *wake_);
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

MediaError FfmpegCaptureGraph::Stop() {
    if (!running_)
        return MediaError::None;
    stop_.Raise();
    if (camera_.joinable())
        camera_.join();
    if (recorder_)
        recorder_->Finish();
    recorder_.reset();
    source_.reset();
    running_ = false;
    return MediaError::None;
}

void FfmpegCaptureGraph::CameraLoop() {
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
        if (previewRendered_)
            PutPreview(frame);
        if (recorder_)
            recorder_->Offer(frame);
    }
}

void FfmpegCaptureGraph::PutPreview(const CameraFrame& frame) {
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
    out.timestamp = std::llround(frame.time * 1e7);
    mailbox_.Put(std::move(out));
    wake_->Wake();
}

}  // namespace velatrace
