#include "video/ffmpeg/V4l2Camera.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "video/ffmpeg/AvDeviceSource.h"

namespace velatrace {
namespace {

namespace fs = std::filesystem;

class DeviceFd {
  public:
    explicit DeviceFd(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
    ~DeviceFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    DeviceFd(const DeviceFd&) = delete;
    DeviceFd& operator=(const DeviceFd&) = delete;
    bool ok() const { return fd_ >= 0; }
    int get() const { return fd_; }

  private:
    int fd_;
};

int Ioctl(int fd, unsigned long request, void* arg) {
    int r;
    do {
        r = ::ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

std::string FourCc(uint32_t f) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((f >> (8 * i)) & 0xFF);
        if (c != ' ' && c != '\0')
            s += c;
    }
    return s;
}

// Encodings libavdevice can stream and this engine can decode.
bool Streamable(uint32_t f) {
    switch (f) {
        case V4L2_PIX_FMT_MJPEG:
        case V4L2_PIX_FMT_JPEG:
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
        case V4L2_PIX_FMT_NV12:
        case V4L2_PIX_FMT_YUV420:
        case V4L2_PIX_FMT_RGB24:
        case V4L2_PIX_FMT_BGR24:
        case V4L2_PIX_FMT_GREY:
            return true;
        default:
            return false;
    }
}

std::string ModeName(uint32_t f) {
    // Baseline JPEG cameras are written the same way as Motion-JPEG ones.
    return f == V4L2_PIX_FMT_JPEG ? std::string("MJPG") : FourCc(f);
}

// A capture device's card name, or false when `path` is no video capture device.
bool QueryCaptureDevice(const std::string& path, std::string* card) {
    DeviceFd fd(path);
    if (!fd.ok())
        return false;
    v4l2_capability cap{};
    if (Ioctl(fd.get(), VIDIOC_QUERYCAP, &cap) < 0)
        return false;
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE))
        return false;
    if (!(caps & (V4L2_CAP_STREAMING | V4L2_CAP_READWRITE)))
        return false;
    if (card) {
        const char* c = reinterpret_cast<const char*>(cap.card);
        *card = std::string(c, strnlen(c, sizeof cap.card));
    }
    return true;
}

void AddRates(int fd, uint32_t pixel, int w, int h, const std::string& name,
              std::vector<CameraMode>* modes) {
    v4l2_frmivalenum iv{};
    iv.pixel_format = pixel;
    iv.width = static_cast<uint32_t>(w);
    iv.height = static_cast<uint32_t>(h);
    std::set<std::pair<int, int>> seen;
    auto add = [&](uint32_t num, uint32_t den) {
        if (num == 0 || den == 0 || num > INT_MAX || den > INT_MAX)
            return;
        AVRational rate{static_cast<int>(den), static_cast<int>(num)};
        av_reduce(&rate.num, &rate.den, rate.num, rate.den, INT_MAX);
        if (seen.insert({rate.num, rate.den}).second)
            modes->push_back({w, h, rate, name});
    };
    for (iv.index = 0; Ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &iv) == 0; ++iv.index) {
        if (iv.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            add(iv.discrete.numerator, iv.discrete.denominator);
            continue;
        }
        // A range of intervals: its ends and the common rates inside it.
        const double slowest = static_cast<double>(iv.stepwise.max.numerator) /
                               std::max<uint32_t>(1, iv.stepwise.max.denominator);
        const double fastest = static_cast<double>(iv.stepwise.min.numerator) /
                               std::max<uint32_t>(1, iv.stepwise.min.denominator);
        add(iv.stepwise.min.numerator, iv.stepwise.min.denominator);
        for (int r : {60, 30, 25, 20, 15, 10, 5}) {
            const double t = 1.0 / r;
            if (t >= fastest && t <= slowest)
                add(1, static_cast<uint32_t>(r));
        }
        add(iv.stepwise.max.numerator, iv.stepwise.max.denominator);
        break;
    }
    if (seen.empty())
        modes->push_back({w, h, {0, 1}, name});
}

class V4l2Camera : public CameraDevice {
  public:
    explicit V4l2Camera(std::string path) : path_(std::move(path)) {}

