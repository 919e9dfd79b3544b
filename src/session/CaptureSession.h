#pragma once
// The live session: preview of camera and logger, the logger's poll cycle with its alarms, and
// the captures of an AVI + CSV pair started by the user, by an alarm or for a fixed time. It holds
// the one state of the live session and tells the user what happened to a recording.
#include <cstdint>
#include <functional>
#include <utility>

#include "base/ChangeListeners.h"
#include "base/Clock.h"
#include "base/RecordingLocks.h"
#include "base/StatusPanes.h"
#include "base/TimerIds.h"
#include "base/Timers.h"
#include "base/UserPrompts.h"
#include "base/WindowFrame.h"
#include "logger/InstrumentSource.h"
#include "logger/LoggerProtocol.h"
#include "logger/TransportSettings.h"
#include "session/AlarmStill.h"
#include "session/CaptureSettings.h"
#include "session/LevelTrigger.h"
#include "session/PollHealth.h"
#include "video/VideoGraph.h"
#include "wave/MarkerFile.h"
#include "wave/WaveBuffer.h"
#include "wave/WaveCsv.h"
#include "wave/WaveView.h"

namespace velatrace {

enum class CaptureState {
    Idle,              // nothing live
    Previewing,        // camera picture and/or logger curves, nothing recorded
    CapturingByUser,   // recording until the user ends it
    CapturingByAlarm,  // recording until the alarm that started it clears
    CapturingTimed,    // recording until the time limit runs out
};

// What the live session works with; the frame owns all of it.
struct CaptureSessionParts {
    UserPrompts& user;
    StatusPanes& panes;
    WindowFrame& frame;
    Timers& timers;
    Clock& clock;
    LoggerLink& link;
    LoggerProtocol& protocol;
    const LoggerSetup& setup;  // the live logger's, as its connection reported it
    WaveBuffer& wave;          // appended by this session alone
    WaveCsv& csv;
    WaveView& view;  // follows the ring while it shows the live curves
    VideoGraph& video;
    VideoSurface* videoPane;
    AlarmStill& transfer;
    CaptureSettings& capture;
    const TransportSettings& port;
};

class CaptureSession {
  public:
    explicit CaptureSession(const CaptureSessionParts& parts) : p_(parts) {}
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Called after each change of the session's state, of its sources and of the camera in use.
    void AddListener(std::function<void()> listener) { listeners_.Add(std::move(listener)); }

    // The sources found at start-up.
    void SetSources(bool camera, bool logger);
    // An instrument takes the logger's place (null: the logger); it must outlive the session.
    // Its records are taken at each poll tick; `setup` then describes its channels.
    void SetInstrument(InstrumentSource* instrument) { instrument_ = instrument; }
    // The camera was opened again after a replay took it (false: it could not be).
    void CameraRebound(bool built) { camera_ = built; }
    // A camera was found at start-up (its settings can be opened), and any source at all (a
    // live session can be started).
    bool CameraFound() const { return cameraFound_; }
    bool SourceFound() const { return sourceFound_; }
    // The listed camera in use, -1 before one was chosen.
    int32_t CameraInUse() const { return cameraInUse_; }
    void SetCameraInUse(int32_t index) {
        cameraInUse_ = index;
        listeners_.Tell();
    }
    // Forces the markers to the disk as they are written; null (the default): no syncing.
    void SetFileSync(FileSync* sync) { sync_ = sync; }
    // The locks that show a file being recorded by another recording; null: none are known.
    void SetRecordingLocks(RecordingLocks* locks) { locks_ = locks; }
    bool HasCamera() const { return camera_; }
    // The camera delivers to the preview (its part of the live session runs).
    bool CameraLive() const { return cameraLive_; }
    // A camera setting left the camera stopped (`running` false) or running.
    void CameraRestarted(bool running) { cameraLive_ = running; }
    bool HasLogger() const { return logger_; }
    // The logger's poll chain runs.
    bool Polling() const { return polling_; }
    // The logger stopped answering during the live session: it is closed and opened again
    // (with its channel setup read anew) by the next Preview start, through LoggerReopened.
    bool LoggerLost() const { return loggerLost_; }
    // The lost logger was opened again (`opened`) or is still not there.
    void LoggerReopened(bool opened);

