#include "app/MarkedSeekBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace velatrace {

void MarkedSeekBar::SetMarks(const QVector<double>& shares) {
    if (shares != marks_) {
        marks_ = shares;
        update();
    }
}

void MarkedSeekBar::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (marks_.isEmpty()) {
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre travels the groove less its own width; a mark stands where the centre
    // would be at its share.
    const double left = groove.left() + handle.width() / 2.0;
    const double span = groove.width() - handle.width();
    QPainter painter(this);
    painter.setPen(QPen(QColor(0xd6, 0x2d, 0x20), 2));
    for (const double share : marks_) {
        const int x = static_cast<int>(left + span * std::clamp(share, 0.0, 1.0) + 0.5);
        painter.drawLine(x, 0, x, 4);
        painter.drawLine(x, height() - 5, x, height() - 1);
    }
}

}  // namespace velatrace
