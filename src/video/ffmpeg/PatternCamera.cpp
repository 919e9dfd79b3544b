#include "video/ffmpeg/PatternCamera.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavutil/opt.h>
}

namespace velatrace {
namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 4096;
constexpr int kMaxRate = 120;
constexpr char kPixelFormat[] = "YU12";  // planar 4:2:0, what the encoder takes as it is

// Controls of the test pattern: picture controls applied by the eq filter, and a mains
// frequency setting that a camera without flicker to cancel keeps but does not act on.
constexpr uint32_t kBrightnessId = 1;
constexpr uint32_t kSaturationId = 2;
constexpr uint32_t kContrastId = 3;
constexpr uint32_t kGrayscaleId = 4;
constexpr uint32_t kPowerLineId = 5;

// A font file for the clock, if the machine has one of the common ones.
std::string FindClockFont() {
    static const char* const kFonts[] = {
        "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
        "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
        "/usr/share/fonts/truetype/freefont/FreeMono.ttf",
        "/usr/share/fonts/TTF/DejaVuSansMono.ttf",
        "/System/Library/Fonts/Supplemental/Courier New.ttf",
        "C:/Windows/Fonts/consola.ttf",
        "C:/Windows/Fonts/arial.ttf",
    };
    std::error_code ec;
    for (const char* f : kFonts) {
        if (std::filesystem::is_regular_file(f, ec))
            return f;
    }
    return {};
}

// VELATRACE_TEST_CAMERA_VANISH_AFTER=N makes the camera stop delivering after N frames, as an
// unplugged one does, so the program's handling of a lost camera can be tried without hardware.
int64_t VanishAfter() {
    const char* v = std::getenv("VELATRACE_TEST_CAMERA_VANISH_AFTER");
    return v ? std::strtoll(v, nullptr, 10) : 0;
}

struct PatternControls {
    std::atomic<int32_t> brightness{0};    // -100..100, eq's brightness = value / 100
    std::atomic<int32_t> contrast{100};    // 0..200, eq's contrast = value / 100
    std::atomic<int32_t> saturation{100};  // 0..200, eq's saturation = value / 100
    std::atomic<int32_t> grayscale{0};     // 1: saturation 0 whatever its control says
    std::atomic<int32_t> powerLine{1};     // 0 off, 1 50 Hz, 2 60 Hz
    std::atomic<uint32_t> changes{0};
};

class PatternSource : public CameraSource {
  public:
    PatternSource(CameraMode mode, std::shared_ptr<PatternControls> controls)
        : mode_(std::move(mode)), controls_(std::move(controls)) {}

    MediaError Build() {
        graph_.reset(avfilter_graph_alloc());
        if (!graph_)
            return MediaError::OutOfMemory;
        graph_->nb_threads = 1;
        char args[96];
        std::snprintf(args, sizeof args, "size=%dx%d:rate=%d/%d", mode_.width, mode_.height,
                      mode_.rate.num, mode_.rate.den);
        // With a font the richer pattern gets a clock; without one the plain pattern's own
        // counter shows the time running.
        const std::string font = FindClockFont();
        AVFilterContext* last = nullptr;
        if (!font.empty())
            last = MakeFilter("testsrc2", args);
        if (last) {
            AVFilterContext* clock = ClockFilter(font);
            if (!clock || avfilter_link(last, 0, clock, 0) < 0) {
                graph_.reset(avfilter_graph_alloc());
                if (!graph_)
                    return MediaError::OutOfMemory;
                graph_->nb_threads = 1;
                last = nullptr;
            } else {
                last = clock;
            }
        }
        if (!last)
            last = MakeFilter("testsrc", args);
        if (!last)
            return MediaError::Failed;
        eq_ = MakeFilter("eq", nullptr);
        if (eq_) {
            if (avfilter_link(last, 0, eq_, 0) < 0)
                return MediaError::Failed;
            last = eq_;
        }
        AVFilterContext* format = MakeFilter("format", "pix_fmts=yuvj420p");
        if (!format || avfilter_link(last, 0, format, 0) < 0)
            return MediaError::Failed;
        if (avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                         nullptr, graph_.get()) < 0 ||
            avfilter_link(format, 0, sink_, 0) < 0) {
            return MediaError::Failed;
        }
        if (avfilter_graph_config(graph_.get(), nullptr) < 0)
            return MediaError::Failed;
        timeBase_ = av_buffersink_get_time_base(sink_);
        appliedChanges_ = ~0u;
        return MediaError::None;
    }

