#include "video/ffmpeg/CaptureRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "video/MediaError.h"
#include "video/ffmpeg/ThreadName.h"

namespace velatrace {

namespace {
// Frames between two looks at whether the file is still where it was written (about a second).
constexpr int kGoneCheckFrames = 25;
constexpr char kFolderGone[] = "its folder was deleted or unmounted while it was recorded";
}  // namespace

CaptureRecorder::CaptureRecorder(std::string path, AviVideoFormat format, size_t capacity,
                                 bool letThrough, CaptureCounters& counters, StreamErrors& errors,
                                 WakeHub& wake)
    : format_(format),
      capacity_(std::max<size_t>(capacity, 1)),
      counters_(counters),
      errors_(errors),
      wake_(wake),
      letThrough_(letThrough),
      path_(std::move(path)) {}

CaptureRecorder::~CaptureRecorder() {
    Finish();
}

void CaptureRecorder::Start() {
    // The helpers first: the encoder thread joins them when it ends.
    if (!format_.jpegPackets) {
        for (int i = 1; i < kEncoderThreads; ++i)
            helpers_.emplace_back([this] { Help(); });
    }
    thread_ = std::thread([this] { Run(); });
}

void CaptureRecorder::LetThrough(bool on, bool withPreroll) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (on && !letThrough_) {
        resumePending_ = true;
        prerollPending_ = withPreroll;
    }
    letThrough_ = on;
}

void CaptureRecorder::KeepPreroll(int32_t seconds, int64_t maxBytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    keepSeconds_ = std::max(seconds, 0);
    keepBytes_ = std::max<int64_t>(maxBytes, 0);
}

void CaptureRecorder::Offer(CameraFrame& frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool held = !letThrough_;
    if ((held && keepSeconds_ == 0) || finishing_ || failedFile_ == offerFile_)
        return;
    if (queuedFrames_ >= capacity_) {
        // A frame only kept for the pre-roll is not a frame lost from a recording.
        if (!held)
            counters_.dropped.fetch_add(1);
        return;
    }
    auto item = std::make_shared<Item>();
    // Only what this file takes: the camera's JPEG data, or the picture to encode. A frame that
    // cannot be held (no memory) is lost like one that finds the queue full.
    if (format_.jpegPackets && frame.jpeg) {
        item->frame.jpeg = RefPacket(frame.jpeg.get());
        if (!item->frame.jpeg) {
            counters_.dropped.fetch_add(1);
            return;
        }
    } else if (!format_.jpegPackets && frame.picture) {
        item->frame.picture = RefFrame(frame.picture.get());
        if (!item->frame.picture) {
            counters_.dropped.fetch_add(1);
            return;
        }
        item->stage = Stage::Waiting;
    }
    item->frame.time = frame.time;
    item->held = held;
    item->keepSeconds = keepSeconds_;
    item->keepBytes = keepBytes_;
    if (!held) {
        item->resumed = resumePending_;
        item->withPreroll = prerollPending_ && resumePending_;
        resumePending_ = false;
        prerollPending_ = false;
    }
    queue_.push_back(std::move(item));
    ++queuedFrames_;
    cv_.notify_all();
}

void CaptureRecorder::SwitchTo(std::string path, bool hold) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finishing_)
        return;
    auto item = std::make_shared<Item>();
    item->nextFile = std::move(path);
    queue_.push_back(std::move(item));
    ++offerFile_;
    if (hold)
        letThrough_ = false;
    cv_.notify_all();
}