    CaptureState State() const { return state_; }
    bool IsLive() const { return state_ != CaptureState::Idle; }
    bool IsCapturing() const;
    // The user may press Capture: the session is live and no capture has ended since its start
    // (a new manual capture needs a new Preview start).
    bool CaptureOffered() const { return IsLive() && !captureEnded_; }

    // The Preview command: starts the live session, or ends it (and a capture still running).
    void TogglePreview();
    // The Capture command: the user starts a capture, or ends the one running.
    void ToggleCaptureByUser();
    // The time limit ran out.
    void EndTimedCapture();
    // The poll timer and the logger's answer to a poll.
    void PollTick();
    void OnLoggerData(uint32_t result, uint32_t byteCount);
    // `rows` new records of any source are in the ring (`alarm`: the logger's alarm output found
    // in them, 0 for none): the level triggers see each record in order, and alarms and
    // triggers start and end alarm captures.
    void OnRecordsAppended(int32_t rows, int32_t alarm);
    // Drops a marker of `kind` with `text` (UTF-8; null: none) at the newest record of the
    // running capture, into the marker file beside its pair at once. False when no capture runs.
    // The capture drops its own for alarms, a stream error and the switch to the next numbered
    // file; the user's Marker command and level triggers come here too.
    bool DropMarker(MarkerKind kind, const char* text);
    // The engine reported that a stream stopped.
    void OnStreamError(const StreamError& error);
    // Refreshes the recording indicator (elapsed time, dropped frames); cheap when unchanged.
    void RefreshIndicator();
    // The still picture of the live camera to the transfer target.
    void StillImageTransfer();
    // The window closes: a capture still running keeps every row received.
    void Shutdown();
    // The capture name in status pane 2.
    void ShowCaptureFileName();
    // The folder, base name or numbering changed: the next capture is named by them at once (a
    // live session records into the new folder), never while a capture is running.
    void ApplyNaming();
    // The pre-trigger setting changed (or a live session starts): the camera keeps that many
    // seconds of frames for the next alarm capture.
    void ApplyPretrigger();
    // The level triggers changed (or a live session starts): they are watched from now on.
    void ApplyTriggers();

  private:
    enum class StartedBy { User, Alarm };
    // The one writer of the state: tells the listeners when it changed.
    void SetState(CaptureState state);
    // `sinceTrigger`: the newest ring rows from a trigger's crossing on, which the CSV begins
    // with (after the pre-trigger's rows).
    void StartCapture(StartedBy by, int32_t sinceTrigger = 0);
    void EndCapture();
    // Ring rows this live session received of the pre-trigger's seconds before the newest
    // `sinceTrigger` rows, and those rows.
    int32_t PretriggerRows(int32_t sinceTrigger) const;
    // Feeds the newest `rows` ring rows to the level triggers, oldest first, in engineering
    // units. Returns how many of the newest rows go back to the first record that started a
    // trigger (that record included), 0 when none started.
    int32_t FeedTriggers(int32_t rows);
    // Writes the pending CSV rows; a failure is reported once, a later success clears it.
    void WriteCsvRows();
    // The state once no capture runs: previewing while a stream is live, else idle.
    CaptureState LiveState() const;
    void AfterCaptureChange();
    // Makes sure the capture folder exists and takes files; tells the user once per live
    // session when it does not.
    bool CaptureFolderReady();
    // Whether every capture name of this session fits a path; tells the user when not.
    bool CaptureNamesFit();
    // Whether a file this capture would write is being recorded by another recording; tells the
    // user which (for an alarm's capture once per live session).
    bool RecordedElsewhere(bool byUser);
    // The time limit the timer runs, in seconds.
    int32_t TimeLimitSec() const;
    // Tells the user once (`message` in a box) and keeps `status` in the recording indicator.
    void ReportFailure(const char* message, const char* status);
    // Writes the markers that wait, oldest first; the first failure of a capture is told.
    void WriteMarkers();
    // The capture is ending: the markers still waiting are written, or the user is told.
    void FinishMarkers();
    // Arms the next logger poll `periodMs` from now.
    void ArmPoll(uint32_t periodMs);
    // The logger is gone (`code` from the poll): polling ends, the CSV gets every row received
    // and is closed, the video goes on; the user is told once, with the time it happened.
    void LoseLogger(uint32_t code);
    // The records the instrument delivered since the last tick into the ring and the CSV.
    void DrainInstrument();
    // A batch of batchPoints_ records is in the ring: the view follows, alarms are scanned.
    void BatchArrived();

