#pragma once
// The wave pane: a widget that paints the WaveBuffer through PaintWave on every paint and tells
// the frame when its size changes.
#include <QFont>
#include <QWidget>
#include <functional>

#include "wave/WaveBuffer.h"
#include "wave/WaveView.h"

namespace velatrace {

class WavePane : public QWidget {
    Q_OBJECT

  public:
    // Hands over the view state (scales, display row, source flag) for one paint.
    using ViewSource = std::function<WaveView()>;

    // The buffer and view belong to the frame's core and outlive the pane.
    WavePane(const WaveBuffer& wave, const WaveView& view, QWidget* parent = nullptr);
    // For a core that keeps the view's fields in its own records: `view` is asked at each paint.
    WavePane(const WaveBuffer& wave, ViewSource view, QWidget* parent = nullptr);

  signals:
    // The pane's size changed (the frame turns it into command 1002).
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    const WaveBuffer& wave_;
    ViewSource view_;
    QFont font_;  // fitted once: finding the size measures the face several times
};

}  // namespace velatrace
