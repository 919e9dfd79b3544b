#include "wave/WavePane.h"

#include <QPainter>
#include <utility>

#include "wave/WavePainter.h"

namespace velatrace {

WavePane::WavePane(const WaveView& view, QWidget* parent)
    : WavePane([&view] { return view; }, parent) {}

WavePane::WavePane(ViewSource view, QWidget* parent)
    : QWidget(parent), view_(std::move(view)), font_(WavePaneFont()) {
    // Every paint covers the whole pane, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void WavePane::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintWave(painter, rect(), view_ ? view_() : WaveView{}, &font_);
}

void WavePane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

}  // namespace velatrace
