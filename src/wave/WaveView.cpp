#include "wave/WaveView.h"

#include "wave/ReplayStore.h"
#include "wave/WaveBuffer.h"

namespace velatrace {

const LoggerSetup& CurveSource::Setup() const {
    static const LoggerSetup kNone;
    return setup != nullptr ? *setup : kNone;
}

void WaveView::SetLiveSource(const LoggerSetup* setup, const WaveBuffer* ring) {
    live_ = CurveSource{setup, ring, nullptr};
    if (!Replaying()) {
        source_ = live_;
    }
}

void WaveView::ShowLive(bool loggerConnected) {
    if (Replaying()) {
        source_ = live_;
        currentChannel_ = liveChannel_;
        displayRow_ = 0;
        shownCount_ = 0;
    }
    drawn_ = loggerConnected;
}

void WaveView::ShowRecording(const LoggerSetup& setup, const ReplayStore& records) {
    if (!Replaying()) {
        liveChannel_ = currentChannel_;
    }
    source_ = CurveSource{&setup, nullptr, &records};
    currentChannel_ = 0;
    displayRow_ = 0;
    shownCount_ = 0;
    drawn_ = records.Records() > 0;
    SelectFrom(0, true);
}

void WaveView::MoveCursor(int32_t row) {
    // Only a recording has rows for the replay cursor; on the live curves (a clip replayed
    // without its wave file) it empties them, as the ring's rows are not the clip's.
    const int32_t rows = Replaying() ? source_.replay->Records() : 0;
    displayRow_ = row < 0 ? 0 : (row > rows ? rows : row);
    shownCount_ = displayRow_;
}

void WaveView::RingRowsArrived(int32_t rows) {
    if (rows <= 0) {
        return;
    }
    ringRows_ = rows >= kRingRows - ringRows_ ? kRingRows : ringRows_ + rows;
    if (Replaying() || source_.live == nullptr) {
        return;
    }
    // One past the newest row: the ring's write index, or its end when it has just wrapped to
    // the first row, so the curves stay drawn on that batch too.
    const int32_t next = source_.live->WriteIndex();
    displayRow_ = next == 0 ? kRingRows : next;
    shownCount_ = ringRows_ - 1;
}

void WaveView::RingStartedOver() {
    ringRows_ = 0;
    if (!Replaying()) {
        displayRow_ = 0;
        shownCount_ = 0;
    }
}

void WaveView::SelectFrom(int32_t start, bool forward) {
    const LoggerSetup& setup = source_.Setup();
    int32_t c = start;
    for (int32_t tries = 0; tries < kChannels; ++tries) {
        if (forward && c >= kChannels) {
            c = 0;
        } else if (!forward && c < 0) {
            c = kChannels - 1;
        }
        if (c < 0 || c >= kChannels) {  // a start outside the table on the far side
            c = c < 0 ? 0 : kChannels - 1;
        }
        if (setup.channel[c].type != kTypeOff) {
            currentChannel_ = c;
            return;
        }
        c += forward ? 1 : -1;
    }
    // No channel is on: the current channel keeps its previous, valid value.
}

}  // namespace velatrace