    MediaError ListModes(std::vector<CameraMode>* modes) override {
        modes->clear();
        DeviceFd fd(path_);
        if (!fd.ok())
            return MediaError::DeviceGone;
        v4l2_fmtdesc desc{};
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        for (desc.index = 0; Ioctl(fd.get(), VIDIOC_ENUM_FMT, &desc) == 0; ++desc.index) {
            if (!Streamable(desc.pixelformat))
                continue;
            const std::string name = ModeName(desc.pixelformat);
            v4l2_frmsizeenum size{};
            size.pixel_format = desc.pixelformat;
            for (size.index = 0; Ioctl(fd.get(), VIDIOC_ENUM_FRAMESIZES, &size) == 0;
                 ++size.index) {
                if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                    AddRates(fd.get(), desc.pixelformat, static_cast<int>(size.discrete.width),
                             static_cast<int>(size.discrete.height), name, modes);
                    continue;
                }
                // A range of sizes: the common sizes that fit its steps, and its largest.
                const auto& s = size.stepwise;
                static const int kCommon[][2] = {{160, 120},  {320, 240},  {640, 480},
                                                 {800, 600},  {1024, 768}, {1280, 720},
                                                 {1280, 960}, {1920, 1080}};
                auto fits = [&](uint32_t v, uint32_t lo, uint32_t hi, uint32_t step) {
                    return v >= lo && v <= hi && (step <= 1 || (v - lo) % step == 0);
                };
                for (const auto& c : kCommon) {
                    const auto w = static_cast<uint32_t>(c[0]);
                    const auto h = static_cast<uint32_t>(c[1]);
                    if (fits(w, s.min_width, s.max_width, s.step_width) &&
                        fits(h, s.min_height, s.max_height, s.step_height)) {
                        AddRates(fd.get(), desc.pixelformat, c[0], c[1], name, modes);
                    }
                }
                AddRates(fd.get(), desc.pixelformat, static_cast<int>(s.max_width),
                         static_cast<int>(s.max_height), name, modes);
                break;
            }
        }
        return MediaError::None;
    }

    MediaError CurrentMode(CameraMode* mode) override {
        DeviceFd fd(path_);
        if (!fd.ok())
            return MediaError::DeviceGone;
        v4l2_format fmt{};
        fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Ioctl(fd.get(), VIDIOC_G_FMT, &fmt) < 0)
            return MediaError::Failed;
        mode->width = static_cast<int32_t>(fmt.fmt.pix.width);
        mode->height = static_cast<int32_t>(fmt.fmt.pix.height);
        mode->pixelFormat = ModeName(fmt.fmt.pix.pixelformat);
        mode->rate = AVRational{0, 1};
        v4l2_streamparm parm{};
        parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Ioctl(fd.get(), VIDIOC_G_PARM, &parm) == 0) {
            const v4l2_fract& t = parm.parm.capture.timeperframe;
            if (t.numerator > 0 && t.denominator > 0 && t.numerator <= INT_MAX &&
                t.denominator <= INT_MAX) {
                mode->rate =
                    AVRational{static_cast<int>(t.denominator), static_cast<int>(t.numerator)};
            }
        }
        return MediaError::None;
    }

    CameraMode NearestMode(const CameraMode& wanted) override {
        std::vector<CameraMode> modes;
        ListModes(&modes);
        return ChooseNearestMode(modes, wanted);
    }

    MediaError ReadControls(std::vector<DeviceControl>* controls) override {
        controls->clear();
        DeviceFd fd(path_);
        if (!fd.ok())
            return MediaError::DeviceGone;
        v4l2_queryctrl q{};
        q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
        if (Ioctl(fd.get(), VIDIOC_QUERYCTRL, &q) == 0) {
            do {
                AddControl(fd.get(), q, controls);
                q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
            } while (Ioctl(fd.get(), VIDIOC_QUERYCTRL, &q) == 0);
            return MediaError::None;
        }
        // Old drivers: walk the user and camera control ranges by id.
        for (uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id)
            QueryOne(fd.get(), id, controls);
        for (uint32_t id = V4L2_CID_CAMERA_CLASS_BASE; id < V4L2_CID_CAMERA_CLASS_BASE + 64; ++id) {
            QueryOne(fd.get(), id, controls);
        }
        return MediaError::None;
    }

    MediaError SetControl(uint32_t id, int32_t value) override {
        DeviceFd fd(path_);
        if (!fd.ok())
            return MediaError::DeviceGone;
        v4l2_control c{};
        c.id = id;
        c.value = value;
        if (Ioctl(fd.get(), VIDIOC_S_CTRL, &c) == 0)
            return MediaError::None;
        return errno == EINVAL ? MediaError::InvalidArgument
                               : (errno == EACCES ? MediaError::AccessDenied : MediaError::Failed);
    }

    MediaError Open(const CameraMode& mode, std::unique_ptr<CameraSource>* source) override {
        return OpenAvDeviceSource("video4linux2", path_, mode, source);
    }

  private:
    static void QueryOne(int fd, uint32_t id, std::vector<DeviceControl>* controls) {
        v4l2_queryctrl q{};
        q.id = id;
        if (Ioctl(fd, VIDIOC_QUERYCTRL, &q) == 0)
            AddControl(fd, q, controls);
    }

    static void AddControl(int fd, const v4l2_queryctrl& q, std::vector<DeviceControl>* controls) {
        if (q.flags & V4L2_CTRL_FLAG_DISABLED)
            return;
        DeviceControl c;
        switch (q.type) {
            case V4L2_CTRL_TYPE_INTEGER:
                c.kind = ControlKind::Integer;
                break;
            case V4L2_CTRL_TYPE_BOOLEAN:
                c.kind = ControlKind::Boolean;
                break;
            case V4L2_CTRL_TYPE_MENU:
            case V4L2_CTRL_TYPE_INTEGER_MENU:
                c.kind = ControlKind::Menu;
                break;
            default:
                return;  // buttons, classes, strings and 64-bit values are not settings
        }
        c.id = q.id;
        const char* n = reinterpret_cast<const char*>(q.name);
        c.name = std::string(n, strnlen(n, sizeof q.name));
        c.minimum = q.minimum;
        c.maximum = q.maximum;
        c.step = q.step > 0 ? q.step : 1;
        c.defaultValue = q.default_value;
        c.value = q.default_value;
        v4l2_control cur{};
        cur.id = q.id;
        if (Ioctl(fd, VIDIOC_G_CTRL, &cur) == 0)
            c.value = cur.value;
        if (c.kind == ControlKind::Menu) {
            for (int32_t i = q.minimum; i <= q.maximum && i - q.minimum < 256; ++i) {
                v4l2_querymenu m{};
                m.id = q.id;
                m.index = static_cast<uint32_t>(i);
                if (Ioctl(fd, VIDIOC_QUERYMENU, &m) != 0)
                    continue;
                ControlMenuItem item;
                item.value = i;
                if (q.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
                    item.name = std::to_string(m.value);
                } else {
                    const char* mn = reinterpret_cast<const char*>(m.name);
                    item.name = std::string(mn, strnlen(mn, sizeof m.name));
                }
                c.menuItems.push_back(std::move(item));
            }
        }
        controls->push_back(std::move(c));
    }

    std::string path_;
};

