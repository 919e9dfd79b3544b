// Replay of a recorded pair: opening and closing it, the clip commands, the seek bar, the replay
// tick that moves the wave cursor, clip information, File Open and the recent files.
#include <cstring>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "base/FixedText.h"

namespace velatrace {

namespace {
constexpr uint32_t kReplayPeriodMs = 100;
constexpr int32_t kClipKindMedia = 1;
constexpr int32_t kClipKindWave = 2;

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') {
            name = p + 1;
        }
    }
    return name;
}
}  // namespace

int32_t MainFrame::ClipSeconds() const {
    return static_cast<int32_t>(static_cast<double>(video_.ClipDuration()) / 1e7 + 0.5);
}

int32_t MainFrame::WaveSeconds(int32_t rows) const {
    return static_cast<int32_t>(static_cast<double>(rows) * wave_->intervalMs / 1000.0 + 0.5);
}

void MainFrame::ShowReplaySeconds(int32_t current, int32_t total) {
    char text[48];
    FormatText(text, sizeof text, "%d/%dsec", current, total);
    host_.SetStatusText(1, text);
}

void MainFrame::StartReplayTimer() {
    replayTickAt_ = clock_.TickCount();
    timers_.StartTimer(kTimerReplay, kReplayPeriodMs);
}

bool MainFrame::OpenRecording(const char* path, int32_t kind) {
    // A recording replaces the live session's data, so it opens only while no preview runs
    // (File Open is disabled then; a recent file must not get round that).
    if (video_.IsPreviewing() || wave_->noWait) {
        host_.MessageBeep(mb::kIconExclamation);
        return false;
    }
    CloseRecording(0);
    char csvPath[kMaxPath];
    WaveCsvPathFor(csvPath, sizeof csvPath, path, kind == kClipKindWave);

    int32_t clipSeconds = 0;
    if (kind == kClipKindMedia) {
        if (!video_.OpenClip(videoPane_, path)) {
            host_.MessageBeep(mb::kIconExclamation);
            host_.MessageBox("It is an illegal media file", mb::kOk | mb::kIconExclamation);
            return false;
        }
        ui_.ClipState(cmd::kClipStart);
        clipSeconds = ClipSeconds();
    }

    if (s_.loggerConnected) {
        wave_->SetNoWait(0);
    }
    wave_->fileLoaded = 0;
    s_.pointTotal = csv_.LoadCsv(csvPath);
    if (s_.pointTotal == kRingRows) {
        host_.MessageBeep(mb::kIconInformation);
        host_.MessageBox("Buffer pointer overflow", mb::kOk | mb::kIconInformation);
    }
    view_.hasSource = s_.pointTotal > 0 ? 1 : 0;
    wave_->csvIndex = 0;
    view_.displayRow = 0;
    wave_->shownCount = 0;
    wave_->SelectChannel(0, true);

    s_.replayState = 1;
    s_.replayElapsedMs = 0;
    if (clipSeconds == 0) {
        clipSeconds = WaveSeconds(s_.pointTotal);
    }
    int frequency = clipSeconds == 0 ? 100 : 100 / clipSeconds;
    host_.SetSeekTickFrequency(frequency < 2 ? 2 : frequency);
    StartReplayTimer();

    if (video_.IsClipOpen() || wave_->fileLoaded) {
        ui_.GroupEnable(cmd::kClipStop, true);
    }
    if (wave_->fileLoaded) {
        ui_.GroupEnable(cmd::kNextChannel, true);
    }
    host_.SetStatusText(2, FileNamePart(path));
    host_.RepaintWave();
    return true;
}

void MainFrame::CloseRecording(uint32_t command) {
    timers_.KillTimer(kTimerReplay);
    const bool hadClip = video_.IsClipOpen() != 0;
    const bool hadWave = wave_->fileLoaded != 0;
    video_.CloseClip();
    // The loaded file's channel setup is replaced by the live one. With nothing loaded the live
    // channels stay as they are: switching them off would blank a running session's curves and
    // empty the fields of the CSV it records.
    // With nothing loaded the live rows stay too, so a capture's pending rows are not lost.
    if (hadWave) {
        for (ChannelInfo& ch : wave_->channel) {
            ch.type = kTypeOff;
        }
        view_.displayRow = 0;
        csv_.RestoreLiveSetup();
        s_.pointTotal = 0;
    }
    view_.hasSource = s_.loggerConnected;
    s_.replayState = 0;
    host_.SetSeekPosition(0);
    host_.SetSeekTickFrequency(100);
    host_.SetStatusText(1, "");
    host_.SetStatusText(2, "");
    ui_.GroupEnable(cmd::kClipStop, false);
    ui_.GroupEnable(cmd::kNextChannel, s_.loggerConnected != 0);
    if (command == cmd::kFileClose) {
        if (hadClip) {
            host_.RepaintVideo();
        }
        if (hadWave) {
            host_.RepaintWave();
        }
    }
}

void MainFrame::ClipStop() {
    timers_.KillTimer(kTimerReplay);
    video_.StopClip();
    host_.SetSeekPosition(0);
    s_.replayElapsedMs = 0;
    view_.displayRow = 0;
    wave_->shownCount = 0;
    s_.replayState = 0;
    char text[32];
    FormatText(text, sizeof text, "0/%dsec", ClipSeconds());
    host_.SetStatusText(1, text);
    host_.RepaintWave();
    ui_.ClipState(cmd::kClipStop);
}

