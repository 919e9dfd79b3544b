// Opening a recorded AVI for replay, cut or garbled anywhere: the index scan a file without an
// index or length gets, then seeks to the middle and the end and a few frames, as the seek bar
// does. Any file is opened or refused without harm, and a duration it reports is a real number.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzCheck.h"
#include "video/ffmpeg/ClipDecoder.h"

using namespace velatrace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    av_log_set_level(AV_LOG_QUIET);
    const std::string path = fuzz::WriteScratch(data, size, ".avi");
    {
        ClipDecoder clip;
        if (clip.Open(path, AVMEDIA_TYPE_VIDEO) == MediaError::None) {
            FUZZ_CHECK(std::isfinite(clip.Duration()) && clip.Duration() >= 0.0);
            AvFramePtr frame;
            double time = 0.0;
            if (clip.Seekable()) {
                clip.SeekTo(clip.Duration() / 2, &frame, &time);
                clip.SeekTo(clip.Duration(), &frame, &time);
                clip.SeekTo(0.0, &frame, &time);
            }
            for (int i = 0; i < 4 && clip.Next(&frame, &time) == MediaError::None; ++i) {
                FUZZ_CHECK(std::isfinite(time));
            }
        }
    }
    std::remove(path.c_str());
    return 0;
}
