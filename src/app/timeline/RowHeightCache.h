// RowHeightCache: each row's column half heights for the current zoom, kept between
// paints so that a cursor tick or a scroll reads the spans it already has and computes
// only the columns newly exposed. Plain C++ (no Qt), so it is tested without a window.
//
// A row's entry is valid for one key: the scale, the row height, the device pixel ratio
// and a signature of the row's sections (their identity and every field that shapes the
// waveform), so an edit that reaches the model without a signal still shows. The window
// also drops everything on a reload (tracks, zoom, length) and on the engine's row and
// model signals.
//
// Threads: main thread (computing reads the tracks' wave caches).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace wavomer {
class AudioTrack;
}

namespace wavomer::app {

struct RowCacheKey {
    double pixelsPerSecond = 0.0;
    double rowHeight = 0.0;
    double devicePixelRatio = 1.0;
    uint64_t signature = 0;
    bool operator==(const RowCacheKey&) const = default;
};

// A hash of the row's sections: which sections, and their times, channel, mute, fades,
// volume, effect presence and source.
uint64_t rowSignature(const AudioTrack& track);

class RowHeightCache {
public:
    // Fills out[0..count) with the half heights of device columns first.. of a row.
    using Compute = std::function<void(int64_t first, int64_t count, std::vector<double>& out)>;
    // At most this many columns are kept per row; a longer run starts afresh.
    static constexpr int64_t kMaxColumns = int64_t{1} << 17;

    // The half heights of device columns [first, first + count) of row, computing only
    // the columns the row's entry lacks for key. Valid until the next call or invalidate.
    const double* heights(std::size_t row, const RowCacheKey& key, int64_t first, int64_t count,
                          const Compute& compute);
    void invalidate();
    // Every column computed so far (what the tests watch).
    int64_t computedColumns() const { return computed_; }

private:
    struct Entry {
        RowCacheKey key;
        int64_t first = 0;
        std::vector<double> values;
        bool valid = false;
    };
    std::vector<Entry> rows_;
    std::vector<double> scratch_;
    int64_t computed_ = 0;
};

}  // namespace wavomer::app
