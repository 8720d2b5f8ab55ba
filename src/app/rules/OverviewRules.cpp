#include "rules/OverviewRules.h"

#include <algorithm>
#include <cmath>

#include "model/AudioTrack.h"
#include "rules/WindowRules.h"

namespace wavomer::app::rules {

OverviewRect overviewRulerRect(double viewWidth) { return {0.0, 0.0, viewWidth, kOverviewRulerHeight}; }

OverviewRect overviewWaveRect(double viewWidth, double viewHeight) {
    return {0.0, 21.0, viewWidth, std::max(viewHeight - 22.0, 0.0)};
}

bool overviewContentFits(double contentWidth, double visibleWidth) {
    return std::fabs(contentWidth - visibleWidth) < 0.001;
}

double overviewPixelPerSecond(double editorPixelPerSecond, double contentWidth, double visibleWidth,
                              double overviewWidth, double projectSeconds) {
    if (overviewContentFits(contentWidth, visibleWidth)) return editorPixelPerSecond;
    return overviewWidth / std::max(projectSeconds, 1.0);
}

SlideBlock overviewSlideBlock(double waveWidth, double visibleOriginX, double contentWidth, double visibleWidth) {
    if (!(contentWidth > visibleWidth) || overviewContentFits(contentWidth, visibleWidth))
        return {0.0, waveWidth, 0.0};
    SlideBlock block;
    block.scroller = visibleOriginX / std::max(contentWidth - visibleWidth, 1.0);
    block.width = waveWidth * visibleWidth / std::max(contentWidth, 1.0);
    block.x = (waveWidth - block.width) * block.scroller;
    return block;
}

double overviewBoundBlockX(double x, double blockWidth, double waveWidth) {
    auto bound = static_cast<float>(x);
    bound = std::min(bound, static_cast<float>(waveWidth - blockWidth));
    bound = std::max(bound, 0.0f);
    return bound;
}

double overviewBlockXCentredOn(double pressX, double blockWidth) { return pressX - blockWidth / 2.0; }

double overviewVisibleOriginForBlock(double blockX, double blockWidth, double waveWidth, double contentWidth,
                                     double visibleWidth) {
    const double room = waveWidth - blockWidth;
    if (!(room > 0.0)) return 0.0;
    return std::max(contentWidth - visibleWidth, 0.0) * blockX / room;
}

double overviewTimeX(double seconds, double overviewPixelPerSecond) { return seconds * overviewPixelPerSecond; }

OverviewRect overviewCursorStrip(double cursorX, double viewHeight) { return {cursorX - 3.0, 0.0, 6.0, viewHeight}; }

float overviewColumnValue(const std::vector<std::shared_ptr<AudioTrack>>& tracks, double column,
                          double overviewPixelPerSecond) {
    if (!(overviewPixelPerSecond > 0.0)) return 0.0f;
    const double time = column / overviewPixelPerSecond, until = (column + 1.0) / overviewPixelPerSecond;
    double sum = 0.0;
    for (const auto& track : tracks) sum += rowValueAtTime(*track, time, until, overviewPixelPerSecond);
    return static_cast<float>(sum / static_cast<double>(std::max<std::size_t>(tracks.size(), 1)));
}

double overviewGlyphHalfHeight(float value) { return std::max(static_cast<double>(value) * kOverviewGlyphScale, 1.0); }

}  // namespace wavomer::app::rules
