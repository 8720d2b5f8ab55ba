#include <cmath>

#include "media/MediaEngine.h"

namespace wavomer {

// Microseconds, the media library's own time base.
int64_t ts_default_time_base() { return 1000000; }

double ts_ff_time_to_double(int64_t time) { return static_cast<double>(time) / ts_default_time_base(); }

int64_t ts_double_to_time(double seconds) {
    return static_cast<int64_t>(std::trunc(seconds * ts_default_time_base()));
}

}  // namespace wavomer
