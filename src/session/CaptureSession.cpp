// The live session: preview, the logger's poll cycle and alarms, and the captures.
#include "session/CaptureSession.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/FixedText.h"
#include "base/TextCatalog.h"
#include "session/CaptureNaming.h"

namespace velatrace {

namespace {
constexpr uint32_t kPollPeriodMs = 100;
// After a failed poll the next one waits longer, so a missing logger does not flood the link.
constexpr uint32_t kPollRetryMs = 1000;
constexpr int32_t kCsvBatchPoints = 10;
// Polls failing one after the other that mean the logger is gone, when the driver does not say
// so itself (31: the device stopped working).
constexpr int32_t kLostAfterFailedPolls = 5;

// Hands the poll's answer to the window: pieces of an oversized block are decoded at once, the
// completed block is posted back like the logger's message. A block can hold more points than
// the ring, so while a capture writes its CSV each piece goes to the file before the next one
// can overwrite rows not yet written; a failure there is reported by the next poll's batch.
class AckPoster final : public AckSink {
  public:
    AckPoster(WindowFrame& frame, LoggerLink& link, WaveBuffer& wave, const PointLayout& layout,
              WaveCsv& csv)
        : frame_(frame), link_(link), wave_(wave), layout_(layout), csv_(csv) {}
    void Piece(uint32_t bytes) override {
        wave_.AppendPiece(layout_, link_.ReceiveBuffer(), static_cast<int32_t>(bytes));
        if (csv_.Writing()) {
            csv_.AppendCsv();
        }
    }
    void Complete(uint32_t result, uint32_t bytes) override {
        posted = true;
        frame_.PostLoggerAnswer(result, bytes);
    }
    bool posted = false;

