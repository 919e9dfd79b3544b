#pragma once
// Replay of a recorded pair: opening and closing it, the clip commands, the seek bar and the
// replay tick. With a clip open every tick reads the clip's position and derives the wave cursor,
// the seek bar and the "n/m sec" pane from it; with only a wave file open, elapsed time drives.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "base/ChangeListeners.h"
#include "base/Clock.h"
#include "base/FileSync.h"
#include "base/StatusPanes.h"
#include "base/TimerIds.h"
#include "base/Timers.h"
#include "base/UserPrompts.h"
#include "base/WindowFrame.h"
#include "session/MarkerEditor.h"
#include "video/VideoGraph.h"
#include "wave/Recording.h"
#include "wave/WaveCsv.h"
#include "wave/WaveView.h"

namespace velatrace {

// Seek bar notifications, as the trackbar sends them.
enum class SeekEvent { Track = 5, EndScroll = 8, ThumbPosition = 4 };

enum class ReplayState { Closed, Stopped, Playing, Paused };

// The part of a recording the user marked for an export: from the in point to the out point, as
// clip times and as the records they hold. With a wave file the points lie on record boundaries,
// so the span holds whole records: records [inRecord, outRecord) from `in` to `out`.
struct ReplaySpan {
    bool hasIn = false;
    bool hasOut = false;
    MediaTime in{0};
    MediaTime out{0};
    int32_t inRecord = 0;
    int32_t outRecord = 0;
};

enum class SpanPoint { In, Out };

struct ReplaySessionParts {
    UserPrompts& user;
    StatusPanes& panes;
    WindowFrame& frame;
    SeekBarControl& seek;
    Timers& timers;
    Clock& clock;
    // The live logger's setup: a wave file's channels are read against it, and the replay's
    // times count by its interval while no recording is loaded.
    const LoggerSetup& liveSetup;
    // Draws the recording while one is loaded, the live curves again once it is closed.
    WaveView& view;
    VideoGraph& video;
    VideoSurface* videoPane;
};

class ReplaySession final : public MarkerEditor {
  public:
    // `kind`: 1 a media file (its CSV beside it), 2 a wave file alone.
    static constexpr int32_t kMediaFile = 1;
    static constexpr int32_t kWaveFile = 2;

    explicit ReplaySession(const ReplaySessionParts& parts) : p_(parts) {}
    ReplaySession(const ReplaySession&) = delete;
    ReplaySession& operator=(const ReplaySession&) = delete;

    // Called after each change of the replay's state.
    void AddListener(std::function<void()> listener) { listeners_.Add(std::move(listener)); }

    ReplayState State() const { return state_; }
    bool IsOpen() const { return state_ != ReplayState::Closed; }
    // Anything of a recording is loaded, even where an open failed half-way and left the replay
    // closed: a live session must close it first.
    bool HoldsRecording() const { return IsOpen() || HasWaveFile(); }
    // A recorded wave file is loaded (its channels can be selected).
    bool HasWaveFile() const { return recording_.loaded; }
    // The loaded recording (closed when none is).
    const Recording& Loaded() const { return recording_; }
    // Records of the loaded wave file.
    int32_t Records() const { return recording_.records.Records(); }

    // Opens a recorded pair and starts playing it. False (with a message) when the media file
    // cannot be played.
    bool Open(const char* path, int32_t kind, bool loggerConnected);
    // Closes it; `byUser` (File Close) repaints the panes it showed.
    void Close(bool byUser, bool loggerConnected);
    void Stop();
    void TogglePlay();
    void Seek(SeekEvent event, int position);
    void Tick();
    // The engine says the clip has played to its end.
    void OnClipEnded();
    // Sets the in or out point where the replay stands (the clip's position, else the wave
    // cursor); a point that would end the span before it starts drops the other point.
    void SetSpanPoint(SpanPoint point);
    // The same at `percent` of the length (where the user pointed on the seek bar).
    void SetSpanPointAt(SpanPoint point, int percent);
    // The points as set.
    const ReplaySpan& Span() const { return span_; }
    // What an export takes: from the in point (else the start) to the out point (else the end).
    ReplaySpan SpanToExport() const;
    // Where the replay stands: the clip's position, else the wave cursor's time.
    MediaTime Position() const;
    // The length replayed: the clip's, else the wave file's.
    MediaTime Length() const;
    // The open pair's files (empty when closed or, for the media path, with a wave file alone).
    const char* MediaPath() const { return mediaPath_; }
    const char* WavePath() const { return wavePath_; }
    bool HasClip() const { return hasClip_; }
    // Size, rate, length and frames of the clip (or of the wave file, or of the live logger).
    void ShowInformation(bool cameraFound, bool loggerConnected);

    // --- Markers of the recording open (beside it in its marker file) ---------------------------
    // Edits are forced to the disk through `sync`; null (the default): no syncing.
    void SetFileSync(FileSync* sync) { sync_ = sync; }
    // The next (or previous) marker from where the replay stands becomes the position of the clip
    // and the cursor; false when there is none that way.
    bool JumpToMarker(bool next);
    const std::vector<Marker>& Markers() const override { return markers_; }
    int32_t AddMarker(const char* text) override;
    bool RenameMarker(size_t index, const char* text) override;
    bool DeleteMarker(size_t index) override;
    void GoToMarker(size_t index) override;

  private:
    // The one writer of the state: tells the listeners when it changed.
    void SetState(ReplayState state);
    int32_t ClipSeconds() const;
    int32_t WaveSeconds(int32_t rows) const;
    // The cursor (one past the newest record drawn) for a clip position: the record whose time
    // span holds the position is drawn last.
    int32_t RecordAt(MediaTime position) const;
    void ShowSeconds(int32_t current, int32_t total);
    // Time of one record in microseconds (the replay tick's period when the interval is unknown).
    int64_t RecordMicros() const;
    void PlaceSpanPoint(SpanPoint point, MediaTime at);
    void StartTimer();
    // Reads the markers beside the recording at `path`; the user is told of lines left out.
    // Returns how many were.
    int64_t LoadMarkers(const char* path);
    // Writes the markers back whole; false (the user told) when the file keeps the old ones.
    bool SaveMarkers();
    // The seek bar's marks and the wave pane follow the markers.
    void ShowMarkers();
    // A marker's place and where the replay stands, in the same terms: the clip's time in
    // milliseconds with a clip open, else the record.
    int64_t MarkerKey(const Marker& marker) const;
    int64_t StandingKey() const;
    // Moves the cursor by the time that passed since the last tick (wave file alone).
    void AdvanceByElapsedTime();
    // The setup of what is replayed: the recording's, else the live logger's.
    const LoggerSetup& Setup() const { return recording_.loaded ? recording_.setup : p_.liveSetup; }

    ReplaySessionParts p_;
    ReplayState state_ = ReplayState::Closed;
    ChangeListeners listeners_;
    Recording recording_;
    bool hasClip_ = false;     // the open pair has its clip open in the video
    int32_t elapsedMs_ = 0;    // time not yet turned into whole records
    uint32_t lastTickAt_ = 0;  // clock reading at the last tick
    std::vector<Marker> markers_;
    char markerPath_[kMaxPath] = {};
    FileSync* sync_ = nullptr;
    // The marker the last jump went to while the replay has not moved since, else -1: the next
    // jump goes on from it, whatever position the clip landed on.
    int64_t jumpedTo_ = -1;
    ReplaySpan span_;
    char mediaPath_[kMaxPath] = {};
    char wavePath_[kMaxPath] = {};
};

}  // namespace velatrace