void CaptureRecorder::Finish() {
    std::lock_guard<std::mutex> finishLock(finishMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void CaptureRecorder::Run() {
    NameThisThread("vt-encoder");
    for (;;) {
        ItemPtr item;
        ItemPtr encode;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            const auto frontReady = [this] {
                return !queue_.empty() && queue_.front()->stage == Stage::Ready;
            };
            // The next item in order is written as soon as it is ready; until then this thread
            // encodes whatever frame waits (the next one itself, or one after it).
            cv_.wait(lock, [&] {
                if (frontReady())
                    return true;
                encode = TakeWaiting();
                return encode || (finishing_ && queue_.empty());
            });
            if (!encode) {
                if (queue_.empty())
                    break;  // finishing, and everything queued is written
                item = std::move(queue_.front());
                queue_.pop_front();
                if (!item->nextFile)
                    --queuedFrames_;
            }
        }
        if (encode) {
            Encode(*encode, encoder_);
            continue;
        }
        if (item->nextFile) {
            // The last frame of the file before is written: it is finished, and the next one
            // starts at its own frame 0.
            FinishFile();
            path_ = std::move(*item->nextFile);
            ++writingFile_;
            failed_ = false;
            started_ = false;
            lastIndex_ = -1;
            continue;
        }
        Write(*item);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        helpersStop_ = true;
    }
    cv_.notify_all();
    for (std::thread& helper : helpers_)
        helper.join();
    helpers_.clear();
    FinishFile();
}

void CaptureRecorder::Help() {
    NameThisThread("vt-jpeg");
    JpegEncoder encoder;
    for (;;) {
        ItemPtr item;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait(lock, [&] {
                if (helpersStop_)
                    return true;
                item = TakeWaiting();
                return item != nullptr;
            });
            if (!item)
                return;
        }
        Encode(*item, encoder);
    }
}

CaptureRecorder::ItemPtr CaptureRecorder::TakeWaiting() {
    for (const ItemPtr& item : queue_) {
        if (item->stage == Stage::Waiting) {
            item->stage = Stage::Encoding;
            return item;
        }
    }
    return nullptr;
}

void CaptureRecorder::Encode(Item& item, JpegEncoder& encoder) {
    // Only the thread that took the item touches its frame until it is marked ready.
    AvPacketPtr jpeg;
    item.encoded = encoder.Encode(item.frame.picture.get(), &jpeg);
    if (Failed(item.encoded))
        item.encodeError = encoder.ErrorText();
    item.frame.jpeg = std::move(jpeg);
    item.frame.picture.reset();  // the camera's buffer goes back at once
    {
        std::lock_guard<std::mutex> lock(mutex_);
        item.stage = Stage::Ready;
    }
    cv_.notify_all();
}

void CaptureRecorder::Write(Item& item) {
    if (!item.held && !failed_) {
        if (Failed(item.encoded)) {
            // The frame could not be encoded: the file ends before it, and the user hears why.
            counters_.dropped.fetch_add(1);
            FailFile(item.encoded, "write", "the frame could not be encoded: " + item.encodeError);
            return;
        }
        bool resumed = item.resumed;
        // The kept frames lead up to this one: it goes on by the clock after them.
        if (item.withPreroll && item.keepSeconds > 0 &&
            WritePreroll(item.frame.time, item.keepSeconds, resumed)) {
            resumed = false;
        }
        if (item.frame.jpeg && !failed_)
            WriteFrame(item.frame.jpeg.get(), item.frame.time, resumed);
    }
    Keep(item);
}

bool CaptureRecorder::WritePreroll(double time, int32_t seconds, bool resumed) {
    // Frames this file already holds are not written twice.
    const double from = lastIndex_ >= 0 ? std::max(time - seconds, std::nextafter(lastTime_, time))
                                        : time - seconds;
    bool wrote = false;
    for (const KeptFrame& k : kept_) {
        if (failed_)
            break;
        if (k.time < from || k.time >= time)
            continue;
        WriteFrame(k.jpeg.get(), k.time, resumed && !wrote);
        wrote = true;
    }
    return wrote;
}