  private:
    WindowFrame& frame_;
    LoggerLink& link_;
    WaveBuffer& wave_;
    const PointLayout& layout_;
    WaveCsv& csv_;
};
// Cuts the folders off every path in `text` (a word containing '/' or '\\' keeps its last part),
// so a status line names the file without the folder that would crowd it out.
void WithoutFolders(char* text) {
    char* out = text;
    for (const char* in = text; *in != '\0';) {
        const char* end = in;
        while (*end != '\0' && *end != ' ' && *end != '"') {
            ++end;
        }
        const char* keep = in;
        for (const char* c = in; c < end; ++c) {
            if (*c == '/' || *c == '\\') {
                keep = c + 1;
            }
        }
        while (keep < end) {
            *out++ = *keep++;
        }
        in = end;
        if (*in != '\0') {
            *out++ = *in++;
        }
    }
    *out = '\0';
}
}  // namespace

void CaptureSession::SetSources(bool camera, bool logger) {
    camera_ = camera;
    logger_ = logger;
    cameraFound_ = camera;
    sourceFound_ = camera || logger;
    listeners_.Tell();
}

bool CaptureSession::IsCapturing() const {
    return state_ == CaptureState::CapturingByUser || state_ == CaptureState::CapturingByAlarm ||
           state_ == CaptureState::CapturingTimed;
}

CaptureState CaptureSession::LiveState() const {
    return cameraLive_ || polling_ ? CaptureState::Previewing : CaptureState::Idle;
}

void CaptureSession::ShowCaptureFileName() {
    char text[kMaxPath];
    FormatCaptureName(text, sizeof text, "", p_.capture.filename, p_.capture.autoNumber,
                      p_.capture.number, "avi");
    p_.panes.SetStatusText(2, text);
}

void CaptureSession::ApplyNaming() {
    char folder[kMaxPath];
    CaptureFolder(folder, sizeof folder, p_.capture.path);
    if (IsLive()) {
        CopyText(folder_, folder);
        folderReported_ = false;
    }
    NextCaptureNumber(p_.capture);
    p_.video.SetNaming(folder, p_.capture.filename, p_.capture.autoNumber);
    p_.video.SetCaptureNumber(p_.capture.number);
    // The camera's next file takes the new name: a running camera goes on with it without a
    // pause, a stopped one is named for its next run. While a clip has taken the camera it is
    // opened again, with the new name, when the preview comes back.
    p_.video.NextCaptureFile(true);
    if (camera_ || logger_) {
        ShowCaptureFileName();
    }
}

void CaptureSession::ApplyPretrigger() {
    p_.video.SetPretrigger(p_.capture.pretriggerSec);
}

void CaptureSession::ApplyTriggers() {
    triggers_.Configure(p_.capture.triggers);
}

int32_t CaptureSession::PretriggerRows(int32_t sinceTrigger) const {
    int64_t rows = sinceTrigger;
    if (p_.capture.pretriggerSec > 0 && p_.setup.intervalMs > 0) {
        rows += int64_t{p_.capture.pretriggerSec} * 1000 / p_.setup.intervalMs;
    }
    // One row short of the ring, so the oldest row kept is not the one the next record replaces.
    return static_cast<int32_t>(std::min<int64_t>({rows, liveRows_, kRingRows - 1}));
}

void CaptureSession::TogglePreview() {
    bool starting = state_ == CaptureState::Idle;
    const bool haveSource = camera_ || logger_;
    // Stopping the live session ends a capture that is still running, as the Capture command
    // would: the AVI is finished and the CSV gets its last rows, so nothing is left half open.
    if (!starting && IsCapturing()) {
        EndCapture();
    }

    if (starting && haveSource) {
        // The folder is resolved once per live session (an empty setting means the user's video
        // folder), and both the AVI and the CSV go there.
        CaptureFolder(folder_, sizeof folder_, p_.capture.path);
        p_.video.SetNaming(folder_, p_.capture.filename, p_.capture.autoNumber);
        folderReported_ = false;
        replaceOldCsv_ = false;
        lockReported_ = false;
        if (!CaptureNamesFit() || !CaptureFolderReady()) {
            return;
        }
        // Each file this session would replace is asked about by its own name. Nothing is
        // removed here: the files are replaced when a capture really starts, so a preview ended
        // without one keeps the old pair whole.
        const bool numbered = p_.capture.autoNumber != 0;
        const bool aviAtStake = camera_ && CaptureFileExists(p_.capture, true, numbered);
        if (aviAtStake || (logger_ && CaptureFileExists(p_.capture, false, numbered))) {
            char name[kMaxPath];
            FormatCaptureName(name, sizeof name, "", p_.capture.filename, p_.capture.autoNumber,
                              p_.capture.number, aviAtStake ? "avi" : "csv");
            char path[kMaxPath];
            CaptureFileName(path, sizeof path, p_.capture, aviAtStake, numbered);
            const bool held = locks_ != nullptr && locks_->IsLocked(path);
            char text[kMaxPath + 320];
            FormatText(text, sizeof text, Text(TextId::OverwriteQuestion), name,
                       held ? Text(TextId::OverwriteHeld) : "");
            if (BeepAndTell(p_.user, MessageKind::Warning, text, MessageKind::Question,
                            Buttons::YesNo) != Answer::Yes) {
                return;
            }
            replaceOldCsv_ = true;
        }
    }

    if (starting) {
        ApplyPretrigger();
        ApplyTriggers();  // each trigger must see its channel on the far side of its level first
        liveRows_ = 0;    // rows of an earlier session are not this one's seconds before an alarm
    }
    MediaError hr = MediaError::Nothing;
    if (starting) {
        hr = p_.video.StartCamera();
        cameraLive_ = hr == MediaError::None;
    } else {
        p_.video.StopCamera();
        cameraLive_ = false;
    }
    if (hr == MediaError::FileInUse) {
        char text[kMaxPath + 64];
        FormatText(text, sizeof text, Text(TextId::CannotOverwrite), p_.capture.filename);
        Warn(p_.user, text);
        starting = false;
    } else if (starting && camera_ && Failed(hr)) {
        // The logger's side goes on alone; the user learns why there is no picture.
        char status[kLastFailureSize + 32];
        FormatText(status, sizeof status, Text(TextId::CameraDidNotStartStatus),
                   p_.video.LastFailure());
        char text[sizeof status + 32];
        FormatText(text, sizeof text, Text(TextId::CameraCannotStart), p_.video.LastFailure());
        ReportFailure(text, status);
    }

    if (logger_) {
        if (starting) {
            const uint32_t r =
                instrument_ != nullptr
                    ? (instrument_->Start(p_.setup.intervalMs) ? 0 : err::kGenFailure)
                    : p_.protocol.SendControl(LoggerControl::Clear, p_.port.terminator, 0);
            if (r != 0) {
                char text[64];
                FormatText(text, sizeof text, Text(TextId::CodeFormat),
                           Text(TextId::GlCommandFailed), static_cast<int>(r));
                Warn(p_.user, text);
            }
            polling_ = true;
            ArmPoll(kPollPeriodMs);
        } else {
            p_.timers.KillTimer(kTimerPoll);
            polling_ = false;
            if (instrument_ != nullptr) {
                instrument_->Stop();
            }
        }
    }
    if (starting) {
        captureEnded_ = false;
    }
    SetState(starting ? LiveState() : CaptureState::Idle);
    if (haveSource && p_.capture.transAlarm == 0) {
        ShowCaptureFileName();
    }
}

void CaptureSession::ToggleCaptureByUser() {
    if (IsCapturing()) {
        EndCapture();
    } else if (IsLive()) {
        StartCapture(StartedBy::User);
    }
}

void CaptureSession::EndTimedCapture() {
    if (IsCapturing()) {
        EndCapture();  // which marks that a capture ended in this live session
    }
    p_.panes.SetStatusText(1, "");
}

bool CaptureSession::CaptureFolderReady() {
    char reason[256];
    if (PrepareCaptureFolder(folder_, reason, sizeof reason)) {
        folderReported_ = false;
        return true;
    }
    if (!folderReported_) {
        folderReported_ = true;
        char text[kMaxPath + 320];
        if (folder_[0] == '\0') {
            CopyText(text, Text(TextId::NoCaptureFolder));
        } else {
            FormatText(text, sizeof text, Text(TextId::CannotRecordIntoFolder), folder_, reason);
        }
        Warn(p_.user, text);
    }
    return false;
}

bool CaptureSession::CaptureNamesFit() {
    char reason[2 * kMaxPath + 256];
    if (CapturePathFits(folder_, p_.capture.filename, p_.capture.autoNumber, reason,
                        sizeof reason)) {
        return true;
    }
    Warn(p_.user, reason);
    return false;
}

bool CaptureSession::RecordedElsewhere(bool byUser) {
    if (locks_ == nullptr) {
        return false;
    }
    char avi[kMaxPath] = {};
    char csv[kMaxPath] = {};
    if (camera_ && cameraLive_) {
        FormatCaptureName(avi, sizeof avi, folder_, p_.capture.filename, p_.capture.autoNumber,
                          p_.video.CaptureNumber(), "avi");
    }
    if (logger_) {
        FormatCaptureName(csv, sizeof csv, folder_, p_.capture.filename, p_.capture.autoNumber,
                          p_.video.CaptureNumber(), "csv");
    }
    const char* held = avi[0] != '\0' && locks_->IsLocked(avi)   ? avi
                       : csv[0] != '\0' && locks_->IsLocked(csv) ? csv
                                                                 : nullptr;
    if (held == nullptr) {
        return false;
    }
    // Alarms that come and go are refused with one message per live session.
    if (!byUser && lockReported_) {
        return true;
    }
    lockReported_ = true;
    char text[kMaxPath + 320];
    FormatText(text, sizeof text, Text(TextId::RecordedElsewhere), held);
    Warn(p_.user, text);
    return true;
}

int32_t CaptureSession::TimeLimitSec() const {
    return std::clamp(p_.capture.timeLimitSec, kMinTimeLimitSec, kMaxTimeLimitSec);
}

void CaptureSession::StartCapture(StartedBy by, int32_t sinceTrigger) {
    failure_[0] = '\0';
    csvFailing_ = false;
    videoFailed_ = false;
    // The folder may have gone since the preview started; nothing records where it cannot, nor
    // into a file another recording is writing.
    if (!CaptureNamesFit() || !CaptureFolderReady() || RecordedElsewhere(by == StartedBy::User)) {
        return;
    }
    // The old CSV the user agreed to replace goes now, when no new one takes its place.
    if (replaceOldCsv_ && !logger_) {
        char csv[kMaxPath];
        CaptureFileName(csv, sizeof csv, p_.capture, false, p_.capture.autoNumber != 0);
        if (locks_ == nullptr || !locks_->IsLocked(csv)) {
            DeleteCaptureCsv(p_.capture, p_.capture.autoNumber != 0);
        }
    }
    replaceOldCsv_ = false;
    // An alarm capture begins the pre-trigger's seconds before the alarm: the camera's kept
    // frames and the ring's rows of the same seconds go first, so both files start together.
    const bool alarm = by == StartedBy::Alarm;
    // A camera that is not delivering (lost, or its graph would not run) records nothing.
    if (camera_ && cameraLive_) {
        videoRecording_ = p_.video.StartRecording(alarm);
    }
    // The CSV takes the number of the AVI it belongs to, fixed until it ends.
    int32_t earlierRows = 0;
    if (logger_) {
        earlierRows = alarm ? PretriggerRows(sinceTrigger) : 0;
        if (!p_.csv.BeginCsv(folder_, p_.capture.filename, p_.capture.autoNumber,
                             p_.video.CaptureNumber(), earlierRows)) {
            char name[kMaxPath];
            FormatCaptureName(name, sizeof name, folder_, p_.capture.filename,
                              p_.capture.autoNumber, p_.video.CaptureNumber(), "csv");
            char text[kMaxPath + 160];
            FormatText(text, sizeof text, Text(TextId::CannotRecordFile), name,
                       p_.csv.LastErrorText());
            ReportFailure(text, text);
        }
        csvPendingPoints_ = 0;
    }
    if (!videoRecording_ && !p_.csv.Writing()) {
        return;
    }
    SetState(p_.capture.useTimeLimit  ? CaptureState::CapturingTimed
             : by == StartedBy::Alarm ? CaptureState::CapturingByAlarm
                                      : CaptureState::CapturingByUser);
    captureStartTick_ = p_.clock.TickCount();
    pollHealth_.Reset();
    // The markers go beside the pair; those of an earlier pair of the same name go with it.
    FormatCaptureName(markerPath_, sizeof markerPath_, folder_, p_.capture.filename,
                      p_.capture.autoNumber, p_.video.CaptureNumber(), "markers.csv");
    std::error_code removed;
    std::filesystem::remove(std::filesystem::path(markerPath_), removed);
    markersWaiting_ = markersLost_ = markersDropped_ = 0;
    markerFailing_ = false;
    markedAlarm_ = 0;
    clipOffsetMs_ = logger_ ? int64_t{earlierRows} * p_.setup.intervalMs
                    : alarm ? int64_t{p_.capture.pretriggerSec} * 1000
                            : 0;
    FormatCaptureName(captureFile_, sizeof captureFile_, "", p_.capture.filename,
                      p_.capture.autoNumber, p_.video.CaptureNumber(),
                      videoRecording_ ? "avi" : "csv");
    if (state_ == CaptureState::CapturingTimed) {
        // The seconds shown are the seconds the timer runs.
        const int32_t seconds = TimeLimitSec();
        p_.timers.StartTimer(kTimerCaptureLimit, static_cast<uint32_t>(seconds) * 1000u);
        char text[32];
        FormatText(text, sizeof text, Text(TextId::StatusTimeLimit), seconds);
        p_.panes.SetStatusText(1, text);
    }
    AfterCaptureChange();
    // The earlier rows go out at once, before new records could overwrite them in the ring.
    if (earlierRows > 0) {
        WriteCsvRows();
    }
}

void CaptureSession::EndCapture() {
    // The number moves on once per capture, past any number whose files are already there, so
    // the next capture never starts by replacing files; the AVI side takes it for its next name.
    if (p_.capture.autoNumber) {
        p_.video.SetCaptureNumber(
            FreeCaptureNumber(folder_, p_.capture.filename, p_.video.CaptureNumber() + 1));
        // The file ends where the recording goes on in the next numbered one.
        char next[kMaxPath];
        FormatCaptureName(next, sizeof next, "", p_.capture.filename, p_.capture.autoNumber,
                          p_.video.CaptureNumber(), videoRecording_ ? "avi" : "csv");
        char text[kMaxPath + 32];
        FormatText(text, sizeof text, Text(TextId::MarkerNextFile), next);
        DropMarker(MarkerKind::FileSwitch, text);
    }
    if (camera_) {
        p_.video.NextCaptureFile(p_.capture.autoNumber != 0);
        // Without automatic numbering the camera stops with the capture.
        cameraLive_ = cameraLive_ && p_.capture.autoNumber != 0;
    }
    videoRecording_ = false;
    if (p_.csv.Writing()) {
        WriteCsvRows();
        if (csvFailing_) {
            char text[kMaxPath + 160];
            FormatText(text, sizeof text, Text(TextId::RowsNotWritten), p_.csv.PendingRecords(),
                       FileNamePart(p_.csv.CsvName()), p_.csv.LastErrorText());
            ReportFailure(text, text);
        }
        p_.csv.EndCsv();
        // Without automatic numbering the end of a capture ends the logger's part of the live
        // session too; with it, polling goes on for the next alarm.
        polling_ = p_.capture.autoNumber != 0;
    }
    FinishMarkers();
    captureEnded_ = true;
    csvFailing_ = false;
    SetState(LiveState());
    p_.timers.KillTimer(kTimerCaptureLimit);
    p_.user.Beep(MessageKind::Information);
    AfterCaptureChange();
}

void CaptureSession::AfterCaptureChange() {
    p_.capture.number = p_.video.CaptureNumber();
    RefreshIndicator();
}

void CaptureSession::WriteCsvRows() {
    if (p_.csv.AppendCsv()) {
        csvFailing_ = false;
        return;
    }
    // A folder that is gone (deleted, or its disk unmounted) gives no room later: the CSV ends,
    // and the user is told that its rows went with the folder.
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::path(folder_), ec)) {
        char status[kMaxPath + 100];
        FormatText(status, sizeof status, Text(TextId::FolderGoneStatus),
                   FileNamePart(p_.csv.CsvName()));
        char text[2 * kMaxPath + 320];
        FormatText(text, sizeof text, Text(TextId::FolderGone), folder_,
                   FileNamePart(p_.csv.CsvName()), p_.csv.PendingRecords());
        p_.csv.EndCsv();
        csvFailing_ = false;
        ReportFailure(text, status);
        if (!videoRecording_) {
            EndCapture();  // nothing is recorded any more
        }
        return;
    }
    if (!csvFailing_) {
        csvFailing_ = true;
        char status[kMaxPath + 100];
        FormatText(status, sizeof status, Text(TextId::CannotWriteStatus),
                   FileNamePart(p_.csv.CsvName()), p_.csv.LastErrorText());
        char text[sizeof status + 320];
        FormatText(text, sizeof text, Text(TextId::RowsKept), status,
                   videoFailed_ ? Text(TextId::VideoStoppedToo) : "");
        ReportFailure(text, status);
    }
}

