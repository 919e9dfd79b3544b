#include "session/PollHealth.h"

#include "base/FixedText.h"
#include "base/TextCatalog.h"

namespace velatrace {

void PollHealth::Reset() {
    late_ = 0;
    failed_ = 0;
}

void PollHealth::Armed(uint32_t nowTick, uint32_t periodMs) {
    dueTick_ = nowTick + periodMs;
    periodMs_ = periodMs;
    armed_ = true;
}

bool PollHealth::Finished(uint32_t nowTick, bool failed) {
    const bool wasArmed = armed_;
    armed_ = false;
    if (failed) {
        ++failed_;
        return true;
    }
    // A poll is late when its data arrived more than a whole period after it was due: the
    // logger then holds twice the points it should, and the gap grows while this goes on.
    // Differences of ticks are taken modulo 2^32, so the counter's wrap does not matter.
    const int32_t overdue = static_cast<int32_t>(nowTick - dueTick_);
    if (wasArmed && overdue > static_cast<int32_t>(periodMs_)) {
        ++late_;
        return true;
    }
    return false;
}

size_t PollHealth::Describe(char* text, size_t size) const {
    size_t n = 0;
    if (late_ > 0 && n < size) {
        n += FormatText(text + n, size - n, Text(TextId::IndicatorLatePolls), late_);
    }
    if (failed_ > 0 && n < size) {
        n += FormatText(text + n, size - n, Text(TextId::IndicatorFailedPolls), failed_);
    }
    return n;
}

}  // namespace velatrace
