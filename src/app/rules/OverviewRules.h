// The overview strip's numbers, without Qt: its ruler and wave rectangles, its scale,
// the slide block that marks the visible part of the rows, the block's clamping and
// the scroll position a block position stands for, the marker and cursor x, the strip
// a cursor move repaints, and the glyph's column values.
//
// Threads: main thread (overviewColumnValue reads the tracks' wave caches).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace wavomer {
class AudioTrack;
}

namespace wavomer::app::rules {

inline constexpr double kOverviewRulerHeight = 20.0;
inline constexpr double kOverviewGlyphScale = 30.0;  // pixels for a value of 1

struct OverviewRect {
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
    bool contains(double px, double py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

// The top 20 pixels of the view.
OverviewRect overviewRulerRect(double viewWidth);
// From y 21 to 2 pixels above the bottom: height = view height - 22.
OverviewRect overviewWaveRect(double viewWidth, double viewHeight);

// Whether the whole project fits the rows' visible width (the two differ by less than 0.001).
bool overviewContentFits(double contentWidth, double visibleWidth);
// The overview's pixels per second: the editor's own when the project fits, otherwise the
// overview's width over the project length taken as at least 1 second.
double overviewPixelPerSecond(double editorPixelPerSecond, double contentWidth, double visibleWidth,
                              double overviewWidth, double projectSeconds);

struct SlideBlock {
    double x = 0.0;
    double width = 0.0;
    double scroller = 0.0;  // the visible origin's share of the scrollable width, 0..1
};
// The block over a wave rectangle of width waveWidth: s = origin / max(content - visible, 1),
// width = waveWidth * visible / max(content, 1), x = (waveWidth - width) * s; the whole wave
// rectangle when the content fits.
SlideBlock overviewSlideBlock(double waveWidth, double visibleOriginX, double contentWidth, double visibleWidth);
// A block x kept inside the wave rectangle: at most waveWidth - blockWidth, then at least 0,
// in single precision.
double overviewBoundBlockX(double x, double blockWidth, double waveWidth);
// The x of a block of blockWidth centred on a press at pressX.
double overviewBlockXCentredOn(double pressX, double blockWidth);
// The rows' visible origin a block position stands for:
// (content - visible) * blockX / (waveWidth - blockWidth); 0 when the block cannot move.
double overviewVisibleOriginForBlock(double blockX, double blockWidth, double waveWidth, double contentWidth,
                                     double visibleWidth);

// A marker's or the cursor's x: time times the overview scale.
double overviewTimeX(double seconds, double overviewPixelPerSecond);
// The strip a cursor at x repaints: from x - 3, 6 pixels wide.
OverviewRect overviewCursorStrip(double cursorX, double viewHeight);

// The glyph's value at wave column i: the mean over the tracks (counted as at least 1) of
// each row's value over times [i / scale, (i + 1) / scale), at the overview scale.
float overviewColumnValue(const std::vector<std::shared_ptr<AudioTrack>>& tracks, double column,
                          double overviewPixelPerSecond);
// Half the height of a glyph column: value * 30 pixels, at least 1.
double overviewGlyphHalfHeight(float value);

}  // namespace wavomer::app::rules