void CaptureSession::ReportFailure(const char* message, const char* status) {
    // A second side failing adds to the first, so the status names both.
    if (failure_[0] != '\0' && std::strstr(failure_, status) == nullptr) {
        const size_t n = std::strlen(failure_);
        FormatText(failure_ + n, sizeof failure_ - n, "; %s", status);
    } else {
        CopyText(failure_, status);
    }
    RefreshIndicator();
    Warn(p_.user, message);
}

void CaptureSession::RefreshIndicator() {
    char text[sizeof indicator_];
    RecordingLook look = RecordingLook::Hidden;
    text[0] = '\0';
    if (IsCapturing()) {
        const uint32_t seconds = (p_.clock.TickCount() - captureStartTick_) / 1000;
        // Once the video side has stopped, what is still recorded is the CSV.
        const char* file =
            !videoRecording_ && p_.csv.Writing() ? FileNamePart(p_.csv.CsvName()) : captureFile_;
        size_t n = FormatText(text, sizeof text, Text(TextId::IndicatorRecording), seconds / 3600,
                              seconds / 60 % 60, seconds % 60, file);
        int64_t dropped = 0;
        int64_t written = 0;
        p_.video.GetCaptureCounts(&dropped, &written);
        if (dropped > 0 && n < sizeof text) {
            n += FormatText(text + n, sizeof text - n, Text(TextId::IndicatorDropped),
                            static_cast<long long>(dropped));
        }
        if (csvFailing_ && n < sizeof text) {
            n += FormatText(text + n, sizeof text - n, Text(TextId::IndicatorRowsWaiting),
                            p_.csv.PendingRecords());
        }
        if (markersDropped_ > 0 && n < sizeof text) {
            n += FormatText(text + n, sizeof text - n, "  markers: %d", markersDropped_);
        }
        if (n < sizeof text) {
            n += pollHealth_.Describe(text + n, sizeof text - n);
        }
        if (failure_[0] != '\0' && n < sizeof text) {
            FormatText(text + n, sizeof text - n, "  - %s", failure_);
        }
        look = failure_[0] != '\0' ? RecordingLook::Alert : RecordingLook::Recording;
    } else if (failure_[0] != '\0') {
        // What went wrong stays in view until the next capture starts.
        FormatText(text, sizeof text, Text(TextId::RecordingStopped), failure_);
        look = RecordingLook::Alert;
    }
    if (look != indicatorLook_ || std::strcmp(text, indicator_) != 0) {
        CopyText(indicator_, text);
        indicatorLook_ = look;
        p_.panes.SetRecordingStatus(indicator_, look);
    }
}

