#include "rules/RowRaster.h"

#include <algorithm>
#include <cmath>

namespace wavomer::app::rules {

int deviceCoordinate(double logical, double ratio) { return static_cast<int>(std::lround(logical * ratio)); }

void fillBandLines(PixelBand band, int top, int bottom, uint32_t colour) {
    for (int line = std::max(top, 0); line < std::min(bottom, band.height); ++line)
        std::fill_n(band.pixels + static_cast<std::ptrdiff_t>(line) * band.stride, band.width, colour);
}

SpanLines columnSpans(const double* halfHeights, std::size_t count, double centre, double ratio, int bandTop,
                      int32_t* tops, int32_t* bottoms) {
    SpanLines lines{INT32_MAX, INT32_MIN};
    for (std::size_t k = 0; k < count; ++k) {
        tops[k] = deviceCoordinate(centre - halfHeights[k], ratio) - bandTop;
        bottoms[k] = deviceCoordinate(centre + halfHeights[k], ratio) - bandTop;
        if (bottoms[k] > tops[k]) {
            lines.lowest = std::min(lines.lowest, tops[k]);
            lines.highest = std::max(lines.highest, bottoms[k]);
        }
    }
    if (lines.highest < lines.lowest) lines = {};
    return lines;
}

void rasterSpans(PixelBand band, int firstColumn, const int32_t* tops, const int32_t* bottoms, std::size_t count,
                 SpanLines lines, uint32_t colour) {
    for (int line = std::max(lines.lowest, 0); line < std::min(lines.highest, band.height); ++line) {
        uint32_t* out = band.pixels + static_cast<std::ptrdiff_t>(line) * band.stride + firstColumn;
        for (std::size_t k = 0; k < count; ++k) out[k] = (line >= tops[k] && line < bottoms[k]) ? colour : out[k];
    }
}

}  // namespace wavomer::app::rules
