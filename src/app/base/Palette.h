// The window's colours, each named once: the views paint with these names.
//
// Threads: main thread (QColor values).
#pragma once

#include <QColor>

namespace wavomer::app::palette {

// A grey of the given level (0 black, 1 white).
inline QColor grey(double level, double alpha = 1.0) {
    const auto l = static_cast<float>(level);
    return QColor::fromRgbF(l, l, l, static_cast<float>(alpha));
}

// The timeline and the overview.
inline const QColor kCursor(252, 250, 58);        // the play cursor, and the time display's digits
inline const QColor kRecordingCursor(Qt::red);    // the cursor while recording
inline const QColor kMarker(Qt::red);
inline const QColor kSelectedMarker(160, 32, 240);
inline const QColor kSelectedRowBacking(40, 48, 66);  // rows in the track selection; others grey 0.13
inline const QColor kOverviewBlockFill(255, 255, 255, 36);
inline const QColor kOverviewBlockEdge(255, 255, 255, 170);

// The tool area.
inline const QColor kTimeDisplayBacking(18, 18, 18);
inline const QColor kTimeDisplayEdge(70, 70, 70);
inline const QColor kRecordButton(220, 40, 40);
inline const QColor kRecordMask(0, 0, 0, 153);  // black at 60 %

// The panels.
inline const QColor kPreviewTrack(70, 70, 74);
inline const QColor kPreviewPlayed(0, 122, 255);
inline const QColor kPreviewKnobEdge(40, 40, 40);
inline const QColor kPreviewKnob(235, 235, 235);
inline const QColor kMarkerRowLine(0, 0, 0, 110);
inline const QColor kFadeGraphBacking(38, 38, 40);
inline const QColor kFadeGraphGrid(120, 120, 125);
inline const QColor kFadeGraphCurve(170, 170, 175);
inline const QColor kFadeGraphText(200, 200, 200);
inline const QColor kRecordPanelBacking(45, 45, 48);
inline const QColor kRecordPanelText(230, 230, 230);
inline const QColor kRecordPanelEdge(90, 90, 95);
inline const QColor kMeterBacking(30, 30, 30);
inline const QColor kWarningText(180, 30, 30);

}  // namespace wavomer::app::palette
