#include "app/MainFrame.h"

#include <string>

#include "app/CommandIds.h"
#include "app/CommandStates.h"
#include "app/HelpTopics.h"
#include "base/FixedText.h"
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
    : host_(ports.host),
      timers_(ports.timers),
      clock_(ports.clock),
      registry_(ports.registry),
      videoPane_(ports.videoPane),
      pages_(ports.pages),
      settings_(ports.registry),
      wave_(std::make_unique<WaveBuffer>()),
      link_(ports.driver, *wave_),
      protocol_(link_, ports.clock),
      csv_(*wave_, ports.clock),
      video_(ports.engine),
      still_(StillTransferParts{ports.host, ports.timers, ports.clock, settings_, video_, *wave_,
                                view_, picture_, dde_, ports.transfer}),
      live_(CaptureSessionParts{ports.host, ports.timers, ports.clock, link_, protocol_, *wave_,
                                csv_, view_, video_, ports.videoPane, still_, captureSettings_,
                                port_}),
      replay_(ReplaySessionParts{ports.host, ports.timers, ports.clock, *wave_, csv_, view_, video_,
                                 ports.videoPane}) {
    csv_.SetFileSync(ports.fileSync);
    csv_.SetRecordingLocks(ports.locks);
    live_.SetRecordingLocks(ports.locks);
}

void MainFrame::Create() {
    settings_.LoadFrame(placement_);
    settings_.LoadScale(view_.scales);
    wave_->currentChannel = 0;
    recent_.Restore(registry_);
    host_.RefreshRecentMenu();

    char name[kDisplayNameSize] = {};
    settings_.LoadCamname(name, sizeof name);
    video_.LoadDisplayName(name, sizeof name);
    StreamSettings stream;
    settings_.LoadStrm(stream);
    video_.LoadStream(stream);
    const SettingsStore::CaptureLoad loaded = settings_.LoadCapture(captureSettings_);
    captureSettingsProblem_ = StoredNamingProblem(captureSettings_, loaded.folderTooLong,
                                                  loaded.nameTooLong, kDefaultCaptureName);
    // The stored folder stays as the user chose it; an empty one means the user's video folder.
    char folder[kMaxPath];
    CaptureFolder(folder, sizeof folder, captureSettings_.path);
    video_.SetNaming(folder, captureSettings_.filename, captureSettings_.autoNumber);
    settings_.LoadDde(dde_);
    settings_.LoadPort(port_);

    host_.PlaceWindow(placement_);
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
        replay_.HasWaveFile() || (loggerKnown && wave_->CountActiveChannels() > 0);
    in.replay = replay_.State();
    in.transferConnected = still_.Connected();
    in.frame = s_;
    in.levelStep = view_.scales.vscale[CurrentChannelIndex(*wave_)];
    in.timeStep = view_.scales.tscale;
    ui_.Assign(DeriveCommandStates(in));
}

void MainFrame::DeferredStartup() {
    host_.BeginWaitCursor();
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
        host_.AppendMenuItems(MenuExtension::CaptureDevices, Submenu::Capture, names, count);
        live_.SetCameraInUse(index);
    }

    const LoggerProtocol::Connection logger = protocol_.ConnectLogger(port_.terminator);

    if (logger.opened) {
        if (logger.queryResult != 0) {
            ReportChannelQueryFailure(logger.queryResult);
        }
        host_.AppendMenuItems(MenuExtension::ChannelProperty, Submenu::Transfer);
    }
    live_.SetSources(cameraFound, logger.opened);
    view_.hasSource = logger.opened ? 1 : 0;

    // The alarm actions are restored from the settings, so the transfer alarm follows them.
    captureSettings_.transAlarm = FirstTransferAlarm(captureSettings_.alarmType);
    still_.StartupConnect(captureSettings_.transAlarm != 0);
    // The transfer and its settings are always reachable from the Transfer menu; the transfer
    // command itself stays disabled until a conversation is open.
    host_.AppendMenuItems(MenuExtension::DdeTransfer, Submenu::Transfer);

    wave_->SelectChannel(0, true);
    host_.EndWaitCursor();
    startedUp_ = true;
    ReportSettingsProblem();
    if (video_.EngineProblem()[0] != '\0') {
        BeepAndTell(host_, mb::kIconExclamation, video_.EngineProblem(),
                    mb::kOk | mb::kIconExclamation);
    }
    // Stored naming that cannot be used is told once, with what is used instead.
    if (!captureSettingsProblem_.empty()) {
        BeepAndTell(host_, mb::kIconExclamation, captureSettingsProblem_.c_str(),
                    mb::kOk | mb::kIconExclamation);
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
    BeepAndTell(host_, mb::kIconExclamation, problem, mb::kOk | mb::kIconExclamation);
}

