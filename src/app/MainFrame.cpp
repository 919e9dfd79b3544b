#include "app/MainFrame.h"

#include <string>

#include "app/CommandIds.h"
#include "app/CommandStates.h"
#include "app/HelpTopics.h"
#include "base/FixedText.h"
#include "base/TextCatalog.h"
#include "logger/ChannelPropertyModel.h"
#include "logger/TransportDialogModel.h"
#include "session/CaptureNaming.h"
#include "session/CaptureSettingsModel.h"

namespace velatrace {

namespace {
constexpr uint32_t kStartupDelayMs = 500;
// A maximised window is saved with this fixed rectangle at the screen's corner.
constexpr int32_t kMaximisedCx = 645;
constexpr int32_t kMaximisedCy = 642;
}  // namespace

MainFrame::MainFrame(const FramePorts& ports)
    : user_(ports.window.user),
      dialogs_(ports.window.dialogs),
      frame_(ports.window.frame),
      timers_(ports.timers),
      clock_(ports.clock),
      registry_(ports.registry),
      videoPane_(ports.videoPane),
      pages_(ports.pages),
      settings_(ports.registry),
      wave_(std::make_unique<WaveBuffer>()),
      link_(ports.driver),
      protocol_(link_, ports.clock),
      csv_(*wave_, loggerSetup_, ports.clock),
      video_(ports.engine),
      still_(StillTransferParts{ports.window.user, ports.window.panes, ports.window.dialogs,
                                ports.timers, ports.clock, settings_, video_, view_, picture_, dde_,
                                ports.transfer}),
      catalog_(ports.instruments),
      live_(CaptureSessionParts{ports.window.user, ports.window.panes, ports.window.frame,
                                ports.timers, ports.clock, link_, protocol_, loggerSetup_, *wave_,
                                csv_, view_, video_, ports.videoPane, still_, captureSettings_,
                                port_}),
      replay_(ReplaySessionParts{ports.window.user, ports.window.panes, ports.window.frame,
                                 ports.window.seek, ports.timers, ports.clock, loggerSetup_, view_,
                                 video_, ports.videoPane}) {
    // The pane draws the live curves until a recording is loaded.
    view_.SetLiveSource(&loggerSetup_, wave_.get());
    csv_.SetFileSync(ports.fileSync);
    csv_.SetRecordingLocks(ports.locks);
    live_.SetRecordingLocks(ports.locks);
    live_.SetFileSync(ports.fileSync);
    replay_.SetFileSync(ports.fileSync);
    // The commands follow every change of either session, whatever brought it about.
    live_.AddListener([this] { RefreshCommandStates(); });
    replay_.AddListener([this] { RefreshCommandStates(); });
}

void MainFrame::Create() {
    settings_.LoadFrame(placement_);
    WaveScales scales;
    settings_.LoadScale(scales);
    view_.SetScales(scales);
    recent_.Restore(registry_);
    frame_.RefreshRecentMenu();

    char name[kDisplayNameSize] = {};
    settings_.LoadCamname(name, sizeof name);
    video_.LoadDisplayName(name, sizeof name);
    StreamSettings stream;
    settings_.LoadStrm(stream);
    video_.LoadStream(stream);
    const SettingsStore::CaptureLoad loaded = settings_.LoadCapture(captureSettings_);
    settings_.LoadTriggers(captureSettings_.triggers);
    captureSettingsProblem_ = StoredNamingProblem(captureSettings_, loaded.folderTooLong,
                                                  loaded.nameTooLong, kDefaultCaptureName);
    // The stored folder stays as the user chose it; an empty one means the user's video folder.
    char folder[kMaxPath];
    CaptureFolder(folder, sizeof folder, captureSettings_.path);
    video_.SetNaming(folder, captureSettings_.filename, captureSettings_.autoNumber);
    settings_.LoadDde(dde_);
    settings_.LoadPort(port_);

    frame_.PlaceWindow(placement_);
    timers_.StartTimer(kTimerStartup, kStartupDelayMs);
    RefreshCommandStates();
}

void MainFrame::RefreshCommandStates() {
    CommandInputs in;
    in.startedUp = startedUp_;
    in.capture = live_.State();
    in.captureOffered = live_.CaptureOffered();
    in.sourceFound = live_.SourceFound();
    in.cameraFound = live_.CameraFound();
    in.cameraInUse = live_.CameraInUse();
    // The logger's channels stay selectable when it was lost: their curves stay in sight.
    const bool loggerKnown = live_.HasLogger() || live_.LoggerLost();
    in.channelsSelectable =
        replay_.HasWaveFile() || (loggerKnown && loggerSetup_.CountActiveChannels() > 0);
    in.replay = replay_.State();
    in.replayMarkers = static_cast<int32_t>(replay_.Markers().size());
    in.transferConnected = still_.Connected();
    in.frame = s_;
    in.levelStep = view_.LevelStep();
    in.timeStep = view_.Scales().tscale;
    ui_.Assign(DeriveCommandStates(in));
}

void MainFrame::DeferredStartup() {
    user_.BeginWaitCursor();
    NextCaptureNumber(captureSettings_);
    video_.SetCaptureNumber(captureSettings_.number);

    int32_t index = 0;
    bool selected = false;
    const bool cameraFound = video_.InitCamera(videoPane_, &index, &selected);
    if (selected) {
        settings_.SaveCamname(video_.DisplayName(), video_.DisplayNameSize());
    }
    if (cameraFound) {
        const char* names[kMaxVideoDevices] = {};
        const int count = video_.DeviceNames(names, kMaxVideoDevices);
        frame_.AppendMenuItems(MenuExtension::CaptureDevices, Submenu::Capture, names, count);
        live_.SetCameraInUse(index);
    }

    // A saved instrument is the source in the logger's place; without one (or when it cannot be
    // opened) the logger is.
    settings_.LoadInstrument(instrumentChoice_);
    const bool instrument = instrumentChoice_.Chosen() && OpenInstrument();
    const LoggerProtocol::Connection logger =
        instrument ? LoggerProtocol::Connection{true, 0, loggerSetup_}
                   : protocol_.ConnectLogger(port_.terminator);

    if (logger.opened) {
        loggerSetup_ = logger.setup;
        if (logger.queryResult != 0) {
            ReportChannelQueryFailure(logger.queryResult);
        }
        if (!instrument) {  // the logger's channel table, which an instrument has not
            frame_.AppendMenuItems(MenuExtension::ChannelProperty, Submenu::Transfer);
        }
    }
    live_.SetSources(cameraFound, logger.opened);
    view_.ShowLive(logger.opened);

    // The alarm actions are restored from the settings, so the transfer alarm follows them.
    captureSettings_.transAlarm = FirstTransferAlarm(captureSettings_.alarmType);
    still_.StartupConnect(captureSettings_.transAlarm != 0);
    // The transfer and its settings are always reachable from the Transfer menu; the transfer
    // command itself stays disabled until a conversation is open.
    frame_.AppendMenuItems(MenuExtension::DdeTransfer, Submenu::Transfer);
    if (catalog_ != nullptr) {  // instruments can be chosen where a driver library is there
        frame_.AppendMenuItems(MenuExtension::Instrument, Submenu::Transfer);
    }

    view_.SelectChannel(0);
    user_.EndWaitCursor();
    startedUp_ = true;
    ReportSettingsProblem();
    if (video_.EngineProblem()[0] != '\0') {
        Warn(user_, video_.EngineProblem());
    }
    // Stored naming that cannot be used is told once, with what is used instead.
    if (!captureSettingsProblem_.empty()) {
        Warn(user_, captureSettingsProblem_.c_str());
        captureSettingsProblem_.clear();
    }
}

void MainFrame::ReportSettingsProblem() {
    // Before the deferred start-up the window may still be in its first show (a pane's first
    // resize arrives as a command there), which a modal box must not re-enter.
    const char* problem = registry_.Problem();
    if (!startedUp_ || problem[0] == '\0' || settingsProblemShown_ == problem) {
        return;
    }
    settingsProblemShown_ = problem;
    Warn(user_, problem);
}

void MainFrame::OnTimer(uint32_t id) {
    if (id != kTimerReplay) {
        timers_.KillTimer(id);
    }
    switch (id) {
        case kTimerStartup:
            DeferredStartup();
            RefreshCommandStates();
            break;
        case kTimerCaptureLimit:
            live_.EndTimedCapture();
            break;
        case kTimerPoll:
            live_.PollTick();
            break;
        case kTimerReplay:
            replay_.Tick();
            break;
        case kTimerDdePaste:
            still_.OnPasteTimer();
            RefreshCommandStates();
            break;
        default:
            break;
    }
}

void MainFrame::OnCommand(uint32_t id) {
    if (id >= cmd::kRecentFirst && id <= cmd::kRecentLast) {
        RecentFile(id);
    } else if (id >= cmd::kDeviceFirst && id <= cmd::kDeviceLast) {
        CameraCommand(id);
    } else {
        RunCommand(id);
    }
    // Dialogs, choices and the recent list save settings; a save that failed is told at once
    // (at exit the window is gone, and the save's problem goes to stderr only).
    if (id != cmd::kExit) {
        ReportSettingsProblem();
    }
    RefreshCommandStates();
}

void MainFrame::RunCommand(uint32_t id) {
    switch (id) {
        case cmd::kFileOpen:
            FileOpen();
            break;
        case cmd::kFileClose:
            replay_.Close(/*byUser=*/true, live_.HasLogger());
            RebuildCameraGraph();
            break;
        case cmd::kExit:
            OnClose();
            break;
        case cmd::kFileBar:
        case cmd::kSeekBar:
        case cmd::kCaptureBar:
        case cmd::kChannelBar:
            ToggleBar(id);
            break;
        case cmd::kVideoPane:
        case cmd::kWavePane:
            TogglePane(id);
            break;
        case cmd::kClipStop:
            replay_.Stop();
            break;
        case cmd::kClipStart:
        case cmd::kClipPause:
            replay_.TogglePlay();
            break;
        case cmd::kClipInformation:
            replay_.ShowInformation(live_.HasCamera(), live_.HasLogger());
            break;
        case cmd::kNextChannel:
        case cmd::kPreviousChannel:
        case cmd::kLevelZoomIn:
        case cmd::kLevelZoomOut:
        case cmd::kTimeZoomIn:
        case cmd::kTimeZoomOut:
            WaveCommand(id, view_);
            frame_.RepaintWave();
            break;
        case cmd::kCapture:
            live_.ToggleCaptureByUser();
            break;
        case cmd::kPreview:
            PreviewCommand();
            break;
        case cmd::kDdeTransfer:
            still_.TransferStill(live_.IsLive(), live_.CameraLive());
            break;
        case cmd::kDdeTransferSetting:
            still_.SettingCommand();
            break;
        case cmd::kFilter:
            video_.ShowFilterProperties(pages_);
            break;
        case cmd::kFormat:
            FormatCommand();
            break;
        case cmd::kMute:
            video_.ToggleMute();
            break;
        case cmd::kPaneResized:
            if (video_.Stream().fAudioOnly == 0) {
                video_.FitVideoWindow(videoPane_);
            }
            break;
        case cmd::kAbout:
            dialogs_.ShowAbout();
            break;
        case cmd::kHelpTopics:
            OpenHelpTopics(dialogs_, user_);
            break;
        case cmd::kTransportSetting:
            TransportCommand();
            break;
        case cmd::kChannelProperty:
            ChannelPropertyCommand();
            break;
        case cmd::kCaptureSetting:
            CaptureSettingCommand();
            break;
        case cmd::kMarker:
            // Into the running capture, else onto the recording at its cursor.
            if (live_.IsCapturing()) {
                live_.DropMarker(MarkerKind::User, "");
            } else if (replay_.IsOpen()) {
                replay_.AddMarker("");
            }
            break;
        case cmd::kNextMarker:
        case cmd::kPreviousMarker:
            replay_.JumpToMarker(id == cmd::kNextMarker);
            break;
        case cmd::kMarkerList:
            if (replay_.IsOpen()) {
                dialogs_.RunMarkerDialog(replay_);
            }
            break;
        case cmd::kInstrument:
            InstrumentCommand();
            break;
        default:  // Ctrl+Alt+B is accepted and does nothing
            break;
    }
}

void MainFrame::OnLoggerData(uint32_t result, uint32_t byteCount) {
    live_.OnLoggerData(result, byteCount);
}

void MainFrame::OnSeekBar(SeekEvent event, int position) {
    replay_.Seek(event, position);
}

void MainFrame::OnEngineNews() {
    if (video_.TakeLatestFrame(&picture_) && videoPane_ != nullptr) {
        videoPane_->ShowFrame(&picture_);
    }
    StreamError error;
    while (video_.TakeStreamError(&error)) {
        live_.OnStreamError(error);
    }
    if (video_.ClipReachedEnd()) {
        replay_.OnClipEnded();
    }
    live_.RefreshIndicator();
}

void MainFrame::PreviewCommand() {
    if (replay_.HoldsRecording()) {
        replay_.Close(/*byUser=*/false, live_.HasLogger());
    }
    if (!live_.IsLive()) {
        RebuildCameraGraph();
    }
    // Without the logger and without a camera there is nothing to preview.
    if (!ReopenLostLogger() && !live_.HasCamera()) {
        return;
    }
    live_.TogglePreview();
}

void MainFrame::RebuildCameraGraph() {
    if (live_.HasCamera() && !video_.HasCamera()) {
        int32_t index = 0;
        live_.CameraRebound(video_.SelectSavedDevice(videoPane_, &index));
    }
}

bool MainFrame::ReopenLostLogger() {
    if (live_.IsLive() || !live_.LoggerLost()) {
        return true;
    }
    if (instrumentInUse_) {
        user_.BeginWaitCursor();
        const bool opened = OpenInstrument();
        user_.EndWaitCursor();
        live_.LoggerReopened(opened);
        view_.SelectChannel(0);
        return opened;
    }
    // The lost device is let go and the logger opened afresh, its channel setup read again.
    user_.BeginWaitCursor();
    link_.CloseLogger(port_.terminator);
    const LoggerProtocol::Connection logger = protocol_.ConnectLogger(port_.terminator);
    user_.EndWaitCursor();
    live_.LoggerReopened(logger.opened);
    if (!logger.opened) {
        Warn(user_, Text(TextId::LoggerNotReopened));
        return false;
    }
    loggerSetup_ = logger.setup;
    if (logger.queryResult != 0) {
        ReportChannelQueryFailure(logger.queryResult);
    }
    view_.SelectChannel(0);
    return true;
}

bool MainFrame::RefusedWhileCapturing(TextId refusal) {
    if (!live_.IsCapturing()) {
        return false;
    }
    Warn(user_, Text(refusal));
    return true;
}

void MainFrame::CameraCommand(uint32_t id) {
    const int32_t index = static_cast<int32_t>(id - cmd::kDeviceFirst);
    if (index == live_.CameraInUse()) {
        return;  // already the camera in use
    }
    // Another camera means another graph, which would cut a recording in two.
    if (RefusedWhileCapturing(TextId::StopCaptureForCamera)) {
        return;
    }
    const bool previewing = live_.IsLive();
    if (previewing) {
        live_.TogglePreview();
    }
    if (video_.SelectDevice(videoPane_, index)) {
        live_.SetCameraInUse(index);
        settings_.SaveCamname(video_.DisplayName(), video_.DisplayNameSize());
    } else {
        char text[256];
        FormatText(text, sizeof text, Text(TextId::CameraCannotOpen), video_.LastFailure());
        Warn(user_, text);
    }
    if (previewing) {
        live_.TogglePreview();
    }
}

void MainFrame::FormatCommand() {
    // A new format rebuilds the camera graph, which would cut a recording in two.
    if (RefusedWhileCapturing(TextId::StopCaptureForFormat)) {
        return;
    }
    MediaError refusal = MediaError::None;
    bool running = live_.CameraLive();
    const bool taken = video_.ShowFormatProperties(videoPane_, pages_, &running, &refusal);
    live_.CameraRestarted(running);
    if (taken) {
        settings_.SaveStrm(video_.Stream());
        return;
    }
    const StreamSettings& kept = video_.Stream();
    char text[256];
    FormatText(text, sizeof text, Text(TextId::FormatRefused), ErrorText(refusal),
               static_cast<int>(kept.lvw), static_cast<int>(kept.lvh),
               static_cast<int>(kept.lrate));
    Warn(user_, text);
}

void MainFrame::CaptureSettingCommand() {
    // New naming would cut the running recording in two.
    if (RefusedWhileCapturing(TextId::StopCaptureForSettings)) {
        return;
    }
    CaptureSettingsModel model(captureSettings_, live_.HasCamera(), live_.HasLogger());
    model.SetVideoFormat(video_.Stream().lvw, video_.Stream().lvh, video_.Stream().lrate);
    std::string refusal;
    // A refused value is told and the dialog comes back with what the user typed.
    for (;;) {
        if (!dialogs_.RunCaptureSettingsDialog(model)) {
            return;
        }
        if (model.Accept(refusal)) {
            break;
        }
        Warn(user_, refusal.c_str());
    }
    const CaptureSettings& result = model.Result();
    if (!result.namingChanged && !result.conditionsChanged) {
        return;
    }
    const int32_t number = captureSettings_.number;
    captureSettings_ = result;
    captureSettings_.number = number;
    settings_.SaveCapture(captureSettings_);
    settings_.SaveTriggers(captureSettings_.triggers);
    if (result.namingChanged) {
        live_.ApplyNaming();
    }
    if (result.conditionsChanged) {
        live_.ApplyPretrigger();
        live_.ApplyTriggers();
        // A transfer alarm needs the conversation the start-up opens only when one is set; it
        // would send nothing without one, so the user is told when it cannot be opened.
        if (captureSettings_.transAlarm != 0) {
            still_.ConnectForAlarm();
        }
    }
}

bool MainFrame::OpenRecording(const char* path, int32_t kind) {
    // A recording replaces the live session's data, so it opens only while nothing is live
    // (File Open is disabled then; a recent file must not get round that).
    if (live_.IsLive()) {
        Warn(user_, Text(TextId::StopPreviewFirst));
        return false;
    }
    // After a replay the live curves start afresh: none of the ring's rows are counted any more.
    view_.ForgetRingRows();
    const bool opened = replay_.Open(path, kind, live_.HasLogger());
    if (!opened) {
        // The camera's graph made way for the clip; without a clip it is the camera's again.
        RebuildCameraGraph();
    }
    return opened;
}

void MainFrame::FileOpen() {
    char path[kMaxPath] = {};
    const int kind = user_.ChooseOpenFile(path, sizeof path);
    if (kind == 0) {
        return;
    }
    const int32_t clipKind =
        kind == ReplaySession::kWaveFile ? ReplaySession::kWaveFile : ReplaySession::kMediaFile;
    if (OpenRecording(path, clipKind)) {
        recent_.Add(path);
        recent_.WriteToRegistry(registry_);
        frame_.RefreshRecentMenu();
    }
}

void MainFrame::RecentFile(uint32_t id) {
    OpenRecentFile(recent_, id, user_, registry_,
                   [this](const char* path, int32_t kind) { return OpenRecording(path, kind); });
    frame_.RefreshRecentMenu();
}

void MainFrame::ToggleBar(uint32_t id) {
    const uint32_t index = id - cmd::kFileBar;  // File, Seek, Capture, Channel
    s_.barVisible[index] = s_.barVisible[index] ? 0 : 1;
    frame_.ShowBand(cmd::kBandFileBar + index, s_.barVisible[index] != 0);
}

void MainFrame::TogglePane(uint32_t id) {
    // One pane alone: both are shown again. Both shown: the chosen pane is hidden and the other
    // stays alone, its command locked, so both panes can never be hidden at once.
    if (s_.singlePane != -1) {
        s_.singlePane = -1;
    } else {
        s_.singlePane = id == cmd::kVideoPane ? 1 : 0;
    }
    frame_.ShowPanes(s_.singlePane);
}

void MainFrame::OnClose() {
    user_.BeginWaitCursor();
    // A capture still running keeps every row received: the CSV gets its last rows before the
    // logger closes (the AVI is finished when the video is released).
    live_.Shutdown();
    still_.Shutdown();
    video_.ReleaseVideo();
    link_.CloseLogger(port_.terminator);
    user_.EndWaitCursor();

    FramePlacement placement = frame_.CurrentPlacement();
    if (placement.max) {
        placement.x = 0;
        placement.y = 0;
        placement.cx = kMaximisedCx;
        placement.cy = kMaximisedCy;
    }
    settings_.SaveFrame(placement);
    settings_.SaveScale(view_.Scales());
    for (uint32_t id :
         {kTimerStartup, kTimerCaptureLimit, kTimerPoll, kTimerReplay, kTimerDdePaste}) {
        timers_.KillTimer(id);
    }
    frame_.DestroyWindow();
}

// The new terminator and time-out take effect with the next command sent to the logger.
void MainFrame::TransportCommand() {
    TransportDialogModel model(port_);
    if (!dialogs_.RunTransportDialog(model)) {
        return;
    }
    model.Apply(port_);
    settings_.SavePort(port_);
}

void MainFrame::ReportChannelQueryFailure(uint32_t code) {
    char text[128];
    FormatText(text, sizeof text, Text(TextId::CodeFormat), Text(TextId::ChannelQueryFailed),
               static_cast<int>(code));
    BeepAndTell(user_, MessageKind::Warning, text, MessageKind::Information);
}

void MainFrame::ChannelPropertyCommand() {
    // No query while the logger is polled or a recording is open for replay.
    ChannelPropertyModel model(loggerSetup_, !live_.Polling() && !replay_.HasWaveFile());
    while (dialogs_.RunChannelPropertyDialog(model) == ChannelPropertyModel::kQuery &&
           model.QueryEnabled()) {
        user_.BeginWaitCursor();
        // A query that fails part way leaves the setup in use as it was, not half replaced.
        LoggerSetup queried = loggerSetup_;
        const uint32_t r = protocol_.QueryChannelInfo(
            port_.terminator, static_cast<uint32_t>(port_.timeout), queried);
        user_.EndWaitCursor();
        if (r != 0) {
            ReportChannelQueryFailure(r);
            return;
        }
        loggerSetup_ = queried;
        model.Refresh(loggerSetup_);
        // The wave pane's channel follows the new table: an active channel stays, one that
        // was switched off gives way to the next one that is on.
        view_.SelectChannel(view_.CurrentChannel());
        frame_.RepaintWave();
    }
}

}  // namespace velatrace
