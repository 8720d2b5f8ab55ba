// RowRaster: how the rows' waveform becomes pixels, without Qt. A row's columns have half
// heights (from the row rules); each becomes a device span around the row's centre line,
// rounded as a painter rounds a filled rectangle's edges; the spans are then written into
// a band of 32-bit pixels scanline by scanline, which costs far less than thousands of
// one-pixel-wide fills. The same rounding places the centre lines and separators.
//
// Threads: any (pure functions over the caller's memory).
#pragma once

#include <cstddef>
#include <cstdint>

namespace wavomer::app::rules {

// A logical coordinate in device pixels at ratio, rounded as the painter rounds edges.
int deviceCoordinate(double logical, double ratio);

// A block of pixels: line 0 is the band's top, pixel 0 its left edge.
struct PixelBand {
    uint32_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;  // pixels from one line to the next
    int width = 0;
    int height = 0;
};

// Fills the band's lines [top, bottom) (clipped to the band) with colour.
void fillBandLines(PixelBand band, int top, int bottom, uint32_t colour);

// The lines some span covers: [lowest, highest); empty when highest <= lowest.
struct SpanLines {
    int lowest = 0;
    int highest = 0;
};

// Each column k's span [tops[k], bottoms[k]) in band lines: centre ± halfHeights[k]
// (logical), at ratio, less the band's device top bandTop.
SpanLines columnSpans(const double* halfHeights, std::size_t count, double centre, double ratio, int bandTop,
                      int32_t* tops, int32_t* bottoms);

// Writes column k's span in colour at band pixel firstColumn + k, for the lines the spans
// cover (clipped to the band); the rest keeps its pixels.
void rasterSpans(PixelBand band, int firstColumn, const int32_t* tops, const int32_t* bottoms, std::size_t count,
                 SpanLines lines, uint32_t colour);

}  // namespace wavomer::app::rules