void MainFrame::OnTimer(uint32_t id) {
    if (id != kTimerReplay) {
        timers_.KillTimer(id);
    }
    switch (id) {
        case kTimerStartup:
            DeferredStartup();
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
            break;
        default:
            break;
    }
    RefreshCommandStates();
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
            replay_.Close(cmd::kFileClose, live_.HasLogger());
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
            WaveCommand(id, *wave_, view_);
            host_.RepaintWave();
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
            host_.ShowAbout();
            break;
        case cmd::kHelpTopics:
            OpenHelpTopics(host_);
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
        default:  // Ctrl+Alt+B is accepted and does nothing
            break;
    }
}

void MainFrame::OnLoggerData(uint32_t result, uint32_t byteCount) {
    live_.OnLoggerData(result, byteCount);
    RefreshCommandStates();
}

void MainFrame::OnSeekBar(SeekEvent event, int position) {
    replay_.Seek(event, position);
    RefreshCommandStates();
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
    RefreshCommandStates();
}

void MainFrame::PreviewCommand() {
    if (replay_.IsOpen() || wave_->fileLoaded) {
        replay_.Close(0, live_.HasLogger());
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
    // The lost device is let go and the logger opened afresh, its channel setup read again.
    host_.BeginWaitCursor();
    link_.CloseLogger(port_.terminator);
    const LoggerProtocol::Connection logger = protocol_.ConnectLogger(port_.terminator);
    host_.EndWaitCursor();
    live_.LoggerReopened(logger.opened);
    if (!logger.opened) {
        BeepAndTell(host_, mb::kIconExclamation,
                    "The logger cannot be opened again.\r\nConnect it and press Preview again.",
                    mb::kOk | mb::kIconExclamation);
        return false;
    }
    if (logger.queryResult != 0) {
        ReportChannelQueryFailure(logger.queryResult);
    }
    wave_->SelectChannel(0, true);
    return true;
}

bool MainFrame::RefusedWhileCapturing(const char* change) {
    if (!live_.IsCapturing()) {
        return false;
    }
    char text[128];
    FormatText(text, sizeof text, "Stop the capture before %s.", change);
    BeepAndTell(host_, mb::kIconExclamation, text, mb::kOk | mb::kIconExclamation);
    return true;
}

void MainFrame::CameraCommand(uint32_t id) {
    const int32_t index = static_cast<int32_t>(id - cmd::kDeviceFirst);
    if (index == live_.CameraInUse()) {
        return;  // already the camera in use
    }
    // Another camera means another graph, which would cut a recording in two.
    if (RefusedWhileCapturing("choosing another camera")) {
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
        FormatText(text, sizeof text, "The camera cannot be opened (%s).", video_.LastFailure());
        BeepAndTell(host_, mb::kIconExclamation, text, mb::kOk | mb::kIconExclamation);
    }
    if (previewing) {
        live_.TogglePreview();
    }
}

void MainFrame::FormatCommand() {
    // A new format rebuilds the camera graph, which would cut a recording in two.
    if (RefusedWhileCapturing("changing the camera format")) {
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
    FormatText(text, sizeof text,
               "The camera cannot deliver the chosen format (%s).\nIt stays at %d x %d, "
               "%d frames/s.",
               ErrorText(refusal), static_cast<int>(kept.lvw), static_cast<int>(kept.lvh),
               static_cast<int>(kept.lrate));
    BeepAndTell(host_, mb::kIconExclamation, text, mb::kOk | mb::kIconExclamation);
}

void MainFrame::CaptureSettingCommand() {
    // New naming would cut the running recording in two.
    if (RefusedWhileCapturing("changing the capture settings")) {
        return;
    }
    CaptureSettingsModel model(captureSettings_, live_.HasCamera(), live_.HasLogger());
    model.SetVideoFormat(video_.Stream().lvw, video_.Stream().lvh, video_.Stream().lrate);
    std::string refusal;
    // A refused value is told and the dialog comes back with what the user typed.
    for (;;) {
        if (!host_.RunCaptureSettingsDialog(model)) {
            return;
        }
        if (model.Accept(refusal)) {
            break;
        }
        BeepAndTell(host_, mb::kIconExclamation, refusal.c_str(), mb::kOk | mb::kIconExclamation);
    }
    const CaptureSettings& result = model.Result();
    if (!result.namingChanged && !result.conditionsChanged) {
        return;
    }
    const int32_t number = captureSettings_.number;
    captureSettings_ = result;
    captureSettings_.number = number;
    settings_.SaveCapture(captureSettings_);
    if (result.namingChanged) {
        live_.ApplyNaming();
    }
    if (result.conditionsChanged) {
        live_.ApplyPretrigger();
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
        BeepAndTell(host_, mb::kIconExclamation, "Stop the preview before opening a recording.",
                    mb::kOk | mb::kIconExclamation);
        return false;
    }
    // Loading a recording starts the live ring afresh: none of its rows are counted any more.
    live_.ForgetRingRows();
    const bool opened = replay_.Open(path, kind, live_.HasLogger());
    if (!opened) {
        // The camera's graph made way for the clip; without a clip it is the camera's again.
        RebuildCameraGraph();
    }
    RefreshCommandStates();
    return opened;
}

void MainFrame::FileOpen() {
    char path[kMaxPath] = {};
    const int kind = host_.ChooseOpenFile(path, sizeof path);
    if (kind == 0) {
        return;
    }
    const int32_t clipKind =
        kind == ReplaySession::kWaveFile ? ReplaySession::kWaveFile : ReplaySession::kMediaFile;
    if (OpenRecording(path, clipKind)) {
        recent_.Add(path);
        recent_.WriteToRegistry(registry_);
        host_.RefreshRecentMenu();
    }
}

void MainFrame::RecentFile(uint32_t id) {
    OpenRecentFile(recent_, id, host_, registry_,
                   [this](const char* path, int32_t kind) { return OpenRecording(path, kind); });
    host_.RefreshRecentMenu();
}

void MainFrame::ToggleBar(uint32_t id) {
    const uint32_t index = id - cmd::kFileBar;  // File, Seek, Capture, Channel
    s_.barVisible[index] = s_.barVisible[index] ? 0 : 1;
    host_.ShowBand(cmd::kBandFileBar + index, s_.barVisible[index] != 0);
}

void MainFrame::TogglePane(uint32_t id) {
    // One pane alone: both are shown again. Both shown: the chosen pane is hidden and the other
    // stays alone, its command locked, so both panes can never be hidden at once.
    if (s_.singlePane != -1) {
        s_.singlePane = -1;
    } else {
        s_.singlePane = id == cmd::kVideoPane ? 1 : 0;
    }
    host_.ShowPanes(s_.singlePane);
}

void MainFrame::OnClose() {
    host_.BeginWaitCursor();
    // A capture still running keeps every row received: the CSV gets its last rows before the
    // logger closes (the AVI is finished when the video is released).
    live_.Shutdown();
    still_.Shutdown();
    video_.ReleaseVideo();
    link_.CloseLogger(port_.terminator);
    host_.EndWaitCursor();

    FramePlacement placement = host_.CurrentPlacement();
    if (placement.max) {
        placement.x = 0;
        placement.y = 0;
        placement.cx = kMaximisedCx;
        placement.cy = kMaximisedCy;
    }
    settings_.SaveFrame(placement);
    settings_.SaveScale(view_.scales);
    for (uint32_t id :
         {kTimerStartup, kTimerCaptureLimit, kTimerPoll, kTimerReplay, kTimerDdePaste}) {
        timers_.KillTimer(id);
    }
    host_.DestroyWindow();
}

// The new terminator and time-out take effect with the next command sent to the logger.
void MainFrame::TransportCommand() {
    TransportDialogModel model(port_);
    if (!host_.RunTransportDialog(model)) {
        return;
    }
    model.Apply(port_);
    settings_.SavePort(port_);
}

void MainFrame::ReportChannelQueryFailure(uint32_t code) {
    char text[128];
    FormatText(text, sizeof text, "%s - %d", "Cannot the GL channel propery",
               static_cast<int>(code));
    BeepAndTell(host_, mb::kIconExclamation, text, mb::kOk | mb::kIconInformation);
}

void MainFrame::ChannelPropertyCommand() {
    ChannelPropertyModel model(*wave_);
    while (host_.RunChannelPropertyDialog(model) == ChannelPropertyModel::kQuery &&
           model.QueryEnabled()) {
        host_.BeginWaitCursor();
        const uint32_t r =
            protocol_.QueryChannelInfo(port_.terminator, static_cast<uint32_t>(port_.timeout));
        host_.EndWaitCursor();
        if (r != 0) {
            ReportChannelQueryFailure(r);
            return;
        }
        model.Refresh(*wave_);
        const bool anyOn = protocol_.CountActiveChannels() > 0;
        // The wave pane's channel follows the new table: an active channel stays, one that
        // was switched off gives way to the next one that is on.
        if (anyOn) {
            wave_->SelectChannel(wave_->currentChannel, true);
        }
        host_.RepaintWave();
    }
}

}  // namespace velatrace