    CameraMode Mode() const override { return mode_; }

    std::string FailureReason() const override { return failure_; }

    MediaError Read(CameraFrame* frame, StopSignal& stop) override {
        ApplyControls();
        if (!pending_) {
            AvFramePtr f = MakeFrame();
            const int r = f ? av_buffersink_get_frame(sink_, f.get()) : AVERROR(ENOMEM);
            if (r < 0) {
                char text[AV_ERROR_MAX_STRING_SIZE] = {};
                av_strerror(r, text, sizeof text);
                failure_ = text;
                return r == AVERROR(ENOMEM) ? MediaError::OutOfMemory : MediaError::Failed;
            }
            pending_ = std::move(f);
        }
        const double time = static_cast<double>(pending_->pts) * av_q2d(timeBase_);
        const auto now = StopSignal::Clock::now();
        if (!anchored_) {
            anchorWall_ = now;
            anchorTime_ = time;
            anchored_ = true;
        }
        // Deliver each frame when its time has come, as a camera would.
        const auto due = anchorWall_ + std::chrono::duration_cast<StopSignal::Clock::duration>(
                                           std::chrono::duration<double>(time - anchorTime_));
        if (due > now && !stop.WaitUntil(due))
            return MediaError::Nothing;
        if (vanishAfter_ > 0 && delivered_ >= vanishAfter_) {
            failure_ = "No such device";  // what V4L2 says of an unplugged camera
            return MediaError::DeviceGone;
        }
        ++delivered_;
        frame->picture = std::move(pending_);
        frame->jpeg.reset();
        frame->time = time;
        return MediaError::None;
    }

  private:
    AVFilterContext* MakeFilter(const char* name, const char* args) {
        const AVFilter* filter = avfilter_get_by_name(name);
        AVFilterContext* ctx = nullptr;
        if (!filter ||
            avfilter_graph_create_filter(&ctx, filter, name, args, nullptr, graph_.get()) < 0) {
            return nullptr;
        }
        return ctx;
    }

