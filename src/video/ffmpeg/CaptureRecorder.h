#pragma once
// The capture stream of a running camera graph: a bounded queue between the camera thread and an
// encoder thread that writes the frames let through into AVI files. The camera thread never
// waits here: when the queue is full the frame is dropped and counted. Each frame's number in the
// file comes from its capture time, so drops leave gaps rather than shifting the frames after.
//
// Encoding. A camera's own JPEG frames are stored as they come. Pictures are encoded to JPEG by
// the encoder thread and a helper thread side by side, each taking the oldest frame not yet
// taken; the encoder thread writes the frames into the file strictly in the order they were
// offered, waiting for a frame the helper still encodes.
//
// Files. Frames go to the file named at construction until SwitchTo names the next one; the
// encoder thread finishes each file (index written, closed) when it reaches the first frame of
// the next, so the camera thread never waits for a file to be closed or created. A file is
// created at its first frame.
//
// Pre-roll. With KeepPreroll, frames offered while the stream holds are encoded too and kept, with
// those written, as the last seconds of the camera (bounded in bytes); a LetThrough that asks for
// them writes the kept frames of the last seconds before the first frame let through, each at its
// own time, so the file begins that much earlier.
//
// Failures. When a file cannot be created or written (disk full, I/O error) or a frame cannot be
// encoded, the encoder finishes it up to its last good frame, reports one Recorder error naming the
// file and the system's reason, and wakes the GUI. The frame that failed and those queued after it
// for that file are counted as dropped; frames offered afterwards are not queued and not counted,
// until SwitchTo names another file.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "video/ffmpeg/AviWriter.h"
#include "video/ffmpeg/CameraDevice.h"
#include "video/ffmpeg/JpegEncoder.h"
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
    // With `withPreroll` the file gets the frames kept for the pre-roll first.
    void LetThrough(bool on, bool withPreroll = false);
    // Keeps the frames of the last `seconds` (at most `maxBytes` of them) for a LetThrough with
    // pre-roll; 0 keeps none. Takes effect for the next frame offered.
    void KeepPreroll(int32_t seconds, int64_t maxBytes);

    // Camera thread: hands over a frame; it is written when let through and there is room.
    void Offer(CameraFrame& frame);

    // Frames offered from now on go to `path`, numbered from its own first frame; the file before
    // is finished by the encoder thread once its last frame is written. With `hold` the stream
    // also holds from now on (as LetThrough(false)). Returns at once; nothing after Finish.
    void SwitchTo(std::string path, bool hold);

    // Writes what is queued, closes the file (index and trailer written) and ends the encoder
    // thread. Safe to call more than once and from any thread but the encoder's.
    void Finish();

    // Threads that encode pictures at the same time (the encoder thread and its helpers).
    static constexpr int kEncoderThreads = 2;

  private:
    enum class Stage {
        Ready,     // nothing to encode, or encoded (frame.jpeg, or the failure)
        Waiting,   // a picture to encode, not taken yet
        Encoding,  // a thread encodes it now
    };
    struct Item {
        CameraFrame frame;
        bool resumed = false;      // first frame after the stream was held
        bool held = false;         // offered while holding: kept, not written
        bool withPreroll = false;  // the kept frames go into the file before it
        int32_t keepSeconds = 0;   // the pre-roll in force when it was offered
        int64_t keepBytes = 0;
        std::optional<std::string> nextFile;  // not a frame: the frames after go to this file
        Stage stage = Stage::Ready;
        MediaError encoded = MediaError::None;  // the encoding's result
        std::string encodeError;                // why the encoding failed
    };
    using ItemPtr = std::shared_ptr<Item>;

    void Run();
    // Helper thread: encodes the frames waiting until the encoder thread ends.
    void Help();
    // With the mutex held: the oldest frame waiting to be encoded, now marked as taken; null
    // when none waits.
    ItemPtr TakeWaiting();
    // Encodes the item's picture with the calling thread's encoder (mutex not held).
    void Encode(Item& item, JpegEncoder& encoder);
    void Write(Item& item);
    // Encoder thread: writes one JPEG frame taken at `time`; `resumed` numbers it right after the
    // file's last frame instead of by the clock.
    void WriteFrame(const AVPacket* jpeg, double time, bool resumed);
    // Encoder thread: the kept frames taken in the `seconds` before `time` go into the file;
    // false when there were none.
    bool WritePreroll(double time, int32_t seconds, bool resumed);
    // Encoder thread: keeps the item's frame for a later pre-roll (or, when the pre-roll is off,
    // lets go of what is kept); a frame encoded here is taken from the item, not copied.
    void Keep(Item& item);
    // Encoder thread: closes the file; a failure to finish it is reported unless one was.
    void FinishFile();
    // Encoder thread: the file failed; it is finished, reported once and written no more, and
    // the frames queued for it are dropped.
    void FailFile(MediaError hr, const char* verb, std::string reason = {});
    // Encoder thread: posts the Recorder error for the file and wakes the GUI.
    void Report(MediaError hr, const char* verb, std::string reason = {});

    const AviVideoFormat format_;
    const size_t capacity_;
    CaptureCounters& counters_;
    StreamErrors& errors_;
    WakeHub& wake_;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<ItemPtr> queue_;
    size_t queuedFrames_ = 0;
    bool letThrough_ = false;
    bool resumePending_ = false;
    bool prerollPending_ = false;
    int32_t keepSeconds_ = 0;
    int64_t keepBytes_ = 0;
    bool finishing_ = false;
    uint64_t offerFile_ = 0;  // the file frames offered now go to (counts SwitchTo calls)
    std::optional<uint64_t> failedFile_;  // a file that failed: no frames are queued for it
    bool helpersStop_ = false;
    std::thread thread_;
    std::vector<std::thread> helpers_;
    std::mutex finishMutex_;

    // Encoder thread only.
    std::string path_;
    uint64_t writingFile_ = 0;
    AviWriter writer_;
    JpegEncoder encoder_;
    bool failed_ = false;
    bool started_ = false;
    double origin_ = 0.0;  // capture time of frame number 0
    int64_t lastIndex_ = -1;
    double lastTime_ = 0.0;     // capture time of the file's last frame
    int framesSinceCheck_ = 0;  // frames written since the file was last found in its place
    struct KeptFrame {
        AvPacketPtr jpeg;
        double time = 0.0;
    };
    std::deque<KeptFrame> kept_;  // the camera's last seconds, oldest first
    int64_t keptBytes_ = 0;
};

}  // namespace velatrace
