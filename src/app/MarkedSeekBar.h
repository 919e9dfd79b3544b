#pragma once
// The seek bar with the recording's markers drawn as small marks under its groove.
#include <QSlider>
#include <QVector>

namespace velatrace {

class MarkedSeekBar final : public QSlider {
    Q_OBJECT
  public:
    explicit MarkedSeekBar(QWidget* parent = nullptr) : QSlider(Qt::Horizontal, parent) {}
    // Each mark at a share 0..1 of the bar's length; empty: none.
    void SetMarks(const QVector<double>& shares);
    const QVector<double>& Marks() const { return marks_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QVector<double> marks_;
};

}  // namespace velatrace
