#include "logger/RecordHandoff.h"

#include <cstring>

namespace velatrace {

bool RecordHandoff::Put(const double (&record)[kChannels]) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (count_ == kCapacity) {
        ++dropped_;
        return false;
    }
    std::memcpy(ring_[(head_ + count_) % kCapacity], record, sizeof record);
    ++count_;
    return true;
}

int32_t RecordHandoff::Take(double (*out)[kChannels], int32_t max) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const int32_t n = max < count_ ? (max > 0 ? max : 0) : count_;
    for (int32_t k = 0; k < n; ++k) {
        std::memcpy(out[k], ring_[(head_ + k) % kCapacity], sizeof out[k]);
    }
    head_ = (head_ + n) % kCapacity;
    count_ -= n;
    return n;
}

void RecordHandoff::Clear() {
    const std::lock_guard<std::mutex> lock(mutex_);
    head_ = 0;
    count_ = 0;
    dropped_ = 0;
}

int64_t RecordHandoff::Dropped() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

}  // namespace velatrace
