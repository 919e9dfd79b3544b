#include "app/SeekSpanBar.h"

#include <QEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

namespace velatrace {

namespace {
constexpr int kBandHeight = 4;
const QColor kBandColour(255, 140, 0, 200);  // amber, seen on light and dark styles
}  // namespace

SeekSpanBar::SeekSpanBar(QSlider* slider) : QWidget(slider), slider_(slider) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(slider->rect());
    slider->installEventFilter(this);
    hide();
}

void SeekSpanBar::SetSpan(int inPermille, int outPermille) {
    if (inPermille == in_ && outPermille == out_) {
        return;
    }
    in_ = inPermille;
    out_ = outPermille;
    setVisible(in_ >= 0 || out_ >= 0);
    update();
}

QRect SeekSpanBar::Groove() const {
    QStyleOptionSlider option;
    option.initFrom(slider_);
    option.orientation = slider_->orientation();
    option.minimum = slider_->minimum();
    option.maximum = slider_->maximum();
    option.sliderPosition = slider_->sliderPosition();
    option.tickPosition = slider_->tickPosition();
    const QRect groove = slider_->style()->subControlRect(QStyle::CC_Slider, &option,
                                                          QStyle::SC_SliderGroove, slider_);
    const int handle =
        slider_->style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider_)
            .width();
    // The handle's centre runs from half a handle in from each end of the groove.
    return groove.adjusted(handle / 2, 0, -(handle - handle / 2), 0);
}

int SeekSpanBar::PercentAt(int x) const {
    const QRect groove = Groove();
    return QStyle::sliderValueFromPosition(slider_->minimum(), slider_->maximum(),
                                           x - groove.left(), groove.width());
}

void SeekSpanBar::paintEvent(QPaintEvent*) {
    const QRect groove = Groove();
    const int from = in_ >= 0 ? in_ : 0;
    const int to = out_ >= 0 ? out_ : 1000;
    const int x1 = groove.left() + groove.width() * from / 1000;
    const int x2 = groove.left() + groove.width() * to / 1000;
    QPainter painter(this);
    painter.fillRect(
        QRect(x1, groove.center().y() + kBandHeight, std::max(x2 - x1, 1), kBandHeight),
        kBandColour);
}

bool SeekSpanBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == slider_ && event->type() == QEvent::Resize) {
        setGeometry(slider_->rect());
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velatrace
