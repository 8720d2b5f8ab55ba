// RulerPainter: the one way a time ruler is drawn, for the ruler above the rows and the
// overview's ruler alike: a vertical gradient, ticks every 10 content pixels (longer every
// 5th and 10th, from the rules), labels every 10th tick in whole seconds at the zoom, and
// for the rows' ruler the two edge lines that part it from the rows.
//
// Threads: main thread.
#pragma once

#include <QRect>
#include <QRectF>

class QPainter;

namespace wavomer::app {

struct RulerLook {
    QRectF band;              // where the ruler is, in the widget
    double bottomGrey = 0.0;  // the gradient's grey at the band's bottom
    double topGrey = 0.0;     // and at its top
    bool ticksFromTop = true;  // ticks hang from the top (labels near the bottom), or stand on the bottom
    int fontPixels = 10;
    bool edgeBelow = false;   // a grey and a black line at the bottom
};

// Paints the part of the ruler within area; offset is the content x at the band's left
// edge, pixelsPerSecond the zoom (no labels without one).
void paintRuler(QPainter& painter, const QRect& area, const RulerLook& look, int offset, double pixelsPerSecond);

}  // namespace wavomer::app