void CaptureRecorder::Keep(Item& item) {
    if (item.keepSeconds <= 0) {
        kept_.clear();
        keptBytes_ = 0;
        return;
    }
    const AVPacket* jpeg = item.frame.jpeg.get();
    if (Failed(item.encoded) || !jpeg || jpeg->size <= 0)
        return;
    const int size = jpeg->size;
    KeptFrame k{nullptr, item.frame.time};
    if (format_.jpegPackets) {
        // A copy of its own: a camera's buffer must go back to the camera, not wait here.
        k.jpeg = MakePacket();
        if (!k.jpeg || av_new_packet(k.jpeg.get(), size) < 0)
            return;  // no memory: the pre-roll has a gap rather than the recording failing
        std::memcpy(k.jpeg->data, jpeg->data, static_cast<size_t>(size));
    } else {
        // A picture encoded here is already in a packet of its own, no longer needed by the item.
        k.jpeg = std::move(item.frame.jpeg);
    }
    keptBytes_ += size;
    kept_.push_back(std::move(k));
    const double from = item.frame.time - item.keepSeconds;
    while (!kept_.empty() && (kept_.front().time < from || keptBytes_ > item.keepBytes)) {
        keptBytes_ -= kept_.front().jpeg->size;
        kept_.pop_front();
    }
}

void CaptureRecorder::WriteFrame(const AVPacket* jpeg, double time, bool resumed) {
    const double rate = av_q2d(format_.rate);
    if (!writer_.IsOpen()) {
        const MediaError hr = writer_.Open(path_, format_);
        if (Failed(hr)) {
            counters_.dropped.fetch_add(1);
            FailFile(hr, "create");
            return;
        }
    }
    // Frame numbers follow the capture clock from the file's first frame. After the stream was
    // held and let through again, numbering goes on after the last frame instead of leaving the
    // held time as a run of empty frames.
    if (!started_ || resumed) {
        origin_ = time - static_cast<double>(lastIndex_ + 1) / rate;
        started_ = true;
    }
    const auto byClock = static_cast<int64_t>(std::llround((time - origin_) * rate));
    const int64_t index = std::max(byClock, lastIndex_ + 1);
    const MediaError hr = writer_.WriteJpeg(jpeg, index);
    if (Failed(hr)) {
        counters_.dropped.fetch_add(1);
        FailFile(hr, "write");
        return;
    }
    lastIndex_ = index;
    lastTime_ = time;
    counters_.written.fetch_add(1);
    // A file whose folder was deleted (or unmounted) takes every frame and is lost at its close:
    // it is finished now and written out again where it can be kept, and the user hears of it.
    if (++framesSinceCheck_ >= kGoneCheckFrames) {
        framesSinceCheck_ = 0;
        if (writer_.FileGone())
            FailFile(MediaError::Failed, "keep", kFolderGone);
    }
}

void CaptureRecorder::FinishFile() {
    if (!writer_.IsOpen())
        return;
    framesSinceCheck_ = 0;
    const MediaError hr = writer_.Close();
    if (Failed(hr) && !failed_) {
        failed_ = true;
        Report(hr, "write");
    } else if (!writer_.GoneNote().empty() && !failed_) {
        failed_ = true;
        Report(MediaError::Failed, "keep", kFolderGone);
    }
}

void CaptureRecorder::FailFile(MediaError hr, const char* verb, std::string reason) {
    failed_ = true;
    // What was written stays playable: the index goes in if there is room, else the file ends
    // at its last complete frame.
    writer_.Close();
    int64_t lost = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failedFile_ = writingFile_;
        // The frames queued for this file are lost with it; those for a next file stay. A frame
        // only kept for the pre-roll was never part of a recording, so it is not counted.
        while (!queue_.empty() && !queue_.front()->nextFile) {
            lost += queue_.front()->held ? 0 : 1;
            queue_.pop_front();
            --queuedFrames_;
        }
    }
    counters_.dropped.fetch_add(lost);
    Report(hr, verb, std::move(reason));
}

void CaptureRecorder::Report(MediaError hr, const char* verb, std::string reason) {
    if (reason.empty())
        reason = writer_.ErrorText();
    if (reason.empty())
        reason = ErrorText(hr);  // what the failed call means, when the writer had no words
    // A file found gone at its close says where what it held went.
    if (!writer_.GoneNote().empty())
        reason += "; " + writer_.GoneNote();
    errors_.Post(StreamErrorSource::Recorder, hr, "Cannot %s %s: %s", verb, path_.c_str(),
                 reason.c_str());
    wake_.Wake();
}

}  // namespace velatrace
