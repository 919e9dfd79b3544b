// Replay of a recorded pair on the clip's clock.
#include "session/ReplaySession.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

int64_t ReplaySession::RecordMicros() const {
    return int64_t{Setup().intervalMs > 0 ? Setup().intervalMs : int32_t{kReplayPeriodMs}} * 1000;
}

MediaTime ReplaySession::Position() const {
    if (hasClip_) {
        return p_.video.ClipPosition();
    }
    return MediaTime{int64_t{p_.view.DisplayRow() > 0 ? p_.view.DisplayRow() - 1 : 0} *
                     RecordMicros()};
}

MediaTime ReplaySession::Length() const {
    return hasClip_ ? p_.video.ClipLength() : MediaTime{int64_t{Records()} * RecordMicros()};
}

void ReplaySession::SetSpanPoint(SpanPoint point) {
    if (IsOpen()) {
        PlaceSpanPoint(point, Position());
    }
}

void ReplaySession::SetSpanPointAt(SpanPoint point, int percent) {
    if (IsOpen()) {
        const int64_t clamped = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
        PlaceSpanPoint(point, MediaTime{Length().count() / 100 * clamped});
    }
}

void ReplaySession::PlaceSpanPoint(SpanPoint point, MediaTime at) {
    const int64_t length = Length().count();
    int64_t time = at.count() < 0 ? 0 : (at.count() > length ? length : at.count());
    int32_t record = 0;
    if (recording_.loaded) {
        // The in point moves back to the start of its record, the out point on to the end of
        // its record, so the span holds whole records.
        // Past the last record the point stays where it was set.
        const int64_t step = RecordMicros();
        const int64_t row = point == SpanPoint::In ? time / step : (time + step - 1) / step;
        record = row > Records() ? Records() : static_cast<int32_t>(row);
        if (row <= Records()) {
            time = row * step > length ? length : row * step;
        }
    }
    if (point == SpanPoint::In) {
        span_.hasIn = true;
        span_.in = MediaTime{time};
        span_.inRecord = record;
        if (span_.hasOut && span_.out <= span_.in) {
            span_.hasOut = false;
        }
    } else {
        span_.hasOut = true;
        span_.out = MediaTime{time};
        span_.outRecord = record;
        if (span_.hasIn && span_.in >= span_.out) {
            span_.hasIn = false;
        }
    }
    listeners_.Tell();
}