void MainFrame::ClipToggle() {
    if (video_.ClipPlayState() == PlayState::Running || s_.replayState == 1) {
        video_.PauseClip();
        s_.replayState = 2;
        timers_.KillTimer(kTimerReplay);
        ui_.ClipState(cmd::kClipPause);
    } else {
        video_.PlayClip();
        s_.replayState = 1;
        StartReplayTimer();
        ui_.ClipState(cmd::kClipStart);
    }
}

void MainFrame::OnSeekBar(SeekEvent event, int position) {
    if (event == SeekEvent::EndScroll) {
        return;
    }
    const int32_t p = position < 0 ? 0 : (position > 100 ? 100 : position);
    const int32_t state = static_cast<int32_t>(video_.ClipPlayState());
    if (state != 0) {
        video_.PauseClip();
        timers_.KillTimer(kTimerReplay);
    }
    video_.SeekClip(p);
    view_.displayRow = s_.pointTotal * p / 100;
    if (state == 0) {
        video_.StopClip();
    } else if (state == 1) {
        video_.PauseClip();
    } else {
        video_.PlayClip();
    }
    if (video_.ClipPlayState() == PlayState::Running) {
        StartReplayTimer();
    }
    if (wave_->fileLoaded) {
        wave_->shownCount = view_.displayRow;
        ShowReplaySeconds(WaveSeconds(view_.displayRow), WaveSeconds(s_.pointTotal));
    }
    host_.RepaintWave();
}

void MainFrame::ReplayTick() {
    if (video_.IsCapturing()) {
        return;
    }
    const uint32_t now = clock_.TickCount();
    const uint32_t elapsed = now - replayTickAt_;
    replayTickAt_ = now;

    bool haveTimes = false;
    int32_t current = 0;
    int32_t total = 0;
    int64_t position = 0;
    if (video_.IsClipOpen()) {
        host_.SetSeekPosition(video_.GetClipPosition(&position));
        if (position >= video_.ClipDuration()) {
            timers_.KillTimer(kTimerReplay);
            s_.replayElapsedMs = 100;
            video_.PauseClip();
            ui_.ClipState(cmd::kClipPause);
        }
        current = static_cast<int32_t>(static_cast<double>(position) / 1e7 + 0.5);
        total = ClipSeconds();
        haveTimes = true;
    }
    if (wave_->fileLoaded) {
        // The cursor moves by the time that really passed, so a recording sampled faster than
        // the tick replays at its own speed; an unknown interval moves one row per tick.
        s_.replayElapsedMs += static_cast<int32_t>(elapsed);
        const int32_t interval = wave_->intervalMs > 0 ? wave_->intervalMs : kReplayPeriodMs;
        if (s_.replayElapsedMs >= interval) {
            const int32_t rows = s_.replayElapsedMs / interval;
            s_.replayElapsedMs -= rows * interval;
            view_.displayRow += rows;
            wave_->shownCount += rows;
            if (view_.displayRow >= s_.pointTotal) {
                view_.displayRow = s_.pointTotal;
                wave_->shownCount = s_.pointTotal;
                if (position == 0) {
                    timers_.KillTimer(kTimerReplay);
                }
            }
            if (!video_.IsClipOpen() && s_.pointTotal > 0) {
                host_.SetSeekPosition(static_cast<int>(static_cast<double>(view_.displayRow) /
                                                       s_.pointTotal * 100.0));
            }
        }
        if (!video_.IsClipOpen()) {
            current = WaveSeconds(view_.displayRow);
            total = WaveSeconds(s_.pointTotal);
            haveTimes = true;
        }
    }
    if (haveTimes) {
        ShowReplaySeconds(current, total);
        host_.RepaintWave();
    }
}

void MainFrame::ClipInformation() {
    int32_t width = 0;
    int32_t height = 0;
    int32_t seconds = 0;
    int32_t rate = 0;
    int32_t frames = 0;
    if (s_.cameraFound || video_.IsClipOpen()) {
        width = video_.Stream().lvw;
        height = video_.Stream().lvh;
        seconds = ClipSeconds();
        rate = video_.Stream().lrate;
        frames = seconds * rate;
    } else if (s_.loggerConnected || wave_->fileLoaded) {
        seconds = WaveSeconds(s_.pointTotal);
        rate = wave_->intervalMs > 0 ? 1000 / wave_->intervalMs : 0;
        frames = s_.pointTotal;
    }
    char text[160];
    FormatText(text, sizeof text,
               "Size = %d x %d\r\nRate = %d/sec\r\nTime = %02d:%02d:%02d\r\nFrame = %d", width,
               height, rate, seconds / 3600, (seconds % 3600) / 60, seconds % 60, frames);
    host_.MessageBox(text, mb::kOk | mb::kIconInformation);
}

void MainFrame::FileOpen() {
    char path[kMaxPath] = {};
    const int kind = host_.ChooseOpenFile(path, sizeof path);
    if (kind == 0) {
        return;
    }
    if (OpenRecording(path, kind == kClipKindWave ? kClipKindWave : kClipKindMedia)) {
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

}  // namespace velatrace
