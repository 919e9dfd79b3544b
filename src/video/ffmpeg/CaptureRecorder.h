#pragma once
// The capture stream of a running camera graph: a bounded queue between the camera thread and an
// encoder thread that writes the frames let through into one AVI file. The camera thread never
// waits here: when the queue is full the frame is dropped and counted. Each frame's number in the
// file comes from its capture time, so drops leave gaps rather than shifting the frames after.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "video/ffmpeg/AviWriter.h"
#include "video/ffmpeg/CameraDevice.h"
#include "video/ffmpeg/StreamErrors.h"
#include "video/ffmpeg/WakeHub.h"

namespace velatrace {

struct CaptureCounters {
    std::atomic<int64_t> dropped{0};
    std::atomic<int64_t> written{0};
};

class CaptureRecorder {
  public:
    // `capacity`: frames the queue holds before the camera's frames are dropped.
    CaptureRecorder(std::string path, AviVideoFormat format, size_t capacity, bool letThrough,
                    CaptureCounters& counters, StreamErrors& errors, WakeHub& wake);
    ~CaptureRecorder();
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;

    void Start();

    // Lets frames through to the file or holds them back; takes effect for the next frame offered.
    void LetThrough(bool on);

    // Camera thread: hands over a frame; it is written when let through and there is room.
    void Offer(CameraFrame& frame);

    // Writes what is queued, closes the file (index and trailer written) and ends the encoder
    // thread. Safe to call more than once and from any thread but the encoder's.
    void Finish();

  private:
    struct Item {
        CameraFrame frame;
        bool resumed = false;  // first frame after the stream was held: numbering continues
    };

    void Run();
    void Write(Item& item);
    void Fail(HResult hr, const char* what);

    const std::string path_;
    const AviVideoFormat format_;
    const size_t capacity_;
    CaptureCounters& counters_;
    StreamErrors& errors_;
    WakeHub& wake_;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Item> queue_;
    bool letThrough_ = false;
    bool resumePending_ = false;
    bool finishing_ = false;
    std::thread thread_;
    std::mutex finishMutex_;

    // Encoder thread only.
    AviWriter writer_;
    bool failed_ = false;
    bool started_ = false;
    double origin_ = 0.0;  // capture time of frame number 0
    int64_t lastIndex_ = -1;
};

}  // namespace velatrace
