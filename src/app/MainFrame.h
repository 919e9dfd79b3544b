#pragma once
// The main window's behaviour without any widget: creation and deferred start-up, the command
// table, the timers, the logger's answers, capture and replay control, and the close sequence.
// The Qt window forwards its events here and mirrors the UI-update table onto its actions.
#include <cstdint>
#include <memory>
#include <string>

#include "app/FrameState.h"
#include "app/RecentFiles.h"
#include "app/StillTransfer.h"
#include "app/StillTransferLink.h"
#include "app/UiUpdateTable.h"
#include "app/WaveCommands.h"
#include "app/WindowPorts.h"
#include "base/Clock.h"
#include "base/FramePlacement.h"
#include "base/TextCatalog.h"
#include "base/TimerIds.h"
#include "base/Timers.h"
#include "dde/DdeSettings.h"
#include "logger/InstrumentSource.h"
#include "logger/LoggerProtocol.h"
#include "logger/TransportSettings.h"
#include "session/CaptureSession.h"
#include "session/CaptureSettings.h"
#include "session/ReplaySession.h"
#include "settings/SettingsStore.h"
#include "video/VideoGraph.h"
#include "wave/WaveBuffer.h"
#include "wave/WaveCsv.h"
#include "wave/WaveScales.h"

namespace velatrace {

struct FramePorts {
    WindowPorts window;
    Timers& timers;
    Clock& clock;
    RegistryStore& registry;
    DriverLibrary& driver;
    MediaEngine& engine;
    VideoSurface* videoPane;
    StillTransfer& transfer;
    PropertyPages& pages;                      // the camera's Filter and Format dialogs
    FileSync* fileSync = nullptr;              // forces recorded rows to the disk; null: no syncing
    RecordingLocks* locks = nullptr;           // marks the files being recorded; null: none
    InstrumentCatalog* instruments = nullptr;  // instruments beside the logger; null: none
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
    // The logger's answer, posted through WindowFrame::PostLoggerAnswer.
    void OnLoggerData(uint32_t result, uint32_t byteCount);
    // The media engine woke the window: takes everything it has to say, on this thread.
    void OnEngineNews();
    void OnSeekBar(SeekEvent event, int position);
    // Close sequence: releases video and logger, saves placement and scales, destroys the window.
    void OnClose();

    const UiUpdateTable& Ui() const { return ui_; }
    const CaptureSession& Live() const { return live_; }
    const ReplaySession& Replay() const { return replay_; }
    // The replay, for the span and the exports the window runs on it.
    ReplaySession& ReplayControl() { return replay_; }
    const WaveBuffer& Wave() const { return *wave_; }
    // The live logger's setup, as its connection or the last channel query reported it.
    const LoggerSetup& Setup() const { return loggerSetup_; }
    // What the wave pane draws: its scales, the row at its right edge, whether it has data.
    const WaveView& View() const { return view_; }
    const CaptureSettings& Capture() const { return captureSettings_; }
    const RecentFiles& Recent() const { return recent_; }
    VideoGraph& Video() { return video_; }

    // Opens a recorded pair (kind 1 a media file, 2 a wave file); only while nothing is live.
    bool OpenRecording(const char* path, int32_t kind);

  private:
    // Derives every command's state from the sessions, the sources, the transfer, the bars and
    // panes and the wave view, and writes the whole UI-update table: after each change a session
    // reports, and at the end of each command and of the frame's own timers.
    void RefreshCommandStates();
    void DeferredStartup();
    void ToggleBar(uint32_t id);
    void TogglePane(uint32_t id);
    void PreviewCommand();
    // Binds the saved camera again when a replay (or a failed open) took its graph.
    void RebuildCameraGraph();
    void FileOpen();
    void RecentFile(uint32_t id);
    void RunCommand(uint32_t id);
    // A change that would cut the running recording in two is refused with a word why.
    bool RefusedWhileCapturing(TextId refusal);
    void CameraCommand(uint32_t id);
    void FormatCommand();
    void TransportCommand();
    void ChannelPropertyCommand();
    // The logger's channel table could not be read: the code of the exchange that failed.
    void ReportChannelQueryFailure(uint32_t code);
    // A Preview start opens a logger lost during the last live session again; false (and the
    // user told) when it is still not there.
    bool ReopenLostLogger();
    // Tells the user once about each new problem keeping the settings (unreadable file, failed
    // save).
    void ReportSettingsProblem();
    // "Capture setting": the dialog, then its values applied.
    void CaptureSettingCommand();
    // "Instrument": the dialog, then the chosen instrument (or the logger) opened as the source.
    void InstrumentCommand();
    // Opens the chosen instrument as the live source, its setup in place of the logger's; tells
    // the user why not.
    bool OpenInstrument();

    UserPrompts& user_;
    FrameDialogs& dialogs_;
    WindowFrame& frame_;
    Timers& timers_;
    Clock& clock_;
    RegistryStore& registry_;
    VideoSurface* videoPane_;
    PropertyPages& pages_;

    SettingsStore settings_;
    std::unique_ptr<WaveBuffer> wave_;
    LoggerSetup loggerSetup_;
    LoggerLink link_;
    LoggerProtocol protocol_;
    WaveCsv csv_;
    VideoGraph video_;
    WaveView view_;
    CaptureSettings captureSettings_;
    DdeSettings dde_;
    TransportSettings port_;
    FramePlacement placement_;
    RecentFiles recent_;
    UiUpdateTable ui_;
    FrameState s_;
    VideoFrame picture_;  // the newest picture, on its way to the video pane
    std::string settingsProblemShown_;
    bool startedUp_ = false;              // the deferred start-up has run: the window is up
    std::string captureSettingsProblem_;  // stored capture naming that cannot be used
    StillTransferLink still_;
    InstrumentCatalog* catalog_;
    InstrumentChoice instrumentChoice_;
    std::unique_ptr<InstrumentSource> instrument_;
    bool instrumentInUse_ = false;  // the instrument, not the logger, is the live source
    CaptureSession live_;
    ReplaySession replay_;
};

}  // namespace velatrace