void CaptureSession::OnStreamError(const StreamError& error) {
    if (error.source == StreamErrorSource::Playback) {
        return;
    }
    const bool wasCapturing = IsCapturing() && videoRecording_;
    p_.video.EndAfterStreamError(error);
    videoRecording_ = false;
    if (error.source == StreamErrorSource::Camera) {
        cameraLive_ = false;
    }
    if (wasCapturing) {
        // What goes on is said as it is: the CSV may be stuck too (a full disk takes both).
        char csvPart[kMaxPath + 320] = "";
        if (csvFailing_) {
            FormatText(csvPart, sizeof csvPart, Text(TextId::CsvStuckToo),
                       FileNamePart(p_.csv.CsvName()), p_.csv.LastErrorText(),
                       p_.csv.PendingRecords());
        } else if (p_.csv.Writing()) {
            CopyText(csvPart, Text(TextId::CsvGoesOn));
        }
        char text[sizeof error.text + sizeof csvPart + 64];
        FormatText(text, sizeof text, Text(TextId::VideoRecordingStopped), error.text, csvPart);
        char status[sizeof error.text + 32];
        FormatText(status, sizeof status, Text(TextId::VideoStoppedStatus), error.text);
        WithoutFolders(status);
        videoFailed_ = true;
        DropMarker(MarkerKind::StreamError, status);
        ReportFailure(text, status);
        // A capture is over once nothing is recorded any more.
        if (!p_.csv.Writing()) {
            EndCapture();
        }
        return;
    }
    if (error.source == StreamErrorSource::Recorder) {
        // A file that failed as it was finished (after its capture ended) is not silent either.
        char text[sizeof error.text + 128];
        FormatText(text, sizeof text, Text(TextId::VideoNotFinished), error.text);
        char status[sizeof error.text + 32];
        FormatText(status, sizeof status, Text(TextId::VideoStatus), error.text);
        WithoutFolders(status);
        ReportFailure(text, status);
        return;
    }
    if (error.source == StreamErrorSource::Camera && IsLive()) {
        char text[sizeof error.text + 64];
        FormatText(text, sizeof text, Text(TextId::CameraStopped), error.text);
        char status[sizeof error.text + 32];
        FormatText(status, sizeof status, Text(TextId::CameraStoppedStatus), error.text);
        WithoutFolders(status);
        ReportFailure(text, status);
        if (!IsCapturing()) {
            SetState(LiveState());
        }
    }
}

