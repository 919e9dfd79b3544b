#pragma once
// The upper pane of the main window: shows the newest picture of the graph in use (camera
// preview or replayed clip) where the video object placed it, on a black ground. Engine threads
// only wake it; the pane then takes the newest frame on the GUI thread and repaints.
#include <QImage>
#include <QRect>
#include <QWidget>
#include <atomic>
#include <functional>

#include "video/MediaEngine.h"
#include "video/VideoSurface.h"

namespace velatrace {

class VideoPane : public QWidget, public VideoSurface {
    Q_OBJECT

  public:
    // Takes the newest picture into *frame; false when there is nothing new.
    using FrameSource = std::function<bool(VideoFrame* frame)>;

    explicit VideoPane(QWidget* parent = nullptr);

    void SetFrameSource(FrameSource source);

    // Any thread: a new picture may be waiting. Wakes the GUI thread once; further wakes before
    // the pane has taken the picture add nothing.
    void NotifyFrame();

    // VideoSurface
    SurfaceSize ClientSize() const override;
    void SetVideoRect(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void SetVideoVisible(bool visible) override;
    void ShowFrame(VideoFrame* frame) override;

    // Where the picture is drawn now (empty when nothing is shown).
    QRect PictureRect() const;
    bool HasPicture() const { return !picture_.isNull(); }

  public slots:
    // GUI thread: takes the newest frame, if any, and schedules a repaint.
    void TakeFrame();

  signals:
    // The pane changed size; the frame re-fits the picture (command 1002).
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowCurrentFrame();

    FrameSource source_;
    std::atomic<bool> wakePending_{false};
    bool attached_ = false;
    QRect videoRect_;   // set by the video object; empty: fit the picture by its own size
    VideoFrame frame_;  // owns the pixels picture_ points into
    QImage picture_;    // a view of frame_, null when there is nothing to show
};

}  // namespace velatrace
