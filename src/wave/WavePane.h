#pragma once
// The wave pane: a widget that paints the WaveBuffer through PaintWave on every paint and tells
// the frame when its size changes.
#include <QWidget>

#include "wave/WaveBuffer.h"
#include "wave/WaveView.h"

namespace velatrace {

class WavePane : public QWidget {
    Q_OBJECT

  public:
    // The buffer and view belong to the frame's core and outlive the pane.
    WavePane(const WaveBuffer& wave, const WaveView& view, QWidget* parent = nullptr);

  signals:
    // The pane's size changed (the frame turns it into command 1002).
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    const WaveBuffer& wave_;
    const WaveView& view_;
};

}  // namespace velatrace