void CaptureSession::PollTick() {
    char text[64];
    FormatText(text, sizeof text, Text(TextId::StatusPoints), p_.wave.WriteIndex());
    p_.panes.SetStatusText(1, text);

    if (p_.csv.Writing()) {
        csvPendingPoints_ += batchPoints_;
        if (csvPendingPoints_ >= kCsvBatchPoints) {
            WriteCsvRows();  // rows it could not write stay pending for the next call
            csvPendingPoints_ = 0;
        }
    }
    if (markersWaiting_ > 0) {
        WriteMarkers();
    }
    if (state_ == CaptureState::CapturingTimed) {
        const uint32_t elapsed = (p_.clock.TickCount() - captureStartTick_) / 1000;
        FormatText(text, sizeof text, Text(TextId::StatusTimeLeft),
                   TimeLimitSec() - static_cast<int32_t>(elapsed), TimeLimitSec());
        p_.panes.SetStatusText(1, text);
    }
    RefreshIndicator();
    if (instrument_ != nullptr) {
        DrainInstrument();
        return;
    }

    const PointLayout layout(p_.setup);
    AckPoster poster(p_.frame, p_.link, p_.wave, layout, p_.csv);
    const uint32_t r =
        p_.protocol.PollAck(p_.port.terminator, p_.port.timeout, p_.setup.bytesPerPoint, poster);
    if (r != 0) {
        FormatText(text, sizeof text, Text(TextId::StatusAck), static_cast<int>(r));
        p_.panes.SetStatusText(1, text);
    }
    // A poll that failed or brought no block counts, so does one that came late; the indicator
    // shows them at once.
    const bool counted = pollHealth_.Finished(p_.clock.TickCount(), r != 0 || !poster.posted);
    failedPollsInRow_ = r != 0 ? failedPollsInRow_ + 1 : 0;
    if (r == err::kGenFailure || r == err::kInvalidHandle ||
        failedPollsInRow_ >= kLostAfterFailedPolls) {
        LoseLogger(r);
        return;
    }
    // A poll that brought no block must not end the chain while the preview runs; the answer
    // handler re-arms it otherwise. The error stays in the status pane meanwhile.
    if (!poster.posted && polling_) {
        ArmPoll(r != 0 ? kPollRetryMs : kPollPeriodMs);
    }
    if (counted && IsCapturing()) {
        RefreshIndicator();
    }
}

