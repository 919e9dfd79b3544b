#include "wave/WavePane.h"

#include <QPainter>

#include "wave/WavePainter.h"

namespace velatrace {

WavePane::WavePane(const WaveBuffer& wave, const WaveView& view, QWidget* parent)
    : QWidget(parent), wave_(wave), view_(view) {
    // Every paint covers the whole pane, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void WavePane::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintWave(painter, rect(), wave_, view_);
}

void WavePane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

}  // namespace velatrace
