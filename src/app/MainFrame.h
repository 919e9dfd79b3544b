#pragma once
// The main window's behaviour without any widget: creation and deferred start-up, the command
// table, the timers, the logger's answers, capture and replay control, and the close sequence.
// The Qt window forwards its events here and mirrors the UI-update table onto its actions.
#include <cstdint>
#include <memory>

#include "base/Clock.h"
#include "app/Host.h"
#include "app/RecentFiles.h"
#include "app/StillTransfer.h"
#include "app/UiUpdateTable.h"
#include "dde/DdeSettings.h"
#include "logger/LoggerProtocol.h"
#include "logger/TransportSettings.h"
#include "session/CaptureSettings.h"
#include "settings/FramePlacement.h"
#include "settings/SettingsStore.h"
#include "video/VideoGraph.h"
#include "wave/WaveBuffer.h"
#include "wave/WaveCsv.h"
#include "wave/WaveScales.h"
#include "app/WaveCommands.h"

namespace velatrace {

// Timer IDs of the main window.
inline constexpr uint32_t kTimerStartup = 1;
inline constexpr uint32_t kTimerCaptureLimit = 2;
inline constexpr uint32_t kTimerPoll = 3;
inline constexpr uint32_t kTimerReplay = 4;

// Seek bar notifications, as the trackbar sends them.
enum class SeekEvent { Track = 5, EndScroll = 8, ThumbPosition = 4 };

struct FramePorts {
    Host& host;
    Timers& timers;
    Clock& clock;
    RegistryStore& registry;
    DriverLibrary& driver;
    MediaEngine& engine;
    VideoSurface* videoPane;
    StillTransfer& transfer;
};

// Session flags and values shared by the frame's handlers.
struct SessionState {
    int32_t cameraFound = 0;
    int32_t loggerConnected = 0;
    int32_t ddeInitialized = 0;
    int32_t ddeConnected = 0;
    int32_t sourceAvailable = 0;
    int32_t barVisible[4] = {1, 1, 1, 1};
    int32_t singlePane = -1;  // -1 both panes, 0 video alone, 1 wave alone
    // Measurement cycle.
    int32_t pointTotal = 0;
    int32_t batchPoints = 0;
    int32_t csvPendingPoints = 0;
    int32_t alarmLatched = 0;
    int32_t alarmCapture = 0;  // the running capture was started by an alarm
    uint32_t captureStartTick = 0;
    // Replay.
    int32_t replayState = 0;  // 0 stopped, 1 playing, 2 paused
    int32_t replayElapsedMs = 0;
};

class MainFrame {
  public:
    explicit MainFrame(const FramePorts& ports);
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // Creation sequence: loads the settings, disables the session commands, places the window
    // and starts timer 1.
    void Create();
    void OnCommand(uint32_t id);
    void OnTimer(uint32_t id);
    // The logger's answer, posted through Host::PostLoggerAnswer.
    void OnLoggerData(uint32_t result, uint32_t byteCount);
    void OnSeekBar(SeekEvent event, int position);
    // Close sequence: releases video and logger, saves placement and scales, destroys the window.
    void OnClose();

    const UiUpdateTable& Ui() const { return ui_; }
    const SessionState& Session() const { return s_; }
    const WaveBuffer& Wave() const { return *wave_; }
    const WaveScales& Scales() const { return view_.scales; }
    // What the wave pane draws: its scales, the row at its right edge, whether it has data.
    const WaveView& View() const { return view_; }
    const CaptureSettings& Capture() const { return capture_; }
    const RecentFiles& Recent() const { return recent_; }
    VideoGraph& Video() { return video_; }

    // Entries used by the handlers and by later dialogs.
    void PreviewCommand();
    void CaptureCommand(int32_t alarm, uint32_t commandId);
    bool OpenRecording(const char* path, int32_t kind);
    void CloseRecording(uint32_t command);

  private:
    void DeferredStartup();
    void ToggleBar(uint32_t id);
    void TogglePane(uint32_t id);
    // Measurement cycle.
    void PollTick();
    void CaptureTimeLimitTick();
    void StillImageTransfer(int32_t alarm);
    // Capture control.
    void ShowCaptureFileName();
    // Replay control.
    void ClipStop();
    void ClipToggle();
    void ClipInformation();
    void ReplayTick();
    void FileOpen();
    void RecentFile(uint32_t id);
    int32_t ClipSeconds() const;
    int32_t WaveSeconds(int32_t rows) const;
    void ShowReplaySeconds(int32_t current, int32_t total);
    void StartReplayTimer();

    Host& host_;
    Timers& timers_;
    Clock& clock_;
    RegistryStore& registry_;
    VideoSurface* videoPane_;
    StillTransfer& transfer_;

    SettingsStore settings_;
    std::unique_ptr<WaveBuffer> wave_;
    LoggerLink link_;
    LoggerProtocol protocol_;
    WaveCsv csv_;
    VideoGraph video_;
    WaveView view_;
    CaptureSettings capture_;
    DdeSettings dde_;
    TransportSettings port_;
    FramePlacement placement_;
    RecentFiles recent_;
    UiUpdateTable ui_;
    SessionState s_;
    uint32_t replayTickAt_ = 0;  // clock reading at the last replay tick
};

}  // namespace velatrace
