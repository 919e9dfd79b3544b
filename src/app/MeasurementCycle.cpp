// The live session over time: the logger poll tick, the logger's answers with alarm handling,
// and the timed end of a capture.
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "base/FixedText.h"

namespace velatrace {

namespace {
constexpr uint32_t kPollPeriodMs = 100;
// After a failed poll the next one waits longer, so a missing logger does not flood the link.
constexpr uint32_t kPollRetryMs = 1000;
constexpr int32_t kCsvBatchPoints = 10;

// Hands the poll's answer to the window: pieces of an oversized block are decoded at once, the
// completed block is posted back like the logger's message.
class AckPoster final : public AckSink {
  public:
    AckPoster(Host& host, LoggerLink& link) : host_(host), link_(link) {}
    void Piece(uint32_t bytes) override {
        link_.Wave().AppendPiece(link_.ReceiveBuffer(), static_cast<int32_t>(bytes));
    }
    void Complete(uint32_t result, uint32_t bytes) override {
        posted = true;
        host_.PostLoggerAnswer(result, bytes);
    }
    bool posted = false;

  private:
    Host& host_;
    LoggerLink& link_;
};
}  // namespace

void MainFrame::PollTick() {
    char text[64];
    FormatText(text, sizeof text, "%d pt", wave_->writeIndex);
    host_.SetStatusText(1, text);

    if (wave_->csvActive) {
        s_.csvPendingPoints += s_.batchPoints;
        if (s_.csvPendingPoints >= kCsvBatchPoints) {
            csv_.AppendCsv();  // rows it could not write stay pending for the next call
            s_.csvPendingPoints = 0;
        }
    }
    if (capture_.useTimeLimit && wave_->csvActive) {
        const uint32_t elapsed = (clock_.TickCount() - s_.captureStartTick) / 1000;
        FormatText(text, sizeof text, "%d/%dsec",
                   capture_.timeLimitSec - static_cast<int32_t>(elapsed), capture_.timeLimitSec);
        host_.SetStatusText(1, text);
    }

    AckPoster poster(host_, link_);
    const uint32_t r = protocol_.PollAck(port_.terminator, port_.timeout, poster);
    if (r != 0) {
        FormatText(text, sizeof text, "ack?-%d", static_cast<int>(r));
        host_.SetStatusText(1, text);
    }
    // A poll that brought no block must not end the chain while the preview runs; the answer
    // handler re-arms it otherwise. The error stays in the status pane meanwhile.
    if (!poster.posted && wave_->noWait) {
        timers_.StartTimer(kTimerPoll, r != 0 ? kPollRetryMs : kPollPeriodMs);
    }
}

void MainFrame::OnLoggerData(uint32_t result, uint32_t byteCount) {
    if (result == err::kWaitTimeout) {
        host_.SetStatusText(1, "tmout");
    }
    if (wave_->noWait) {
        timers_.StartTimer(kTimerPoll, kPollPeriodMs);
    }
    const int32_t bytes =
        byteCount > kReceiveBufferSize ? kReceiveBufferSize : static_cast<int32_t>(byteCount);
    s_.batchPoints = wave_->AppendPoints(link_.ReceiveBuffer(), bytes);
    if (s_.batchPoints <= 0) {
        return;
    }
    s_.pointTotal =
        s_.pointTotal + s_.batchPoints > kRingRows ? kRingRows : s_.pointTotal + s_.batchPoints;
    wave_->shownCount = s_.pointTotal - 1;
    view_.displayRow = wave_->writeIndex;

    const int32_t alarm = wave_->ScanAlarms(s_.batchPoints);
    const bool capturing = video_.IsCapturing() || wave_->csvActive;
    if (alarm == 0) {
        s_.alarmLatched = 0;
        // Only a capture the alarm started ends with it; one started by hand runs until the
        // user or its time limit ends it.
        if (!capture_.useTimeLimit && capturing && s_.alarmCapture) {
            CaptureCommand(0, 0);
        }
    } else if (s_.alarmLatched == 0 && alarm >= 1 && alarm <= kAlarmOutputs &&
               capture_.alarmEnable[alarm - 1]) {
        s_.alarmLatched = 1;
        if (capture_.alarmType[alarm - 1] == kAlarmTransfer) {
            StillImageTransfer(alarm);
        } else {
            CaptureCommand(alarm, 0);
        }
    }
    host_.RepaintWave();
}

void MainFrame::CaptureTimeLimitTick() {
    CaptureCommand(0, 2);
    ui_.Check(cmd::kCapture, false);
    ui_.Enable(cmd::kCapture, false);
    host_.SetStatusText(1, "");
}

void MainFrame::StillImageTransfer(int32_t /*alarm*/) {
    const int32_t bytes = video_.GrabFrame();
    if (bytes > 0 && video_.GrabbedPixels() != nullptr) {
        transfer_.TransferFrame(&video_.GrabbedFormat(), video_.GrabbedPixels(), bytes);
    }
}

}  // namespace velatrace
