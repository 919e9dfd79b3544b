#include "wave/ReplayStore.h"

#include <new>

namespace velatrace {

namespace {
constexpr size_t kFirstRoom = 4096;
}

void ReplayStore::Clear() {
    for (std::vector<int16_t>& column : column_) {
        std::vector<int16_t>().swap(column);
    }
    for (bool& on : on_) {
        on = false;
    }
    records_ = 0;
    room_ = 0;
    full_ = false;
}

void ReplayStore::Begin(const bool (&on)[kChannels], int64_t expected) {
    Clear();
    for (int c = 0; c < kChannels; ++c) {
        on_[c] = on[c];
    }
    const int64_t room = expected < 0 ? 0 : (expected > kMaxRecords ? kMaxRecords : expected);
    room_ = static_cast<size_t>(room);
    try {
        for (int c = 0; c < kChannels; ++c) {
            if (on_[c]) {
                column_[c].resize(room_);
            }
        }
    } catch (const std::bad_alloc&) {
        // Room is then taken record by record, as far as memory goes.
        Clear();
        for (int c = 0; c < kChannels; ++c) {
            on_[c] = on[c];
        }
    }
}

bool ReplayStore::Grow() {
    if (records_ >= kMaxRecords) {
        full_ = true;
        return false;
    }
    size_t room = room_ < kFirstRoom ? kFirstRoom : room_ + room_ / 2;
    if (room > static_cast<size_t>(kMaxRecords)) {
        room = kMaxRecords;
    }
    try {
        for (int c = 0; c < kChannels; ++c) {
            if (on_[c]) {
                column_[c].resize(room);
            }
        }
    } catch (const std::bad_alloc&) {
        full_ = true;  // what is kept so far stays
        return false;
    }
    room_ = room;
    return true;
}

bool ReplayStore::Append(const int32_t (&counts)[kChannels]) {
    if (full_ || (static_cast<size_t>(records_) >= room_ && !Grow())) {
        return false;
    }
    for (int c = 0; c < kChannels; ++c) {
        if (on_[c]) {
            // The reader clamps counts to the logger's 16-bit range.
            column_[c][static_cast<size_t>(records_)] = static_cast<int16_t>(counts[c]);
        }
    }
    ++records_;
    return true;
}

void ReplayStore::Trim() {
    for (int c = 0; c < kChannels; ++c) {
        if (on_[c]) {
            column_[c].resize(static_cast<size_t>(records_));
            if (column_[c].capacity() > column_[c].size() + column_[c].size() / 8 + kFirstRoom) {
                column_[c].shrink_to_fit();
            }
        }
    }
    room_ = static_cast<size_t>(records_);
}

const int16_t* ReplayStore::Column(int c) const {
    return c >= 0 && c < kChannels && on_[c] ? column_[c].data() : nullptr;
}

size_t ReplayStore::MemoryBytes() const {
    size_t bytes = 0;
    for (const std::vector<int16_t>& column : column_) {
        bytes += column.capacity() * sizeof(int16_t);
    }
    return bytes;
}

}  // namespace velatrace