void CaptureSession::DrainInstrument() {
    if (loggerLost_) {
        return;  // told once; a tick already queued when it was lost has nothing to take
    }
    pollHealth_.Finished(p_.clock.TickCount(), false);
    int32_t n = 0;
    while ((n = instrument_->Take(drained_, kDrainRecords)) > 0) {
        batchPoints_ = p_.wave.AppendRecords(p_.setup, drained_, n);
        BatchArrived();
        if (!polling_) {
            return;  // an alarm's capture ended the live session's part of the logger
        }
        // Rows reach the file before the ring can come round to them.
        if (p_.csv.Writing() && p_.csv.PendingRecords() >= kRingRows / 2) {
            WriteCsvRows();
        }
    }
    if (instrument_->Error()[0] != '\0') {
        LoseLogger(err::kGenFailure);
        return;
    }
    if (polling_) {
        ArmPoll(kPollPeriodMs);
    }
}

void CaptureSession::LoseLogger(uint32_t code) {
    const LocalTime at = p_.clock.Now();
    p_.timers.KillTimer(kTimerPoll);
    if (instrument_ != nullptr) {
        instrument_->Stop();
    }
    polling_ = false;
    logger_ = false;
    loggerLost_ = true;
    listeners_.Tell();
    failedPollsInRow_ = 0;
    alarmLatched_ = false;

    char when[16];
    FormatText(when, sizeof when, "%02d:%02d:%02d", at.hour, at.minute, at.second);
    char status[224];
    if (instrument_ != nullptr) {
        FormatText(status, sizeof status, Text(TextId::InstrumentLostStatus), when,
                   instrument_->Error());
    } else {
        FormatText(status, sizeof status, Text(TextId::LoggerLostStatus), when,
                   static_cast<int>(code));
    }
    char csvPart[kMaxPath + 320] = "";
    if (p_.csv.Writing()) {
        // The CSV ends here, with every row that arrived before the logger went.
        char name[kMaxPath];
        CopyText(name, FileNamePart(p_.csv.CsvName()));
        if (p_.csv.AppendCsv()) {
            FormatText(csvPart, sizeof csvPart, Text(TextId::LoggerValuesClosed), name);
        } else {
            FormatText(csvPart, sizeof csvPart, Text(TextId::LoggerValuesStopped),
                       p_.csv.PendingRecords(), name, p_.csv.LastErrorText());
        }
        p_.csv.EndCsv();
        csvFailing_ = false;
    }
    const bool capturing = IsCapturing();
    const bool videoGoesOn = capturing && videoRecording_;
    char text[sizeof csvPart + 416];
    const char* videoPart = videoGoesOn ? Text(TextId::VideoGoesOn) : "";
    if (instrument_ != nullptr) {
        FormatText(text, sizeof text, Text(TextId::InstrumentLost), when, instrument_->Error(),
                   csvPart, videoPart);
    } else {
        FormatText(text, sizeof text, Text(TextId::LoggerLost), when,
                   Text(TextId::CannotReadLogger), static_cast<int>(code), csvPart, videoPart);
    }
    p_.panes.SetStatusText(1, status);
    if (capturing) {
        ReportFailure(text, status);
        if (!videoGoesOn) {
            EndCapture();  // nothing is recorded any more
        }
    } else {
        Warn(p_.user, text);
    }
    if (!IsCapturing()) {
        SetState(LiveState());
    }
}