    AVFilterContext* ClockFilter(const std::string& font) {
        const AVFilter* filter = avfilter_get_by_name("drawtext");
        if (!filter)
            return nullptr;
        AVFilterContext* ctx = avfilter_graph_alloc_filter(graph_.get(), filter, "clock");
        if (!ctx)
            return nullptr;
        const int size = std::max(10, mode_.height / 12);
        char fontSize[16];
        std::snprintf(fontSize, sizeof fontSize, "%d", size);
        // Options go in one by one, so the clock text needs no escaping for a graph description.
        if (av_opt_set(ctx, "fontfile", font.c_str(), AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(ctx, "text", "%{pts:hms}", AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(ctx, "fontsize", fontSize, AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(ctx, "fontcolor", "white", AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(ctx, "box", "1", AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(ctx, "boxcolor", "black@0.6", AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(ctx, "x", "(w-tw)/2", AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(ctx, "y", "h-th-lh/2", AV_OPT_SEARCH_CHILDREN) < 0 ||
            avfilter_init_str(ctx, nullptr) < 0) {
            return nullptr;
        }
        return ctx;
    }

    // Controls change on the GUI thread; the filter is told here, on the reading thread.
    void ApplyControls() {
        const uint32_t changes = controls_->changes.load();
        if (!eq_ || changes == appliedChanges_)
            return;
        appliedChanges_ = changes;
        const int32_t saturation = controls_->grayscale.load() ? 0 : controls_->saturation.load();
        const std::pair<const char*, int32_t> settings[] = {
            {"brightness", controls_->brightness.load()},
            {"contrast", controls_->contrast.load()},
            {"saturation", saturation},
        };
        for (const auto& [name, value] : settings) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", value / 100.0);
            avfilter_graph_send_command(graph_.get(), "eq", name, text, nullptr, 0, 0);
        }
    }

    CameraMode mode_;
    std::shared_ptr<PatternControls> controls_;
    AvFilterGraphPtr graph_;
    AVFilterContext* sink_ = nullptr;
    AVFilterContext* eq_ = nullptr;
    AVRational timeBase_{1, 1};
    uint32_t appliedChanges_ = ~0u;
    AvFramePtr pending_;
    int64_t delivered_ = 0;
    const int64_t vanishAfter_ = VanishAfter();
    std::string failure_;
    bool anchored_ = false;
    StopSignal::Clock::time_point anchorWall_;
    double anchorTime_ = 0.0;
};

class PatternCamera : public CameraDevice {
  public:
    MediaError ListModes(std::vector<CameraMode>* modes) override {
        // What a common HD webcam lists: every size at 30 per second, and slower rates for the
        // sizes used where light is low or the bus is busy.
        static const int kModes[][3] = {
            {1920, 1080, 30}, {1920, 1080, 15}, {1280, 720, 30}, {1280, 720, 15}, {800, 600, 30},
            {800, 600, 20},   {640, 480, 30},   {640, 480, 20},  {640, 480, 15},  {320, 240, 30},
            {320, 240, 20},   {320, 240, 15},   {160, 120, 30},  {160, 120, 15},
        };
        modes->clear();
        for (const auto& m : kModes)
            modes->push_back(CameraMode{m[0], m[1], {m[2], 1}, kPixelFormat});
        return MediaError::None;
    }

    MediaError CurrentMode(CameraMode* mode) override {
        *mode = current_;
        return MediaError::None;
    }

    // Any size and rate within reason is delivered exactly as asked.
    CameraMode NearestMode(const CameraMode& wanted) override {
        CameraMode m;
        m.width = std::clamp(wanted.width > 0 ? wanted.width : current_.width, kMinSide, kMaxSide);
        m.height =
            std::clamp(wanted.height > 0 ? wanted.height : current_.height, kMinSide, kMaxSide);
        m.rate = wanted.rate.num > 0 && wanted.rate.den > 0 ? wanted.rate : current_.rate;
        if (av_q2d(m.rate) > kMaxRate)
            m.rate = AVRational{kMaxRate, 1};
        if (av_q2d(m.rate) < 1.0)
            m.rate = AVRational{1, 1};
        m.pixelFormat = kPixelFormat;
        return m;
    }

    MediaError ReadControls(std::vector<DeviceControl>* controls) override {
        controls->clear();
        const auto add = [&](uint32_t id, const char* name, ControlKind kind, int32_t minimum,
                             int32_t maximum, int32_t defaultValue, int32_t value) {
            DeviceControl c;
            c.id = id;
            c.name = name;
            c.kind = kind;
            c.minimum = minimum;
            c.maximum = maximum;
            c.defaultValue = defaultValue;
            c.value = value;
            controls->push_back(std::move(c));
        };
        const PatternControls& c = *controls_;
        add(kBrightnessId, "Brightness", ControlKind::Integer, -100, 100, 0, c.brightness);
        add(kContrastId, "Contrast", ControlKind::Integer, 0, 200, 100, c.contrast);
        add(kSaturationId, "Saturation", ControlKind::Integer, 0, 200, 100, c.saturation);
        add(kGrayscaleId, "Grayscale", ControlKind::Boolean, 0, 1, 0, c.grayscale);
        add(kPowerLineId, "Power Line Frequency", ControlKind::Menu, 0, 2, 1, c.powerLine);
        controls->back().menuItems = {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}};
        return MediaError::None;
    }

    MediaError SetControl(uint32_t id, int32_t value) override {
        switch (id) {
            case kBrightnessId:
                controls_->brightness = std::clamp(value, -100, 100);
                break;
            case kContrastId:
                controls_->contrast = std::clamp(value, 0, 200);
                break;
            case kSaturationId:
                controls_->saturation = std::clamp(value, 0, 200);
                break;
            case kGrayscaleId:
                controls_->grayscale = value != 0 ? 1 : 0;
                break;
            case kPowerLineId:
                controls_->powerLine = std::clamp(value, 0, 2);
                break;
            default:
                return MediaError::InvalidArgument;
        }
        controls_->changes.fetch_add(1);
        return MediaError::None;
    }

    MediaError Open(const CameraMode& mode, std::unique_ptr<CameraSource>* source) override {
        current_ = NearestMode(mode);
        auto s = std::make_unique<PatternSource>(current_, controls_);
        const MediaError hr = s->Build();
        if (Failed(hr))
            return hr;
        *source = std::move(s);
        return MediaError::None;
    }

  private:
    CameraMode current_{640, 480, {20, 1}, kPixelFormat};
    std::shared_ptr<PatternControls> controls_ = std::make_shared<PatternControls>();
};

}  // namespace

bool PatternCameraEnabled() {
    const char* v = std::getenv("VELATRACE_TEST_CAMERA");
    return v && std::strcmp(v, "1") == 0;
}

std::unique_ptr<CameraDevice> MakePatternCamera() {
    return std::make_unique<PatternCamera>();
}

}  // namespace velatrace
