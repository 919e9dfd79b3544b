// A capture for the crash test, in a process of its own: frames of 64 x 48 at 25 a second into
// <folder>/crash.avi in RIFF parts of <part bytes>, every tenth frame number left out, and four
// records per frame (channel 1 counting from 1) into <folder>/crash.csv, and a marker at the newest
// record every seventh frame into <folder>/crash.markers.csv. It runs until killed, or
// with a frame count writes that many at full speed and closes both files.
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "support/FakeClock.h"
#include "video/ffmpeg/AviWriter.h"
#include "video/ffmpeg/JpegEncoder.h"
#include "wave/MarkerFile.h"
#include "wave/WaveCsv.h"

using namespace velatrace;

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const int64_t frames = argc > 3 ? std::atoll(argv[3]) : -1;
    AviWriter avi;
    avi.LimitPartSize(std::atoll(argv[2]));
    if (Failed(avi.Open(std::string(argv[1]) + "/crash.avi", {64, 48, {25, 1}, false})))
        return 1;
    auto wave = std::make_unique<WaveBuffer>();
    LoggerSetup setup;
    setup.intervalMs = 10;
    setup.bytesPerPoint = 48;
    setup.channel[0].type = kTypeVoltage;
    setup.channel[0].scale = 1.0;
    velatrace::testing::FakeClock clock;
    WaveCsv csv(*wave, setup, clock);
    csv.BeginCsv((std::string(argv[1]) + "/").c_str(), "crash", 0, 0);

    AvFramePtr picture = MakeFrame();
    picture->format = AV_PIX_FMT_YUVJ420P, picture->width = 64, picture->height = 48;
    av_frame_get_buffer(picture.get(), 0);
    JpegEncoder encoder;
    int32_t record = 0;
    for (int64_t i = 0; frames < 0 || i < frames; ++i) {
        for (int plane = 0; plane < 3; ++plane)
            memset(picture->data[plane], static_cast<int>(i * 7),
                   picture->linesize[plane] * (plane ? 24 : 48));
        AvPacketPtr jpeg;
        if (Failed(encoder.Encode(picture.get(), &jpeg)) ||
            Failed(avi.WriteJpeg(jpeg.get(), i + i / 9)))
            return 1;
        for (int r = 0; r < 4; ++r) {
            ++record;
            uint8_t point[48] = {static_cast<uint8_t>(record >> 8), static_cast<uint8_t>(record)};
            wave->AppendPoints(PointLayout(setup), point, sizeof point);
        }
        csv.AppendCsv();
        if (i % 7 == 3) {
            Marker marker;
            marker.record = record - 1;
            marker.clipMs = marker.record * setup.intervalMs;
            SetMarkerText(marker, "frame, \"marked\"");
            if (AppendMarker((std::string(argv[1]) + "/crash.markers.csv").c_str(), marker,
                             nullptr) != 0)
                return 1;
        }
        if (frames < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    csv.EndCsv();
    return Failed(avi.Close()) ? 1 : 0;
}
