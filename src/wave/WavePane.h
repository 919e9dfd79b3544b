#pragma once
// The wave pane: a widget that paints the frame's wave view (and the one curve source it names)
// through PaintWave on every paint and tells the frame when its size changes.
#include <QFont>
#include <QWidget>
#include <functional>

#include "wave/WaveView.h"

namespace velatrace {

class WavePane : public QWidget {
    Q_OBJECT

  public:
    // Hands over the view state (scales, display row, curve source) for one paint.
    using ViewSource = std::function<WaveView()>;

    // The view belongs to the frame's core and outlives the pane.
    explicit WavePane(const WaveView& view, QWidget* parent = nullptr);
    // For a core that keeps the view's fields in its own records: `view` is asked at each paint.
    explicit WavePane(ViewSource view, QWidget* parent = nullptr);

  signals:
    // The pane's size changed (the frame turns it into command 1002).
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    ViewSource view_;
    QFont font_;  // fitted once: finding the size measures the face several times
};

}  // namespace velatrace
