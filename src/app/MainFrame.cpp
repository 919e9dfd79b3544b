#include "app/MainFrame.h"

#include "app/CommandIds.h"
#include "base/FixedText.h"
#include "session/CaptureNaming.h"

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
      transfer_(ports.transfer),
      settings_(ports.registry),
      wave_(std::make_unique<WaveBuffer>()),
      link_(ports.driver, *wave_),
      protocol_(link_, ports.clock),
      csv_(*wave_, ports.clock),
      video_(ports.engine, ports.clock) {}

void MainFrame::Create() {
    ui_.GroupEnable(0, false);
    ui_.CheckBarsAndPanes(true);
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
    settings_.LoadCapture(capture_);
    video_.SetNaming(capture_.path, capture_.filename, capture_.autoNumber);
    settings_.LoadDde(dde_);
    settings_.LoadPort(port_);

    host_.PlaceWindow(placement_);
    timers_.StartTimer(kTimerStartup, kStartupDelayMs);
}

void MainFrame::DeferredStartup() {
    host_.BeginWaitCursor();
    NextCaptureNumber(capture_);
    video_.SetCaptureNumber(capture_.number);

    int32_t index = 0;
    bool selected = false;
    s_.cameraFound = video_.InitCamera(videoPane_, &index, &selected) ? 1 : 0;
    if (selected) {
        settings_.SaveCamname(video_.DisplayName(), video_.DisplayNameSize());
    }
    if (s_.cameraFound) {
        const char* names[kMaxVideoDevices] = {};
        const int count = video_.DeviceNames(names, kMaxVideoDevices);
        host_.AppendMenuItems(MenuExtension::CaptureDevices, Submenu::Capture, names, count);
        ui_.Check(cmd::kDeviceFirst, true);
    }

    const LoggerProtocol::Connection logger = protocol_.ConnectLogger(port_.terminator);
    s_.loggerConnected = logger.opened ? 1 : 0;
    if (logger.opened) {
        if (logger.queryResult != 0) {
            char text[128];
            FormatText(text, sizeof text, "%s - %d", "Cannot the GL channel propery",
                       static_cast<int>(logger.queryResult));
            host_.MessageBeep(mb::kIconExclamation);
            host_.MessageBox(text, mb::kOk | mb::kIconInformation);
        }
        host_.AppendMenuItems(MenuExtension::ChannelProperty, Submenu::Transfer);
    }
    view_.hasSource = s_.loggerConnected;

    s_.ddeInitialized = 0;
    s_.ddeConnected = 0;
    bool wantsTransfer = false;
    for (int32_t type : capture_.alarmType) {
        wantsTransfer = wantsTransfer || type == kAlarmTransfer;
    }
    if (wantsTransfer) {
        s_.ddeInitialized = transfer_.DdeInit() ? 1 : 0;
        if (s_.ddeInitialized) {
            s_.ddeConnected = transfer_.DdeConnectApp() ? 1 : 0;
        }
    }
    // The transfer and its settings are always reachable from the Transfer menu; the transfer
    // command itself stays disabled until a conversation is open.
    host_.AppendMenuItems(MenuExtension::DdeTransfer, Submenu::Transfer);
    // The alarm actions are restored from the settings, so the transfer alarm follows them.
    capture_.transAlarm = 0;
    for (int32_t i = 0; i < 4 && capture_.transAlarm == 0; ++i) {
        if (capture_.alarmType[i] == kAlarmTransfer) {
            capture_.transAlarm = i + 1;
        }
    }
    s_.sourceAvailable = (s_.cameraFound || s_.loggerConnected) ? 1 : 0;

    const bool selectedChannel = wave_->SelectChannel(0, true);
    ui_.GroupEnable(cmd::kNextChannel, s_.loggerConnected && selectedChannel);
    ui_.Enable(cmd::kCapture, false);
    ui_.Enable(cmd::kPreview, s_.sourceAvailable != 0);
    ui_.GroupEnable(cmd::kFilter, s_.cameraFound != 0);
    ui_.Enable(cmd::kDdeTransfer, s_.ddeConnected != 0);
    host_.EndWaitCursor();
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
            CaptureTimeLimitTick();
            break;
        case kTimerPoll:
            PollTick();
            break;
        case kTimerReplay:
            ReplayTick();
            break;
        default:
            break;
    }
}

void MainFrame::OnCommand(uint32_t id) {
    if (id >= cmd::kRecentFirst && id <= cmd::kRecentLast) {
        RecentFile(id);
        return;
    }
    switch (id) {
        case cmd::kFileOpen:
            FileOpen();
            break;
        case cmd::kFileClose:
            CloseRecording(cmd::kFileClose);
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
            ClipStop();
            break;
        case cmd::kClipStart:
        case cmd::kClipPause:
            ClipToggle();
            break;
        case cmd::kClipInformation:
            ClipInformation();
            break;
        case cmd::kNextChannel:
        case cmd::kPreviousChannel:
        case cmd::kLevelZoomIn:
        case cmd::kLevelZoomOut:
        case cmd::kTimeZoomIn:
        case cmd::kTimeZoomOut:
            WaveCommand(id, *wave_, view_, ui_);
            host_.RepaintWave();
            break;
        case cmd::kCapture:
            CaptureCommand(0, cmd::kCapture);
            break;
        case cmd::kPreview:
            PreviewCommand();
            break;
        case cmd::kDdeTransfer:
            StillImageTransfer(0);
            break;
        case cmd::kMute:
            video_.ToggleMute();
            break;
        case cmd::kPaneResized:
            if (video_.Stream().fAudioOnly == 0) {
                video_.FitVideoWindow(videoPane_);
            }
            break;
        default:  // Ctrl+Alt+B and the commands of the dialogs that are not here yet
            break;
    }
}

void MainFrame::ToggleBar(uint32_t id) {
    const uint32_t index = id - cmd::kFileBar;  // File, Seek, Capture, Channel
    s_.barVisible[index] = s_.barVisible[index] ? 0 : 1;
    host_.ShowBand(cmd::kBandFileBar + index, s_.barVisible[index] != 0);
    ui_.Check(id, s_.barVisible[index] != 0);
}

void MainFrame::TogglePane(uint32_t id) {
    const uint32_t other = id == cmd::kVideoPane ? cmd::kWavePane : cmd::kVideoPane;
    if (s_.singlePane != -1) {
        s_.singlePane = -1;
        host_.ShowPanes(-1);
        ui_.Enable(other, true);
        ui_.Check(id, true);
        return;
    }
    // The chosen pane is hidden; the other stays alone and its command is locked, so both panes
    // can never be hidden at once.
    s_.singlePane = id == cmd::kVideoPane ? 1 : 0;
    host_.ShowPanes(s_.singlePane);
    ui_.Enable(other, false);
    ui_.Check(id, false);
}

void MainFrame::OnClose() {
    host_.BeginWaitCursor();
    // A capture still running keeps every row received: the CSV gets its last rows before the
    // logger closes (the AVI is finished when the video is released).
    if (wave_->csvActive) {
        csv_.AppendCsv();
        csv_.EndCsv(0);
    }
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
    for (uint32_t id : {kTimerStartup, kTimerCaptureLimit, kTimerPoll, kTimerReplay}) {
        timers_.KillTimer(id);
    }
    host_.DestroyWindow();
}

}  // namespace velatrace