    CaptureSessionParts p_;
    InstrumentSource* instrument_ = nullptr;
    // The records of one drain, taken in pieces of this many (nothing allocated per tick).
    static constexpr int32_t kDrainRecords = 256;
    double drained_[kDrainRecords][kChannels] = {};
    CaptureState state_ = CaptureState::Idle;
    ChangeListeners listeners_;
    bool camera_ = false;
    bool cameraLive_ = false;      // the camera delivers to the preview
    bool videoRecording_ = false;  // the camera's frames go into the capture's AVI
    bool logger_ = false;
    bool cameraFound_ = false;
    bool sourceFound_ = false;
    int32_t cameraInUse_ = -1;
    bool captureEnded_ = false;  // a capture ended in this live session
    bool loggerLost_ = false;
    bool polling_ = false;
    int32_t failedPollsInRow_ = 0;
    // Measurement cycle.
    int32_t batchPoints_ = 0;
    int32_t csvPendingPoints_ = 0;
    bool alarmLatched_ = false;
    LevelTriggers triggers_;
    int32_t liveRows_ = 0;  // ring rows received in this live session (at most the ring)
    uint32_t captureStartTick_ = 0;
    PollHealth pollHealth_;       // late and failed polls since the capture started
    char folder_[kMaxPath] = {};  // where this live session records, resolved at its start
    bool folderReported_ = false;
    RecordingLocks* locks_ = nullptr;
    // The user agreed at preview start to replace the existing pair: the old CSV goes when a
    // capture that writes none starts.
    bool replaceOldCsv_ = false;
    bool lockReported_ = false;  // an alarm's capture was refused for a locked file
    // What the user was told about the running capture.
    char captureFile_[kMaxPath] = {};  // the AVI (or, without camera, the CSV) being written
    char failure_[320] = {};           // why a side of the capture stopped; kept until the next
    bool csvFailing_ = false;          // a CSV batch is waiting for room
    bool videoFailed_ = false;         // the video side of the capture stopped on an error
    char indicator_[400] = {};         // the text shown last
    // Markers of the running capture.
    static constexpr int32_t kMarkerQueue = 64;
    FileSync* sync_ = nullptr;
    char markerPath_[kMaxPath] = {};  // the capture's marker file, empty while none runs
    Marker markerQueue_[kMarkerQueue];
    int32_t markersWaiting_ = 0;  // in the queue, not yet in the file
    int32_t markersLost_ = 0;     // dropped while the queue was full
    int32_t markersDropped_ = 0;  // by the user in this capture
    bool markerFailing_ = false;  // the file refused a marker in this capture (told once)
    char markerError_[96] = {};
    int64_t clipOffsetMs_ = 0;         // the AVI's time at capture start (a pre-trigger's seconds)
    int32_t markedAlarm_ = 0;          // the alarm whose start was marked, 0: none
    int32_t firstStartedTrigger_ = 0;  // the level trigger (1..4) that crossed first in a batch
    RecordingLook indicatorLook_ = RecordingLook::Hidden;
};

}  // namespace velatrace
