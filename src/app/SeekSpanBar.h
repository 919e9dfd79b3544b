#pragma once
// The in and out points on the seek bar: a band painted over the slider's groove from the in
// point to the out point (to the end while only the in point is set, from the start while only
// the out point is), laid over the slider without taking its mouse.
#include <QWidget>

class QSlider;

namespace velatrace {

class SeekSpanBar : public QWidget {
    Q_OBJECT

  public:
    // Lies over `slider` and follows its size.
    explicit SeekSpanBar(QSlider* slider);

    // The span in thousandths of the length; a negative point is not set. Both unset hides it.
    void SetSpan(int inPermille, int outPermille);
    int InPermille() const { return in_; }
    int OutPermille() const { return out_; }
    // The slider's value (0..100) at x in the slider's own coordinates.
    int PercentAt(int x) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QRect Groove() const;

    QSlider* slider_;
    int in_ = -1;
    int out_ = -1;
};

}  // namespace velatrace
