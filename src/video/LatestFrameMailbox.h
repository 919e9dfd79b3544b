#pragma once
// A one-slot mailbox for pictures: a producer thread puts frames, the GUI thread takes the newest.
// Frames never taken are overwritten, so a slow GUI sees fewer pictures, never old ones. Buffers
// circulate (the taker's old buffer becomes the producer's next one), so a steady stream of
// same-sized pictures allocates nothing after the first few.
#include <mutex>
#include <utility>

#include "video/MediaEngine.h"

namespace velatrace {

class LatestFrameMailbox {
  public:
    // Producer side (any thread). Returns a buffer to fill: reuses a spare one when there is one.
    VideoFrame AcquireBuffer() {
        std::lock_guard<std::mutex> lock(mutex_);
        VideoFrame spare = std::move(spare_);
        spare_ = VideoFrame{};
        return spare;
    }

    // Producer side (any thread). Replaces any frame not yet taken; stamps the sequence number.
    void Put(VideoFrame&& frame) {
        std::lock_guard<std::mutex> lock(mutex_);
        frame.sequence = ++sequence_;
        if (full_) {
            // The overwritten picture's buffer becomes the spare.
            spare_ = std::move(slot_);
        }
        slot_ = std::move(frame);
        full_ = true;
    }

    // GUI side. Swaps the newest frame into *frame and returns true; false when nothing is new.
    bool Take(VideoFrame* frame) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!full_) {
            return false;
        }
        std::swap(*frame, slot_);
        spare_ = std::move(slot_);
        slot_ = VideoFrame{};
        full_ = false;
        return true;
    }

    // Drops a frame not yet taken (a camera that stops, a clip that seeks).
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (full_) {
            spare_ = std::move(slot_);
            slot_ = VideoFrame{};
            full_ = false;
        }
    }

  private:
    std::mutex mutex_;
    VideoFrame slot_;
    VideoFrame spare_;
    bool full_ = false;
    uint64_t sequence_ = 0;
};

}  // namespace velatrace