// The number of a /dev/videoN name, or -1.
int VideoNumber(const std::string& name) {
    if (name.rfind("video", 0) != 0 || name.size() == 5)
        return -1;
    int n = 0;
    for (size_t i = 5; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || n > 100000)
            return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

}  // namespace

std::vector<CameraInfo> ListV4l2Cameras() {
    std::error_code ec;
    std::map<int, std::string> nodes;
    for (const auto& e : fs::directory_iterator("/dev", ec)) {
        const int n = VideoNumber(e.path().filename().string());
        if (n >= 0)
            nodes[n] = e.path().string();
    }
    // Stable names: the by-id links, keyed by the node they point at (the first link by name).
    std::map<std::string, std::string> byId;
    std::vector<fs::path> links;
    for (const auto& e : fs::directory_iterator("/dev/v4l/by-id", ec))
        links.push_back(e.path());
    std::sort(links.begin(), links.end());
    for (const auto& link : links) {
        const fs::path target = fs::canonical(link, ec);
        if (!ec)
            byId.emplace(target.string(), link.string());
    }
    std::vector<CameraInfo> devices;
    for (const auto& [n, path] : nodes) {
        std::string card;
        if (!QueryCaptureDevice(path, &card))
            continue;
        CameraInfo d;
        d.friendlyName = card;
        const auto it = byId.find(path);
        d.displayName = it != byId.end() ? it->second : path;
        devices.push_back(std::move(d));
    }
    return devices;
}

MediaError OpenV4l2Camera(const std::string& displayName, std::unique_ptr<CameraDevice>* device) {
    if (displayName.empty() || !QueryCaptureDevice(displayName, nullptr))
        return MediaError::NotFound;
    *device = std::make_unique<V4l2Camera>(displayName);
    return MediaError::None;
}

}  // namespace velatrace
