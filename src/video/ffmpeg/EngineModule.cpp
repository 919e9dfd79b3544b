// The entry of the media engine module the program loads at run time.
#include <new>

#include "video/MediaModule.h"
#include "video/ffmpeg/FfmpegMediaEngine.h"

extern "C" __attribute__((visibility("default"))) int VelatraceMakeMediaEngine(
    velatrace::MediaEngine** engine) {
    if (engine == nullptr) {
        return 1;
    }
    *engine = new (std::nothrow) velatrace::FfmpegMediaEngine();
    return *engine == nullptr ? 1 : 0;
}
