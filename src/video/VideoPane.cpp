#include "video/VideoPane.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <utility>

#include "video/VideoFitting.h"

namespace velatrace {

namespace {

// A frame is shown only when its buffer really holds the rows its header claims.
bool Plausible(const VideoFrame& f) {
    if (f.width <= 0 || f.height <= 0 || f.stride < 0) {
        return false;
    }
    const int64_t rowBytes = static_cast<int64_t>(f.width) * 4;
    if (f.stride < rowBytes) {
        return false;
    }
    const int64_t needed = static_cast<int64_t>(f.stride) * (f.height - 1) + rowBytes;
    return needed <= static_cast<int64_t>(f.pixels.size());
}

}  // namespace

VideoPane::VideoPane(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setMinimumSize(1, 1);
}

void VideoPane::ShowFrame(VideoFrame* frame) {
    if (!attached_ || frame == nullptr) {
        return;
    }
    picture_ = QImage();
    std::swap(frame_, *frame);
    ShowCurrentFrame();
}

void VideoPane::ShowCurrentFrame() {
    if (Plausible(frame_)) {
        picture_ = QImage(frame_.pixels.data(), frame_.width, frame_.height, frame_.stride,
                          QImage::Format_RGB32);
    }
    update();
}

SurfaceSize VideoPane::ClientSize() const {
    return SurfaceSize{width(), height()};
}

void VideoPane::SetVideoRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    videoRect_ = QRect(x, y, width, height);
    update();
}

void VideoPane::SetVideoVisible(bool visible) {
    attached_ = visible;
    if (!visible) {
        picture_ = QImage();
        frame_ = VideoFrame{};
        videoRect_ = QRect();
    }
    update();
}

QRect VideoPane::PictureRect() const {
    if (picture_.isNull()) {
        return QRect();
    }
    if (videoRect_.isValid()) {
        return videoRect_;
    }
    const VideoRect fit = FitVideoRect(width(), height(), picture_.width(), picture_.height());
    return QRect(fit.x, fit.y, fit.width, fit.height);
}

void VideoPane::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::black);
    const QRect target = PictureRect();
    if (target.isEmpty()) {
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, picture_);
}

void VideoPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

}  // namespace velatrace