void CaptureSession::LoggerReopened(bool opened) {
    if (!opened) {
        return;
    }
    loggerLost_ = false;
    logger_ = true;
    listeners_.Tell();
    // Opening the logger starts the ring over.
    batchPoints_ = 0;
    csvPendingPoints_ = 0;
    liveRows_ = 0;
    triggers_.Reset();
    p_.wave.Clear();
    p_.view.RingStartedOver();
}

void CaptureSession::ArmPoll(uint32_t periodMs) {
    p_.timers.StartTimer(kTimerPoll, periodMs);
    pollHealth_.Armed(p_.clock.TickCount(), periodMs);
}

void CaptureSession::OnLoggerData(uint32_t result, uint32_t byteCount) {
    if (result == err::kWaitTimeout) {
        p_.panes.SetStatusText(1, Text(TextId::StatusTimeout));
    }
    if (polling_) {
        ArmPoll(kPollPeriodMs);
    }
    const int32_t bytes =
        byteCount > kReceiveBufferSize ? kReceiveBufferSize : static_cast<int32_t>(byteCount);
    batchPoints_ = p_.wave.AppendPoints(PointLayout(p_.setup), p_.link.ReceiveBuffer(), bytes);
    if (batchPoints_ <= 0) {
        return;
    }
    BatchArrived();
}

void CaptureSession::BatchArrived() {
    liveRows_ = std::min(liveRows_ + batchPoints_, kRingRows);
    p_.view.RingRowsArrived(batchPoints_);

    // Only channels that drive an enabled alarm output start or end alarm captures: one in alarm
    // without such an output is not "no alarm", which would end the capture on every other block.
    uint32_t enabledOutputs = 0;
    for (int i = 0; i < kAlarmOutputs; ++i) {
        enabledOutputs |= p_.capture.alarmEnable[i] ? 1u << i : 0u;
    }
    const int32_t alarm = p_.wave.ScanAlarms(p_.setup, batchPoints_, enabledOutputs);
    OnRecordsAppended(batchPoints_, alarm);
    p_.frame.RepaintWave();
}

void CaptureSession::OnRecordsAppended(int32_t rows, int32_t alarm) {
    const int32_t sinceTrigger = FeedTriggers(rows);
    if (alarm == 0) {
        if (markedAlarm_ != 0 && IsCapturing()) {
            char text[32];
            FormatText(text, sizeof text, Text(TextId::MarkerAlarm), markedAlarm_);
            DropMarker(MarkerKind::AlarmEnd, text);
        }
        markedAlarm_ = 0;
        alarmLatched_ = false;
    } else if (!alarmLatched_ && alarm >= 1 && alarm <= kAlarmOutputs &&
               p_.capture.alarmEnable[alarm - 1]) {
        alarmLatched_ = true;
        if (p_.capture.alarmType[alarm - 1] == kAlarmTransfer) {
            StillImageTransfer();
        } else if (!IsCapturing()) {
            StartCapture(StartedBy::Alarm);
        }
        if (IsCapturing() && p_.capture.alarmType[alarm - 1] != kAlarmTransfer) {
            char text[32];
            FormatText(text, sizeof text, Text(TextId::MarkerAlarm), alarm);
            if (DropMarker(MarkerKind::AlarmStart, text)) {
                markedAlarm_ = alarm;
            }
        }
    }
    // A level trigger starts a capture as an alarm does, from the record that crossed the level
    // (with the pre-trigger's records before it); one while a capture runs starts nothing.
    if (sinceTrigger > 0 && !IsCapturing()) {
        StartCapture(StartedBy::Alarm, sinceTrigger);
        char text[32];
        FormatText(text, sizeof text, Text(TextId::MarkerTrigger), firstStartedTrigger_);
        DropMarker(MarkerKind::Trigger, text);
    }
    // Only a capture an alarm or trigger started ends with them, once neither holds any more
    // (a trigger that came and went within these records has had its short capture); one
    // started by hand runs until the user ends it, a timed one until its time limit.
    if (alarm == 0 && !triggers_.AnyActive() && state_ == CaptureState::CapturingByAlarm) {
        EndCapture();
    }
}

