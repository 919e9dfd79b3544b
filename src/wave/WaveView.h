#pragma once
// The wave pane's own state, without any widget: its view scales, the channel it shows in front,
// the row drawn at the right edge, how many records back it draws, whether it draws curves at all
// and the one curve source it draws from. Only its methods change it, so each rule holds in one
// place: the cursor never lies beyond the rows of the source, the current channel is always a
// valid index, and going back to the live curves brings back the channel they showed.
#include <cstdint>
#include <vector>

#include "logger/LoggerSetup.h"
#include "wave/MarkerFile.h"
#include "wave/WaveScales.h"

namespace velatrace {

class WaveBuffer;
class ReplayStore;

// Where the curves come from: the live ring with the logger's setup, or a replayed recording
// with its own setup. The view chooses as it is told; the pane only reads.
struct CurveSource {
    const LoggerSetup* setup = nullptr;
    const WaveBuffer* live = nullptr;     // the live ring, or
    const ReplayStore* replay = nullptr;  // the recording being replayed (the cursor counts it)

    // The setup of the curves; an empty one (every channel off) when there is none.
    const LoggerSetup& Setup() const;
};

class WaveView {
  public:
    // --- What is drawn -------------------------------------------------------------------------
    // The live curves: the logger's setup and the ring. Shown at once unless a recording is.
    void SetLiveSource(const LoggerSetup* setup, const WaveBuffer* ring);
    // Back to the live curves, drawn while `loggerConnected`. Coming back from a recording, the
    // cursor starts over and the channel the live curves showed returns; otherwise the cursor
    // and the channel stay as they are.
    void ShowLive(bool loggerConnected);
    // A replayed recording takes the pane: the cursor at its start, its first channel that is on
    // in front. Drawn while it has records.
    void ShowRecording(const LoggerSetup& setup, const ReplayStore& records);
    // A clip replays without its wave file: the pane shows no curves.
    void HideCurves() { drawn_ = false; }
    // The markers of the recording replayed, drawn at their records while it is shown; null:
    // none. They must outlive their use here.
    void SetMarkers(const std::vector<Marker>* markers) { markers_ = markers; }
    const std::vector<Marker>* Markers() const { return Replaying() ? markers_ : nullptr; }

    // --- The cursor ----------------------------------------------------------------------------
    // The replay cursor: `row` records of the recording drawn, the last of them at the right
    // edge. Kept within the recording's rows.
    void MoveCursor(int32_t row);
    // `rows` new records reached the live ring; while the live curves are shown the newest of
    // them is drawn at the right edge, with every ring row received before it.
    void RingRowsArrived(int32_t rows);
    // None of the ring's rows counts any more: once the live curves come back, only rows that
    // arrive after this are drawn. What is on screen stays until then.
    void ForgetRingRows() { ringRows_ = 0; }
    // The ring started over (the logger was opened again): no live row is drawn any more.
    void RingStartedOver();

    // --- The channel and the zoom --------------------------------------------------------------
    // Makes `channel` the current one if it is on, else the next one that is on after it. With
    // no channel on, the current channel stays.
    void SelectChannel(int32_t channel) { SelectFrom(channel, true); }
    void NextChannel() { SelectFrom(currentChannel_ + 1, true); }
    void PreviousChannel() { SelectFrom(currentChannel_ - 1, false); }
    // The current channel's level step and the time step move towards their ends.
    void LevelZoomIn() { scales_.LevelZoomIn(currentChannel_, CurrentType()); }
    void LevelZoomOut() { scales_.LevelZoomOut(currentChannel_, CurrentType()); }
    void TimeZoomIn() { scales_.TimeZoomIn(); }
    void TimeZoomOut() { scales_.TimeZoomOut(); }
    // The scales as loaded from the settings (and saved there through Scales()).
    void SetScales(const WaveScales& scales) { scales_ = scales; }

    // --- Reading -------------------------------------------------------------------------------
    const CurveSource& Source() const { return source_; }
    const WaveScales& Scales() const { return scales_; }
    // The channel drawn in front and labelled, always 0..kChannels-1.
    int32_t CurrentChannel() const { return currentChannel_; }
    int32_t LevelStep() const { return scales_.vscale[currentChannel_]; }
    // One past the newest row drawn at the right edge; 0 = none.
    int32_t DisplayRow() const { return displayRow_; }
    // Records drawn back from the display row.
    int32_t ShownCount() const { return shownCount_; }
    // The newest row drawn (of the ring, or of the recording), -1 when none is.
    int32_t NewestRow() const { return displayRow_ - 1; }
    // Curves are drawn: a logger is connected, or the recording shown has records.
    bool HasCurves() const { return drawn_; }

  private:
    void SelectFrom(int32_t start, bool forward);
    int32_t CurrentType() const { return source_.Setup().channel[currentChannel_].type; }
    bool Replaying() const { return source_.replay != nullptr; }

    WaveScales scales_;           // vscale per channel and tscale
    int32_t currentChannel_ = 0;  // always a valid index
    int32_t liveChannel_ = 0;     // the live curves' channel while a recording is shown
    int32_t displayRow_ = 0;
    int32_t shownCount_ = 0;
    int32_t ringRows_ = 0;  // live ring rows received since the ring last counted from empty
    bool drawn_ = false;
    CurveSource live_;
    CurveSource source_;
    const std::vector<Marker>* markers_ = nullptr;
};

}  // namespace velatrace
