#pragma once
// The synced view as one picture: the clip's frame on top, the curves of the recording below it
// (drawn by the wave pane's painter), and the time and the channel values with their units
// written over the frame. Used for the PNG of the view and for each picture of a shared video.
#include <QFont>
#include <QImage>
#include <QSize>
#include <memory>

#include "video/ExportJob.h"
#include "wave/Recording.h"
#include "wave/WaveView.h"

class QPainter;

namespace velatrace {

// The size of the synced view of a frame of `picture` size: as wide, the curves below it.
QSize SyncedViewSize(QSize picture);

// Paints the view into `canvas` (of SyncedViewSize): `picture` (may be null: a black frame), the
// curves `view` shows and, over the frame, `at` (clip time) and the values of the record at the
// view's cursor.
void PaintSyncedView(QImage& canvas, const QImage& picture, const WaveView& view, MediaTime at,
                     const QFont& font);

// A copy of what the curves of a span need (the records, the channel setup, the scales and the
// channel in front), taken on the GUI thread, so pictures can be composed on an export's worker
// thread while the user goes on with the replay or closes it.
class SyncedViewSnapshot {
  public:
    // `recording` may be closed (a clip without its wave file: no curves).
    SyncedViewSnapshot(const Recording& recording, const WaveView& view);

    // The composer of a shared video: the frame and the curves at the frame's time.
    ExportComposer Composer();

  private:
    void Compose(const VideoFrame& picture, MediaTime at, VideoFrame* canvas);

    Recording recording_;
    WaveScales scales_;
    int32_t channel_ = 0;
    int64_t recordMicros_ = 0;
    std::unique_ptr<QFont> font_;  // made on the worker thread that paints with it
};

}  // namespace velatrace
