// Replay of a recorded pair on the clip's clock.
#include "session/ReplaySession.h"

#include <filesystem>
#include <system_error>

#include "base/FixedText.h"
#include "base/TextCatalog.h"

namespace velatrace {

namespace {
constexpr uint32_t kReplayPeriodMs = 100;

bool WaveFileExists(const char* path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

// Seconds as shown in the panes: rounded, and kept within what "%d" shows.
int32_t ShownSeconds(double seconds) {
    const double rounded = seconds + 0.5;
    return rounded < 0 ? 0 : (rounded >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(rounded));
}

int32_t WholeSeconds(MediaTime position) {
    return ShownSeconds(static_cast<double>(position.count()) / 1e6);
}

// Where the seek bar stands for a position: whole percent of the length (0 when unknown).
int BarPercent(MediaTime position, MediaTime length) {
    if (length.count() <= 0) {
        return 0;
    }
    const long double percent = static_cast<long double>(position.count()) * 100 / length.count();
    return percent <= 0 ? 0 : (percent >= 100 ? 100 : static_cast<int>(percent));
}

// What the user is told about a wave file that was not loaded, or loaded in part.
void TellCsvProblem(UserPrompts& user, const char* csvPath, const CsvLoad& loaded) {
    char text[kMaxPath + 320];
    const char* name = FileNamePart(csvPath);
    switch (loaded.refusal) {
        case CsvRefusal::Interval:
            FormatText(text, sizeof text, Text(TextId::CsvIntervalRefused), name,
                       kMaxCsvIntervalMs / 1000);
            break;
        case CsvRefusal::ChannelHeader:
            FormatText(text, sizeof text, Text(TextId::CsvHeaderRefused), name);
            break;
        case CsvRefusal::Length:
            FormatText(text, sizeof text, Text(TextId::CsvLengthRefused), name);
            break;
        case CsvRefusal::None:
            if (loaded.unreadLines == 0) {
                return;
            }
            FormatText(
                text, sizeof text,
                Text(loaded.unreadLines == 1 ? TextId::CsvLineUnread : TextId::CsvLinesUnread),
                static_cast<long long>(loaded.unreadLines), name);
            break;
    }
    Warn(user, text);
}
}  // namespace

int32_t ReplaySession::ClipSeconds() const {
    return WholeSeconds(p_.video.ClipLength());
}

int32_t ReplaySession::WaveSeconds(int32_t rows) const {
    return ShownSeconds(static_cast<double>(rows) * Setup().intervalMs / 1000.0);
}

int32_t ReplaySession::RecordAt(MediaTime position) const {
    // An unknown interval counts the replay tick's period per record.
    const int64_t interval = Setup().intervalMs > 0 ? Setup().intervalMs : kReplayPeriodMs;
    // The newest record drawn is the one whose time span holds the position; the cursor is one
    // past it.
    const int64_t at = position.count();
    const int64_t row = (at <= 0 ? 0 : at / (interval * 1000)) + 1;
    return row > Records() ? Records() : static_cast<int32_t>(row);
}

void ReplaySession::ShowSeconds(int32_t current, int32_t total) {
    char text[48];
    FormatText(text, sizeof text, Text(TextId::StatusTimeLeft), current, total);
    p_.panes.SetStatusText(1, text);
}

void ReplaySession::StartTimer() {
    lastTickAt_ = p_.clock.TickCount();
    p_.timers.StartTimer(kTimerReplay, kReplayPeriodMs);
}

bool ReplaySession::Open(const char* path, int32_t kind, bool loggerConnected) {
    Close(false, loggerConnected);
    char csvPath[kMaxPath];
    WaveCsvPathFor(csvPath, sizeof csvPath, path, kind == kWaveFile);

    int32_t clipSeconds = 0;
    if (kind == kMediaFile) {
        if (!p_.video.OpenClip(p_.videoPane, path)) {
            Warn(p_.user, Text(TextId::IllegalMediaFile));
            return false;
        }
        hasClip_ = true;
        clipSeconds = ClipSeconds();
    }

    const CsvLoad loaded = LoadWaveCsv(csvPath, p_.liveSetup, recording_);
    if (kind == kMediaFile && !WaveFileExists(csvPath)) {
        char text[2 * kMaxPath + 160];
        FormatText(text, sizeof text, Text(TextId::NoWaveFile), FileNamePart(csvPath),
                   FileNamePart(path));
        BeepAndTell(p_.user, MessageKind::Information, text, MessageKind::Information);
    }
    TellCsvProblem(p_.user, csvPath, loaded);
    if (recording_.records.Full()) {
        BeepAndTell(p_.user, MessageKind::Information, Text(TextId::BufferOverflow),
                    MessageKind::Information);
    }
    // A file that left nothing open leaves the live curves as Close left them.
    if (recording_.loaded) {
        p_.view.ShowRecording(recording_.setup, recording_.records);
    } else if (hasClip_) {
        p_.view.HideCurves();  // the clip alone: no curves beside it
        p_.view.MoveCursor(0);
    }

    elapsedMs_ = 0;
    if (clipSeconds == 0) {
        clipSeconds = WaveSeconds(Records());
    }
    const int frequency = clipSeconds == 0 ? 100 : 100 / clipSeconds;
    p_.seek.SetSeekTickFrequency(frequency < 2 ? 2 : frequency);

    const bool open = hasClip_ || recording_.loaded;
    SetState(open ? ReplayState::Playing : ReplayState::Closed);
    if (open) {
        StartTimer();
    }
    // What was left of the wave file stays in sight beside the name while the pair is open.
    char pane[kMaxPath + 64];
    if (loaded.refusal != CsvRefusal::None) {
        FormatText(pane, sizeof pane, Text(TextId::PaneWaveNotLoaded), FileNamePart(path));
    } else if (loaded.unreadLines > 0) {
        FormatText(pane, sizeof pane, Text(TextId::PaneLinesUnread), FileNamePart(path),
                   static_cast<long long>(loaded.unreadLines));
    } else {
        CopyText(pane, FileNamePart(path));
    }
    p_.panes.SetStatusText(2, pane);
    p_.frame.RepaintWave();
    return true;
}

void ReplaySession::Close(bool byUser, bool loggerConnected) {
    p_.timers.KillTimer(kTimerReplay);
    const bool hadClip = hasClip_;
    const bool hadWave = recording_.loaded;
    p_.video.CloseClip();
    hasClip_ = false;
    // The pane goes back to the live curves and the channel they showed. With nothing loaded the
    // view stays as it is: a running session's curves are not touched.
    p_.view.ShowLive(loggerConnected);
    if (hadWave) {
        recording_.Clear();
    }
    SetState(ReplayState::Closed);
    p_.seek.SetSeekPosition(0);
    p_.seek.SetSeekTickFrequency(100);
    p_.panes.SetStatusText(1, "");
    p_.panes.SetStatusText(2, "");
    if (byUser) {
        if (hadClip) {
            p_.frame.RepaintVideo();
        }
        if (hadWave) {
            p_.frame.RepaintWave();
        }
    }
}

void ReplaySession::Stop() {
    p_.timers.KillTimer(kTimerReplay);
    p_.video.RewindClip();
    p_.seek.SetSeekPosition(0);
    elapsedMs_ = 0;
    p_.view.MoveCursor(0);
    SetState(ReplayState::Stopped);
    ShowSeconds(0, ClipSeconds());
    p_.frame.RepaintWave();
}

void ReplaySession::TogglePlay() {
    if (state_ == ReplayState::Closed) {
        return;
    }
    if (state_ == ReplayState::Playing) {
        p_.video.PauseClip();
        SetState(ReplayState::Paused);
        p_.timers.KillTimer(kTimerReplay);
        return;
    }
    if (hasClip_) {
        // Play after the end starts again from the beginning.
        if (p_.video.ClipPosition() >= p_.video.ClipLength()) {
            p_.video.SeekClip(MediaTime{0});
        }
    } else if (p_.view.DisplayRow() >= Records()) {
        p_.view.MoveCursor(0);
    }
    p_.video.PlayClip();
    SetState(ReplayState::Playing);
    StartTimer();
}

void ReplaySession::Seek(SeekEvent event, int position) {
    if (event == SeekEvent::EndScroll || state_ == ReplayState::Closed) {
        return;
    }
    const int32_t percent = position < 0 ? 0 : (position > 100 ? 100 : position);
    if (hasClip_) {
        if (state_ != ReplayState::Stopped) {
            p_.video.PauseClip();
            p_.timers.KillTimer(kTimerReplay);
        }
        // The bar's percent stands for that share of the clip's length.
        p_.video.SeekClip(MediaTime{p_.video.ClipLength().count() / 100 * percent});
        if (state_ == ReplayState::Playing) {
            p_.video.PlayClip();
            StartTimer();
        }
        const MediaTime at = p_.video.ClipPosition();
        p_.view.MoveCursor(RecordAt(at));
        ShowSeconds(WholeSeconds(at), ClipSeconds());
    } else {
        p_.view.MoveCursor(static_cast<int32_t>(int64_t{Records()} * percent / 100));
        elapsedMs_ = 0;
        ShowSeconds(WaveSeconds(p_.view.DisplayRow()), WaveSeconds(Records()));
    }
    p_.frame.RepaintWave();
}

void ReplaySession::Tick() {
    if (state_ != ReplayState::Playing) {
        return;
    }
    if (hasClip_) {
        const MediaTime position = p_.video.ClipPosition();
        p_.seek.SetSeekPosition(BarPercent(position, p_.video.ClipLength()));
        if (recording_.loaded) {
            p_.view.MoveCursor(RecordAt(position));
        }
        ShowSeconds(WholeSeconds(position), ClipSeconds());
        p_.frame.RepaintWave();
        return;
    }
    if (recording_.loaded) {
        AdvanceByElapsedTime();
        ShowSeconds(WaveSeconds(p_.view.DisplayRow()), WaveSeconds(Records()));
        p_.frame.RepaintWave();
    }
}

void ReplaySession::AdvanceByElapsedTime() {
    const uint32_t now = p_.clock.TickCount();
    elapsedMs_ += static_cast<int32_t>(now - lastTickAt_);
    lastTickAt_ = now;
    // The cursor moves by the time that really passed, so a recording sampled faster than the
    // tick replays at its own speed; an unknown interval moves one row per tick.
    const int32_t interval = Setup().intervalMs > 0 ? Setup().intervalMs : kReplayPeriodMs;
    if (elapsedMs_ < interval) {
        return;
    }
    const int32_t rows = elapsedMs_ / interval;
    elapsedMs_ -= rows * interval;
    int32_t row = p_.view.DisplayRow() + rows;
    if (row >= Records()) {
        row = Records();
        p_.timers.KillTimer(kTimerReplay);
        SetState(ReplayState::Paused);
    }
    p_.view.MoveCursor(row);
    if (Records() > 0) {
        p_.seek.SetSeekPosition(static_cast<int>(static_cast<double>(row) / Records() * 100.0));
    }
}

void ReplaySession::OnClipEnded() {
    if (state_ != ReplayState::Playing || !hasClip_) {
        return;
    }
    // The last tick's reading may be short of the end: show the end itself.
    const MediaTime position = p_.video.ClipPosition();
    p_.seek.SetSeekPosition(BarPercent(position, p_.video.ClipLength()));
    if (recording_.loaded) {
        p_.view.MoveCursor(RecordAt(position));
    }
    ShowSeconds(WholeSeconds(position), ClipSeconds());
    p_.timers.KillTimer(kTimerReplay);
    p_.video.PauseClip();
    SetState(ReplayState::Paused);
    p_.frame.RepaintWave();
}

void ReplaySession::SetState(ReplayState state) {
    if (state != state_) {
        state_ = state;
        listeners_.Tell();
    }
}

void ReplaySession::ShowInformation(bool cameraFound, bool loggerConnected) {
    int32_t width = 0;
    int32_t height = 0;
    int32_t seconds = 0;
    int32_t rate = 0;
    int32_t frames = 0;
    if (cameraFound || hasClip_) {
        width = p_.video.Stream().lvw;
        height = p_.video.Stream().lvh;
        seconds = ClipSeconds();
        rate = p_.video.Stream().lrate;
        const int64_t allFrames = int64_t{seconds} * rate;
        frames = allFrames > INT32_MAX ? INT32_MAX : static_cast<int32_t>(allFrames);
    } else if (loggerConnected || recording_.loaded) {
        seconds = WaveSeconds(Records());
        rate = Setup().intervalMs > 0 ? 1000 / Setup().intervalMs : 0;
        frames = Records();
    }
    char text[160];
    FormatText(text, sizeof text, Text(TextId::ClipInformation), width, height, rate,
               seconds / 3600, (seconds % 3600) / 60, seconds % 60, frames);
    p_.user.Tell(text, MessageKind::Information, Buttons::Ok);
}

}  // namespace velatrace
