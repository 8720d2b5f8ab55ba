// The rows' column cache, without a window: what it computes and what it reuses.
#include <gtest/gtest.h>

#include "model/AudioSection.h"
#include "model/AudioTrack.h"
#include "timeline/RowHeightCache.h"

using wavomer::app::RowCacheKey;
using wavomer::app::RowHeightCache;

namespace {

// Each column's value is its index, so any offset mistake shows; calls are counted.
struct Counting {
    int calls = 0;
    int64_t columns = 0;
    RowHeightCache::Compute fn() {
        return [this](int64_t first, int64_t count, std::vector<double>& out) {
            ++calls;
            columns += count;
            out.resize(static_cast<size_t>(count));
            for (int64_t i = 0; i < count; ++i) out[static_cast<size_t>(i)] = static_cast<double>(first + i);
        };
    }
};

const RowCacheKey kKey{90.0, 200.0, 1.0, 7};

}  // namespace

TEST(RowHeightCache, TheSameColumnsAgainAreNotComputedAgain) {
    RowHeightCache cache;
    Counting counting;
    const double* first = cache.heights(0, kKey, 100, 50, counting.fn());
    EXPECT_DOUBLE_EQ(first[0], 100.0);
    const double* again = cache.heights(0, kKey, 110, 6, counting.fn());
    EXPECT_EQ(counting.calls, 1);
    EXPECT_DOUBLE_EQ(again[0], 110.0);
    EXPECT_DOUBLE_EQ(again[5], 115.0);
}

TEST(RowHeightCache, AScrollComputesOnlyTheNewlyExposedColumns) {
    RowHeightCache cache;
    Counting counting;
    cache.heights(0, kKey, 1000, 400, counting.fn());
    const double* right = cache.heights(0, kKey, 1016, 400, counting.fn());
    EXPECT_EQ(counting.columns, 416);
    EXPECT_DOUBLE_EQ(right[399], 1415.0);
    const double* left = cache.heights(0, kKey, 984, 400, counting.fn());
    EXPECT_EQ(counting.columns, 432);
    EXPECT_DOUBLE_EQ(left[0], 984.0);
    EXPECT_DOUBLE_EQ(left[399], 1383.0);
}

TEST(RowHeightCache, AnotherZoomRowHeightRatioOrSectionsComputesAfresh) {
    RowHeightCache cache;
    Counting counting;
    cache.heights(0, kKey, 0, 10, counting.fn());
    RowCacheKey zoom = kKey;
    zoom.pixelsPerSecond = 45.0;
    cache.heights(0, zoom, 0, 10, counting.fn());
    RowCacheKey height = zoom;
    height.rowHeight = 100.0;
    cache.heights(0, height, 0, 10, counting.fn());
    RowCacheKey ratio = height;
    ratio.devicePixelRatio = 2.0;
    cache.heights(0, ratio, 0, 10, counting.fn());
    RowCacheKey edited = ratio;
    edited.signature = 8;
    cache.heights(0, edited, 0, 10, counting.fn());
    EXPECT_EQ(counting.columns, 50);
}

TEST(RowHeightCache, InvalidatingDropsEveryRow) {
    RowHeightCache cache;
    Counting counting;
    cache.heights(0, kKey, 0, 10, counting.fn());
    cache.heights(1, kKey, 0, 10, counting.fn());
    cache.invalidate();
    cache.heights(0, kKey, 0, 10, counting.fn());
    cache.heights(1, kKey, 0, 10, counting.fn());
    EXPECT_EQ(counting.columns, 40);
}

TEST(RowHeightCache, RowsAreKeptApart) {
    RowHeightCache cache;
    Counting counting;
    cache.heights(0, kKey, 0, 10, counting.fn());
    cache.heights(1, kKey, 0, 10, counting.fn());
    EXPECT_EQ(counting.calls, 2);
    cache.heights(0, kKey, 0, 10, counting.fn());
    cache.heights(1, kKey, 0, 10, counting.fn());
    EXPECT_EQ(counting.calls, 2);
}

TEST(RowHeightCache, AFarJumpStartsAFreshRunInsteadOfFillingTheGap) {
    RowHeightCache cache;
    Counting counting;
    cache.heights(0, kKey, 0, 100, counting.fn());
    const double* far = cache.heights(0, kKey, 1000000, 100, counting.fn());
    EXPECT_EQ(counting.columns, 200);
    EXPECT_DOUBLE_EQ(far[0], 1000000.0);
    const double* back = cache.heights(0, kKey, 0, 100, counting.fn());
    EXPECT_EQ(counting.columns, 300);
    EXPECT_DOUBLE_EQ(back[99], 99.0);
}

TEST(RowHeightCache, TheSignatureFollowsEveryEditOfTheSections) {
    auto track = std::make_shared<wavomer::AudioTrack>();
    auto section = wavomer::AudioSection::blankSectionWithTrackStartTime(0.0, 5.0);
    track->setSectionArray({section});
    const uint64_t before = wavomer::app::rowSignature(*track);
    EXPECT_EQ(wavomer::app::rowSignature(*track), before);
    section->isMute = true;
    const uint64_t muted = wavomer::app::rowSignature(*track);
    EXPECT_NE(muted, before);
    section->volumeValue = 0.5;
    EXPECT_NE(wavomer::app::rowSignature(*track), muted);
    const uint64_t softer = wavomer::app::rowSignature(*track);
    section->trackEndTime = 4.0;
    EXPECT_NE(wavomer::app::rowSignature(*track), softer);
}
