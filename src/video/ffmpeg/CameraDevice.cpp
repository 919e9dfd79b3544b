#include "video/ffmpeg/CameraDevice.h"

#include <cmath>
#include <cstdlib>

extern "C" {
#include <libavutil/rational.h>
}

namespace velatrace {

MediaTime FrameTimeOfRate(AVRational rate) {
    if (rate.num <= 0 || rate.den <= 0)
        return MediaTime{0};
    return MediaTime{av_rescale(1000000, rate.den, rate.num)};
}

AVRational RateOfFrameTime(MediaTime frameTime) {
    if (frameTime.count() <= 0)
        return AVRational{0, 1};
    const double fps = 1e6 / static_cast<double>(frameTime.count());
    // Whole rates and the NTSC family (30000/1001 ...) come back exactly.
    const double whole = std::round(fps);
    if (whole >= 1 && std::fabs(fps - whole) < whole * 1e-4) {
        return AVRational{static_cast<int>(whole), 1};
    }
    const double ntsc = std::round(fps * 1.001);
    if (ntsc >= 1 && std::fabs(fps - ntsc / 1.001) < ntsc * 1e-4) {
        return AVRational{static_cast<int>(ntsc) * 1000, 1001};
    }
    return av_d2q(fps, 100000);
}

CameraMode ChooseNearestMode(const std::vector<CameraMode>& modes, const CameraMode& wanted) {
    if (modes.empty())
        return wanted;
    const double wantedRate = wanted.rate.num > 0 ? av_q2d(wanted.rate) : 0.0;
    const CameraMode* best = nullptr;
    int64_t bestSize = 0;
    double bestRate = 0.0;
    for (const CameraMode& m : modes) {
        const int64_t sizeDistance = std::llabs(int64_t{m.width} - wanted.width) +
                                     std::llabs(int64_t{m.height} - wanted.height);
        const double rate = m.rate.num > 0 ? av_q2d(m.rate) : 0.0;
        // Without a wanted rate the fastest rate is nearest.
        const double rateDistance = wantedRate > 0 ? std::fabs(rate - wantedRate) : -rate;
        bool better = !best || sizeDistance < bestSize ||
                      (sizeDistance == bestSize && rateDistance < bestRate - 1e-6);
        // On a tie the camera's own Motion-JPEG is preferred: it is written without re-encoding.
        if (best && sizeDistance == bestSize && std::fabs(rateDistance - bestRate) <= 1e-6 &&
            m.pixelFormat == "MJPG" && best->pixelFormat != "MJPG") {
            better = true;
        }
        if (better) {
            best = &m;
            bestSize = sizeDistance;
            bestRate = rateDistance;
        }
    }
    return *best;
}

}  // namespace velatrace
