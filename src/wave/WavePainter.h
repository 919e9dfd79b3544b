#pragma once
// Paints the wave pane: the level and time axes with their ticks and labels, the channel label and
// the curves of every channel that is on. Everything is drawn afresh on each call; nothing is kept
// between paints.
#include <QFont>

#include "wave/WaveView.h"

class QPainter;
class QRect;

namespace velatrace {

// The pane's font: "MS UI Gothic" where it exists, else a common sans-serif face, sized so a line
// of text is 14 pixels high.
QFont WavePaneFont();

// Paints the whole of `rect` (its top-left corner is the plot's origin) and draws nothing outside,
// in `font` (the pane's font, fitted once by its owner), or WavePaneFont() when null.
// The curves come from the view's source.
void PaintWave(QPainter& painter, const QRect& rect, const WaveView& view,
               const QFont* font = nullptr);

}  // namespace velatrace
