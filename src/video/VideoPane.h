#pragma once
// The upper pane of the main window: shows the newest picture of what is in use (camera
// preview or replayed clip) where the video object placed it, on a black ground. The core hands
// it each new picture on the GUI thread.
#include <QImage>
#include <QRect>
#include <QWidget>

#include "video/MediaEngine.h"
#include "video/VideoSurface.h"

namespace velatrace {

class VideoPane : public QWidget, public VideoSurface {
    Q_OBJECT

  public:
    explicit VideoPane(QWidget* parent = nullptr);

    // VideoSurface
    SurfaceSize ClientSize() const override;
    void SetVideoRect(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void SetVideoVisible(bool visible) override;
    void ShowFrame(VideoFrame* frame) override;

    // Where the picture is drawn now (empty when nothing is shown).
    QRect PictureRect() const;
    bool HasPicture() const { return !picture_.isNull(); }

  signals:
    // The pane changed size; the frame re-fits the picture (command 1002).
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowCurrentFrame();

    bool attached_ = false;
    QRect videoRect_;   // set by the video object; empty: fit the picture by its own size
    VideoFrame frame_;  // owns the pixels picture_ points into
    QImage picture_;    // a view of frame_, null when there is nothing to show
};

}  // namespace velatrace
