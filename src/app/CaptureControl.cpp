// Preview and Capture: starting and stopping the live session and the recordings.
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "base/FixedText.h"
#include "session/CaptureNaming.h"

namespace velatrace {

namespace {
constexpr uint32_t kCaptureCommandAlarm = 0;
constexpr uint32_t kCaptureCommandTimeLimit = 2;
}  // namespace

void MainFrame::ShowCaptureFileName() {
    char text[kMaxPath + 16];
    if (capture_.autoNumber) {
        FormatText(text, sizeof text, "%s_%02d.avi", capture_.filename, capture_.number);
    } else {
        FormatText(text, sizeof text, "%s.avi", capture_.filename);
    }
    host_.SetStatusText(2, text);
}

void MainFrame::PreviewCommand() {
    if (video_.IsClipOpen() || wave_->fileLoaded) {
        CloseRecording(0);
        if (s_.cameraFound) {
            int32_t index = 0;
            s_.cameraFound = video_.SelectSavedDevice(videoPane_, &index) ? 1 : 0;
        }
    }
    bool starting = !video_.IsPreviewing() && !wave_->noWait;
    const bool haveSource = s_.cameraFound || s_.loggerConnected;
    // Stopping the live session ends a capture that is still running, as the Capture command
    // would: the AVI is finished and the CSV gets its last rows, so nothing is left half open.
    if (!starting && (video_.IsCapturing() || wave_->csvActive)) {
        CaptureCommand(0, cmd::kCapture);
    }

    if (starting && haveSource &&
        CaptureFileExists(capture_, s_.cameraFound != 0, capture_.autoNumber != 0)) {
        char text[kMaxPath + 64];
        FormatText(text, sizeof text, "%s.%s already exists\r\nDo you overwrite", capture_.filename,
                   s_.cameraFound ? "avi" : "csv");
        host_.MessageBeep(mb::kIconExclamation);
        if (host_.MessageBox(text, mb::kYesNo | mb::kIconQuestion) != mb::kIdYes) {
            return;
        }
        DeleteCaptureCsv(capture_, capture_.autoNumber != 0);
    }

    const HResult hr = video_.RunGraph(starting);
    if (hr == kHrSharingViolation) {
        char text[kMaxPath + 32];
        FormatText(text, sizeof text, "%s file can not overwrite", capture_.filename);
        host_.MessageBeep(mb::kIconExclamation);
        host_.MessageBox(text, mb::kOk | mb::kIconExclamation);
        starting = false;
    }

    if (s_.loggerConnected) {
        if (starting) {
            const uint32_t r = protocol_.SendControl(LoggerControl::Clear, port_.terminator, 0);
            if (r != 0) {
                char text[64];
                FormatText(text, sizeof text, "%s - %d", "Cannot send the GL command",
                           static_cast<int>(r));
                host_.MessageBeep(mb::kIconExclamation);
                host_.MessageBox(text, mb::kOk | mb::kIconExclamation);
            }
            wave_->SetNoWait(1);
            timers_.StartTimer(kTimerPoll, 100);
        } else {
            timers_.KillTimer(kTimerPoll);
            wave_->SetNoWait(0);
        }
    }

    ui_.Enable(cmd::kFileOpen, !starting);
    ui_.Enable(cmd::kCapture, starting && haveSource);
    ui_.Check(cmd::kPreview, starting);
    if (haveSource && capture_.transAlarm == 0) {
        ShowCaptureFileName();
    }
}

void MainFrame::CaptureCommand(int32_t alarm, uint32_t commandId) {
    if (commandId == kCaptureCommandAlarm) {
        if (wave_->csvActive) {
            if (capture_.useTimeLimit || alarm != 0) {
                return;
            }
            wave_->csvActive = 1;
        } else {
            if (alarm == 0) {
                return;
            }
            wave_->csvActive = 0;
        }
    } else if (commandId == kCaptureCommandTimeLimit) {
        if (!video_.IsCapturing() && !wave_->csvActive) {
            return;
        }
        wave_->csvActive = 1;
    }

    // Video side.
    bool numberAdvanced = false;
    if (!s_.cameraFound) {
    } else if (!video_.IsCapturing()) {
        video_.StartCapture();
    } else {
        if (capture_.autoNumber) {
            video_.SetCaptureNumber(video_.CaptureNumber() + 1);
            numberAdvanced = true;
        }
        video_.NextCaptureFile(capture_.autoNumber != 0);
        ui_.Enable(cmd::kCapture, false);
    }

    // Logger side. The CSV takes the number of the AVI it belongs to, fixed until it ends.
    if (!s_.loggerConnected) {
        wave_->csvActive = 0;
    } else if (!wave_->csvActive) {
        csv_.BeginCsv(capture_.path, capture_.filename, capture_.autoNumber,
                      video_.CaptureNumber());
        wave_->csvIndex = wave_->writeIndex;
        s_.csvPendingPoints = 0;
    } else {
        csv_.AppendCsv();
        csv_.EndCsv(capture_.autoNumber);
        // Without a recording camera nothing else advances the number, and the next capture
        // would start by deleting this one's numbered CSV.
        if (!numberAdvanced && capture_.autoNumber) {
            video_.SetCaptureNumber(video_.CaptureNumber() + 1);
        }
        ui_.Enable(cmd::kCapture, false);
    }

    const bool running = video_.IsCapturing() || wave_->csvActive;
    s_.alarmCapture = running && commandId == kCaptureCommandAlarm ? 1 : 0;
    if (running && capture_.useTimeLimit) {
        s_.captureStartTick = clock_.TickCount();
        // Bounded so that the period in milliseconds cannot wrap round to a short one.
        constexpr int32_t kLongestLimitSec = 2147483;
        const int32_t seconds = capture_.timeLimitSec < 0                  ? 0
                                : capture_.timeLimitSec > kLongestLimitSec ? kLongestLimitSec
                                                                           : capture_.timeLimitSec;
        timers_.StartTimer(kTimerCaptureLimit, static_cast<uint32_t>(seconds) * 1000u);
        char text[32];
        FormatText(text, sizeof text, "%d sec", capture_.timeLimitSec);
        host_.SetStatusText(1, text);
    } else if (!running) {
        timers_.KillTimer(kTimerCaptureLimit);
        host_.MessageBeep(mb::kIconInformation);
    }
    capture_.number = video_.CaptureNumber();

    ui_.Check(cmd::kCapture, running);
    ui_.Check(cmd::kPreview, video_.IsPreviewing() || wave_->noWait);
    ui_.Enable(cmd::kFileOpen, !video_.IsPreviewing());
}

}  // namespace velatrace
