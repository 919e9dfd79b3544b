#include "video/ffmpeg/CaptureRecorder.h"

#include <algorithm>
#include <cmath>

#include "video/ffmpeg/ThreadName.h"

namespace velatrace {

CaptureRecorder::CaptureRecorder(std::string path, AviVideoFormat format, size_t capacity,
                                 bool letThrough, CaptureCounters& counters, StreamErrors& errors,
                                 WakeHub& wake)
    : path_(std::move(path)),
      format_(format),
      capacity_(std::max<size_t>(capacity, 1)),
      counters_(counters),
      errors_(errors),
      wake_(wake),
      letThrough_(letThrough) {}

CaptureRecorder::~CaptureRecorder() {
    Finish();
}

void CaptureRecorder::Start() {
    thread_ = std::thread([this] { Run(); });
}

void CaptureRecorder::LetThrough(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (on && !letThrough_)
        resumePending_ = true;
    letThrough_ = on;
}

void CaptureRecorder::Offer(CameraFrame& frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!letThrough_ || finishing_)
        return;
    if (queue_.size() >= capacity_) {
        counters_.dropped.fetch_add(1);
        return;
    }
    Item item;
    item.frame.picture = frame.picture ? RefFrame(frame.picture.get()) : nullptr;
    item.frame.jpeg = frame.jpeg ? RefPacket(frame.jpeg.get()) : nullptr;
    item.frame.time = frame.time;
    item.resumed = resumePending_;
    resumePending_ = false;
    queue_.push_back(std::move(item));
    cv_.notify_one();
}

void CaptureRecorder::Finish() {
    std::lock_guard<std::mutex> finishLock(finishMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    cv_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void CaptureRecorder::Run() {
    NameThisThread("vt-encoder");
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
            if (queue_.empty())
                break;  // finishing, and everything queued is written
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        Write(item);
    }
    if (writer_.IsOpen()) {
        const HResult hr = writer_.Close();
        if (Failed(hr) && !failed_)
            Fail(hr, "closing");
    }
}

void CaptureRecorder::Write(Item& item) {
    if (failed_)
        return;
    const double rate = av_q2d(format_.rate);
    if (!writer_.IsOpen()) {
        const HResult hr = writer_.Open(path_, format_);
        if (Failed(hr)) {
            Fail(hr, "creating");
            return;
        }
    }
    // Frame numbers follow the capture clock from the file's first frame. After the stream was
    // held and let through again, numbering goes on after the last frame instead of leaving the
    // held time as a run of empty frames.
    if (!started_ || item.resumed) {
        origin_ = item.frame.time - static_cast<double>(lastIndex_ + 1) / rate;
        started_ = true;
    }
    const auto byClock = static_cast<int64_t>(std::llround((item.frame.time - origin_) * rate));
    const int64_t index = std::max(byClock, lastIndex_ + 1);
    HResult hr;
    if (item.frame.jpeg && format_.jpegPackets) {
        hr = writer_.WriteJpeg(item.frame.jpeg.get(), index);
    } else if (item.frame.picture && !format_.jpegPackets) {
        hr = writer_.WritePicture(item.frame.picture.get(), index);
    } else {
        return;  // a frame without the data this file takes
    }
    if (Failed(hr)) {
        Fail(hr, "writing");
        return;
    }
    lastIndex_ = index;
    counters_.written.fetch_add(1);
}

void CaptureRecorder::Fail(HResult hr, const char* what) {
    failed_ = true;
    errors_.Post(hr, "AVI file error while %s %s", what, path_.c_str());
    wake_.Wake();
}

}  // namespace velatrace