ReplaySpan ReplaySession::SpanToExport() const {
    ReplaySpan whole = span_;
    if (!whole.hasIn) {
        whole.in = MediaTime{0};
        whole.inRecord = 0;
    }
    if (!whole.hasOut) {
        whole.out = Length();
        whole.outRecord = Records();
    }
    whole.hasIn = whole.hasOut = true;
    return whole;
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
    CopyText(wavePath_, csvPath);
    CopyText(mediaPath_, kind == kMediaFile ? path : "");

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
    const int64_t badMarkerLines = LoadMarkers(path);
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
    if (badMarkerLines > 0) {
        const size_t n = std::strlen(pane);
        FormatText(pane + n, sizeof pane - n, Text(TextId::MarkerBadLinesPane),
                   static_cast<long long>(badMarkerLines));
    }
    p_.panes.SetStatusText(2, pane);
    ShowMarkers();
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
    markers_.clear();
    markerPath_[0] = '\0';
    jumpedTo_ = -1;
    p_.view.SetMarkers(nullptr);
    p_.seek.SetSeekMarks({});
    span_ = ReplaySpan{};
    mediaPath_[0] = wavePath_[0] = '\0';
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
    jumpedTo_ = -1;
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
    jumpedTo_ = -1;
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
    jumpedTo_ = -1;  // the replay moves on from the marker it jumped to
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

int64_t ReplaySession::LoadMarkers(const char* path) {
    markers_.clear();
    jumpedTo_ = -1;
    if (MarkerPathFor(markerPath_, sizeof markerPath_, path) == 0) {
        return 0;
    }
    const MarkerLoad load = ReadMarkerFile(markerPath_, markers_);
    char text[kMaxPath + 200];
    if (load.error != 0) {
        FormatText(text, sizeof text, Text(TextId::MarkerUnreadable), FileNamePart(markerPath_),
                   std::strerror(load.error));
        Warn(p_.user, text);
    } else if (load.badLines > 0) {
        FormatText(text, sizeof text, Text(TextId::MarkerBadLines),
                   static_cast<long long>(load.badLines), FileNamePart(markerPath_));
        Warn(p_.user, text);
    }
    return load.badLines;
}

bool ReplaySession::SaveMarkers() {
    const int error =
        markerPath_[0] == '\0' ? ENAMETOOLONG : WriteMarkerFile(markerPath_, markers_, sync_);
    if (error == 0) {
        return true;
    }
    char text[kMaxPath + 200];
    FormatText(text, sizeof text, Text(TextId::MarkerSaveFailed), FileNamePart(markerPath_),
               std::strerror(error));
    Warn(p_.user, text);
    return false;
}

void ReplaySession::ShowMarkers() {
    std::vector<double> shares;
    const double clipMs = static_cast<double>(p_.video.ClipLength().count()) / 1000.0;
    for (const Marker& marker : markers_) {
        if (hasClip_ && clipMs > 0) {
            shares.push_back(std::min(1.0, static_cast<double>(marker.clipMs) / clipMs));
        } else if (!hasClip_ && marker.record >= 0 && Records() > 0) {
            shares.push_back(std::min(1.0, static_cast<double>(marker.record) / Records()));
        }
    }
    p_.seek.SetSeekMarks(shares);
    p_.view.SetMarkers(&markers_);
    p_.frame.RepaintWave();
}

int64_t ReplaySession::MarkerKey(const Marker& marker) const {
    return hasClip_ ? marker.clipMs : marker.record;
}

int64_t ReplaySession::StandingKey() const {
    return hasClip_ ? p_.video.ClipPosition().count() / 1000 : p_.view.DisplayRow() - 1;
}

bool ReplaySession::JumpToMarker(bool next) {
    if (state_ == ReplayState::Closed || markers_.empty()) {
        return false;
    }
    const auto count = static_cast<int64_t>(markers_.size());
    int64_t target = -1;
    if (jumpedTo_ >= 0 && jumpedTo_ < count) {
        target = next ? jumpedTo_ + 1 : jumpedTo_ - 1;
    } else {
        // The first marker past where the replay stands, or the last one before it; a wave file
        // alone cannot go to a marker without a record.
        const int64_t at = StandingKey();
        for (int64_t i = 0; i < count; ++i) {
            const int64_t key = MarkerKey(markers_[i]);
            if (key < 0) {
                continue;
            }
            if (next && key > at) {
                target = i;
                break;
            }
            if (!next && key < at) {
                target = i;
            }
        }
    }
    if (target < 0 || target >= count) {
        return false;
    }
    GoToMarker(static_cast<size_t>(target));
    return true;
}

void ReplaySession::GoToMarker(size_t index) {
    if (state_ == ReplayState::Closed || index >= markers_.size()) {
        return;
    }
    const Marker& marker = markers_[index];
    if (hasClip_) {
        if (state_ == ReplayState::Playing) {
            p_.video.PauseClip();
            p_.timers.KillTimer(kTimerReplay);
        }
        p_.video.SeekClip(MediaTime{marker.clipMs * 1000});
        if (state_ == ReplayState::Playing) {
            p_.video.PlayClip();
            StartTimer();
        }
        // The marked record is the newest drawn, wherever the clip's frame landed.
        const MediaTime at = p_.video.ClipPosition();
        if (recording_.loaded) {
            p_.view.MoveCursor(marker.record >= 0 ? static_cast<int32_t>(std::min<int64_t>(
                                                        marker.record + 1, Records()))
                                                  : RecordAt(at));
        }
        p_.seek.SetSeekPosition(BarPercent(at, p_.video.ClipLength()));
        ShowSeconds(WholeSeconds(at), ClipSeconds());
    } else if (marker.record >= 0) {
        const auto row = static_cast<int32_t>(std::min<int64_t>(marker.record + 1, Records()));
        p_.view.MoveCursor(row);
        elapsedMs_ = 0;
        if (Records() > 0) {
            p_.seek.SetSeekPosition(static_cast<int>(int64_t{row} * 100 / Records()));
        }
        ShowSeconds(WaveSeconds(row), WaveSeconds(Records()));
    }
    jumpedTo_ = static_cast<int64_t>(index);
    p_.frame.RepaintWave();
}

int32_t ReplaySession::AddMarker(const char* text) {
    if (state_ == ReplayState::Closed) {
        return -1;
    }
    Marker marker;
    SetMarkerText(marker, text);
    const int64_t row = p_.view.DisplayRow() > 0 ? p_.view.DisplayRow() - 1 : 0;
    if (hasClip_) {
        marker.clipMs = p_.video.ClipPosition().count() / 1000;
        marker.record = recording_.loaded && Records() > 0 ? row : -1;
    } else {
        marker.record = row;
        marker.clipMs = row * std::max(Setup().intervalMs, 0);
    }
    const auto at = std::upper_bound(
        markers_.begin(), markers_.end(), marker, [](const Marker& a, const Marker& b) {
            return a.clipMs != b.clipMs ? a.clipMs < b.clipMs : a.record < b.record;
        });
    const auto index = at - markers_.begin();
    markers_.insert(at, marker);
    if (!SaveMarkers()) {
        markers_.erase(markers_.begin() + index);
        return -1;
    }
    jumpedTo_ = -1;
    ShowMarkers();
    listeners_.Tell();
    return static_cast<int32_t>(index);
}

bool ReplaySession::RenameMarker(size_t index, const char* text) {
    if (index >= markers_.size()) {
        return false;
    }
    const Marker old = markers_[index];
    SetMarkerText(markers_[index], text);
    if (!SaveMarkers()) {
        markers_[index] = old;
        return false;
    }
    return true;
}

bool ReplaySession::DeleteMarker(size_t index) {
    if (index >= markers_.size()) {
        return false;
    }
    const Marker old = markers_[index];
    markers_.erase(markers_.begin() + static_cast<std::ptrdiff_t>(index));
    if (!SaveMarkers()) {
        markers_.insert(markers_.begin() + static_cast<std::ptrdiff_t>(index), old);
        return false;
    }
    jumpedTo_ = -1;
    ShowMarkers();
    listeners_.Tell();
    return true;
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