int32_t CaptureSession::FeedTriggers(int32_t rows) {
    if (!triggers_.AnyEnabled() || rows <= 0) {
        return 0;
    }
    // Records beyond the ring's length were overwritten before they could be seen.
    rows = std::min(rows, kRingRows);
    int32_t sinceTrigger = 0;
    double values[kChannels];
    for (int32_t k = rows; k >= 1; --k) {  // the k-th newest row, oldest first
        const int32_t row = (p_.wave.WriteIndex() - k + kRingRows) % kRingRows;
        for (int c = 0; c < kChannels; ++c) {
            values[c] = p_.wave.Sample(row, c) / UsableScale(p_.setup.channel[c].scale);
        }
        const uint32_t started = triggers_.Feed(values, kChannels).started;
        if (started != 0 && sinceTrigger == 0) {
            sinceTrigger = k;
            firstStartedTrigger_ = std::countr_zero(started) + 1;
        }
    }
    return sinceTrigger;
}

bool CaptureSession::DropMarker(MarkerKind kind, const char* text) {
    if (!IsCapturing() || markerPath_[0] == '\0') {
        return false;
    }
    Marker marker;
    marker.kind = kind;
    SetMarkerText(marker, text);
    if (p_.csv.Writing()) {
        // The newest record received; the clip's time is that record's, as replay pairs them.
        const int64_t taken = p_.csv.RecordsTaken();
        marker.record = taken > 0 ? taken - 1 : 0;
        marker.clipMs = marker.record * std::max(p_.setup.intervalMs, 0);
    }
    if (marker.record < 0 || p_.setup.intervalMs <= 0) {
        marker.clipMs = clipOffsetMs_ + (p_.clock.TickCount() - captureStartTick_);
    }
    if (markersWaiting_ < kMarkerQueue) {
        markerQueue_[markersWaiting_++] = marker;
    } else {
        ++markersLost_;
    }
    markersDropped_ += kind == MarkerKind::User ? 1 : 0;
    WriteMarkers();
    RefreshIndicator();
    return true;
}

void CaptureSession::WriteMarkers() {
    int32_t written = 0;
    int error = 0;
    while (written < markersWaiting_ &&
           (error = AppendMarker(markerPath_, markerQueue_[written], sync_)) == 0) {
        ++written;
    }
    std::copy(markerQueue_ + written, markerQueue_ + markersWaiting_, markerQueue_);
    markersWaiting_ -= written;
    if (error == 0) {
        return;
    }
    CopyText(markerError_, std::strerror(error));
    // A capture folder that is gone took the marker file with it, which the user is told about.
    std::error_code ec;
    const bool folderGone = !std::filesystem::is_directory(std::filesystem::path(folder_), ec);
    if (!markerFailing_ && !folderGone) {
        markerFailing_ = true;
        char text[kMaxPath + 256];
        FormatText(text, sizeof text, Text(TextId::MarkerWriteFailed), FileNamePart(markerPath_),
                   markerError_);
        char status[160];
        FormatText(status, sizeof status, Text(TextId::MarkerWriteFailedStatus), markerError_);
        ReportFailure(text, status);
    }
}

void CaptureSession::FinishMarkers() {
    if (markersWaiting_ > 0) {
        WriteMarkers();
    }
    const int32_t lost = markersWaiting_ + markersLost_;
    std::error_code ec;
    if (lost > 0 && std::filesystem::is_directory(std::filesystem::path(folder_), ec)) {
        char text[kMaxPath + 200];
        FormatText(text, sizeof text, Text(TextId::MarkersLost), lost, FileNamePart(markerPath_),
                   markerError_);
        ReportFailure(text, text);
    }
    markersWaiting_ = markersLost_ = 0;
    markedAlarm_ = 0;
    markerPath_[0] = '\0';
}

void CaptureSession::StillImageTransfer() {
    p_.transfer.TransferLiveStill(cameraLive_);
}

void CaptureSession::Shutdown() {
    if (markersWaiting_ > 0) {
        WriteMarkers();
    }
    if (p_.csv.Writing()) {
        p_.csv.AppendCsv();
        p_.csv.EndCsv();
    }
    polling_ = false;
    SetState(CaptureState::Idle);
}

void CaptureSession::SetState(CaptureState state) {
    if (state != state_) {
        state_ = state;
        listeners_.Tell();
    }
}

}  // namespace velatrace
